// Popup menus: what is shown, the chosen item's handler before Popup returns, errors in
// handlers, and the items' lifetimes.
#include "support/forms.h"
#include "support/ui_logs.h"
#include "toolkit/menus.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

using orv_test::makeForm;
using orv_test::MessageBoxLog;
using orv_test::Owned;
using orv_test::TDescribedForm;

TMenuItem* makeItem(const std::string& caption, TNotifyEvent onClick) {
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(caption);
    item->OnClick = std::move(onClick);
    return item;
}

// The hidden main window's menu: "Open", a separator, "Exit".
struct TrayMenu {
    std::vector<std::string> clicks;
    Owned<TPopupMenu> menu{new TPopupMenu(nullptr)};
    TrayMenu() {
        menu->Items()->Add(makeItem("Open", [this](TObject*) { clicks.push_back("Open"); }));
        menu->Items()->Add(makeItem("-", nullptr));
        menu->Items()->Add(makeItem("Exit", [this](TObject*) { clicks.push_back("Exit"); }));
    }
};

TEST(PopupMenu, ShowsItsItemsAtThePointAndRunsTheChosenOneBeforeReturning) {
    TrayMenu t;
    std::vector<PopupMenuRecord> shown;
    std::size_t clicksWhenShown = 99;
    std::string choice = "Exit";
    SetPopupMenuHandler([&](const PopupMenuRecord& record) {
        shown.push_back(record);
        clicksWhenShown = t.clicks.size();
        return record.CommandOf(choice);
    });
    t.menu->Popup(640, 400);
    EXPECT_EQ(clicksWhenShown, 0u) << "a handler ran while the menu was open";
    EXPECT_EQ(t.clicks, (std::vector<std::string>{"Exit"}));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].at, (TPoint{640, 400}));
    ASSERT_EQ(shown[0].items.size(), 3u);
    EXPECT_EQ(shown[0].items[0].caption, "Open");
    EXPECT_TRUE(shown[0].items[1].separator);
    EXPECT_FALSE(shown[0].items[0].separator);
    EXPECT_TRUE(t.menu->Items()->Items(1)->IsLine());
    EXPECT_EQ(t.menu->PopupPoint(), (TPoint{640, 400}));

    // Dismissed without a choice: nothing runs.
    choice = "none";
    t.menu->Popup(1, 2);
    EXPECT_EQ(t.clicks.size(), 1u);
    // Hidden items are not shown; disabled ones are shown but do nothing.
    t.menu->Items()->Items(0)->SetVisible(false);
    t.menu->Items()->Items(2)->SetEnabled(false);
    choice = "Exit";
    t.menu->Popup(1, 2);
    EXPECT_EQ(shown.back().items.size(), 2u);
    EXPECT_FALSE(shown.back().items[1].enabled);
    EXPECT_EQ(t.clicks.size(), 1u);
}

TEST(PopupMenu, ErrorsInHandlersGoToTheApplicationNotTheCaller) {
    MessageBoxLog log;
    Owned<TPopupMenu> menu(new TPopupMenu(nullptr));
    menu->Items()->Add(makeItem("Fail", [](TObject*) { throw EConvertError("kaputt"); }));
    menu->Items()->Add(makeItem("Quiet", [](TObject*) { Abort(); }));
    std::string choice = "Fail";
    SetPopupMenuHandler([&](const PopupMenuRecord& r) { return r.CommandOf(choice); });
    EXPECT_NO_THROW(menu->Popup(0, 0));
    choice = "Quiet";
    EXPECT_NO_THROW(menu->Popup(0, 0));
    ASSERT_EQ(log.boxes.size(), 1u);
    EXPECT_EQ(log.boxes[0].text, "kaputt.");
}

TEST(PopupMenu, AHandlerMayFreeTheMenu) {
    auto* menu = new TPopupMenu(nullptr);
    bool ran = false;
    menu->Items()->Add(makeItem("Exit", [&](TObject*) {
        menu->Free(); // as the tray menu is destroyed on the next press
        ran = true;
    }));
    SetPopupMenuHandler([](const PopupMenuRecord& r) { return r.CommandOf("Exit"); });
    menu->Popup(0, 0);
    EXPECT_TRUE(ran);
}

TEST(MenuItem, ItemsFreeTheirSubItemsAndCommandsAreNeverReused) {
    Owned<TDescribedForm> form(makeForm());
    auto* menu = new TPopupMenu(nullptr);
    auto* owned = new TMenuItem(form.get()); // owned by the form, shown in the menu
    owned->SetName("mnuOpen");
    owned->SetCaption("&Open");
    auto* sub = makeItem("More", nullptr);
    sub->Add(makeItem("Deeper", nullptr));
    menu->Items()->Add(owned);
    menu->Items()->Add(sub);
    int deeper = sub->Items(0)->Command();
    EXPECT_EQ(TMenuItem::FindCommand(deeper), sub->Items(0));
    EXPECT_NE(owned->Command(), deeper);
    EXPECT_THROW(sub->Items(1), EListError);
    EXPECT_THROW(sub->Add(menu->Items()), EInvalidOperation);

    PopupMenuRecord record;
    SetPopupMenuHandler([&](const PopupMenuRecord& r) {
        record = r;
        return 0;
    });
    menu->Popup(0, 0);
    ASSERT_EQ(record.items.size(), 2u);
    ASSERT_EQ(record.items[1].items.size(), 1u);
    EXPECT_EQ(record.CommandOf("Deeper"), deeper);

    menu->Free();
    EXPECT_EQ(TMenuItem::FindCommand(deeper), nullptr);
    EXPECT_EQ(form->FindComponent("mnuOpen"), nullptr) << "the freed item stayed with its owner";
    auto* fresh = new TMenuItem(nullptr);
    EXPECT_GT(fresh->Command(), deeper);
    fresh->Free();
}

} // namespace
} // namespace toolkit

// Page controls: pages, the active page, and the user's choice of a tab.
#include "support/forms.h"
#include "support/ui_logs.h"
#include "toolkit/page_control.h"
#include "toolkit/panel.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

using orv_test::makeForm;
using orv_test::Owned;
using orv_test::pump;
using orv_test::TDescribedForm;

// The settings dialog's page control: three pages, tabs 143 wide.
struct Pages {
    TPageControl* pages = nullptr;
    TTabSheet* sync = nullptr;
    TTabSheet* dsound = nullptr;
    TTabSheet* misc = nullptr;
    Owned<TDescribedForm> form{makeForm([this](TDescribedForm& f) {
        f.SetClientSize(440, 358);
        pages = f.Add<TPageControl>("pgMain", &f);
        pages->SetBounds(3, 4, 432, 317);
        pages->SetTabWidth(143);
        sync = f.Add<TTabSheet>("tabSync", nullptr);
        sync->SetPageControl(pages);
        sync->SetCaption("Synchronisation");
        dsound = f.Add<TTabSheet>("tabDsnd", nullptr);
        dsound->SetPageControl(pages);
        dsound->SetCaption("DirectSound / GSIF");
        misc = f.Add<TTabSheet>("tabMisc", nullptr);
        misc->SetParent(pages); // the parent makes it a page as well
        misc->SetCaption("Sonstiges");
        pages->SetActivePage(sync);
    })};
};

TEST(PageControl, OnlyTheActivePageShowsAndPagesFillTheDisplayArea) {
    Pages p;
    EXPECT_EQ(p.pages->PageCount(), 3);
    EXPECT_EQ(p.pages->Pages(2), p.misc);
    EXPECT_THROW(p.pages->Pages(3), EListError);
    EXPECT_EQ(p.misc->PageIndex(), 2);
    EXPECT_EQ(p.pages->ActivePage(), p.sync);
    EXPECT_TRUE(p.sync->Visible());
    EXPECT_FALSE(p.dsound->Visible());
    EXPECT_FALSE(p.misc->Visible());
    TRect display = p.pages->DisplayRect();
    EXPECT_GT(display.Top, 10) << "under the tabs";
    EXPECT_EQ(display.Left, 4);
    EXPECT_EQ(display.Right, 432 - 4);
    EXPECT_EQ(display.Bottom, 317 - 4);
    for (TTabSheet* page : {p.sync, p.dsound, p.misc}) {
        EXPECT_EQ(page->BoundsRect(), display);
    }
    // They follow the page control's size.
    p.pages->SetBounds(3, 4, 300, 200);
    EXPECT_EQ(p.dsound->BoundsRect(), p.pages->DisplayRect());
    EXPECT_EQ(p.dsound->Width(), 292);

    int changes = 0;
    p.pages->OnChange = [&](TObject*) { ++changes; };
    p.pages->SetActivePage(p.misc);
    EXPECT_EQ(changes, 0) << "fired for a change by code";
    EXPECT_TRUE(p.misc->Visible());
    EXPECT_FALSE(p.sync->Visible());
    // A sheet of another page control is no page here.
    Owned<TPageControl> other(new TPageControl(nullptr));
    auto* foreign = new TTabSheet(other.get());
    foreign->SetPageControl(other.get());
    p.pages->SetActivePage(foreign);
    EXPECT_EQ(p.pages->ActivePage(), p.misc);
}

TEST(PageControl, TheUsersTabChoiceFiresOnChangeUnlessOnChangingRefuses) {
    Pages p;
    p.form->Show();
    pump();
    std::vector<std::string> log;
    p.pages->OnChange = [&](TObject*) { log.push_back("change " + p.pages->ActivePage()->Name()); };
    bool allow = true;
    p.pages->OnChanging = [&](TObject*, bool& ok) {
        log.push_back("changing");
        ok = allow;
    };
    // A click on the second tab (tabs are 143 wide, starting at 2).
    SimulateClick(p.pages, 2 + 143 + 70, 8);
    EXPECT_EQ(p.pages->ActivePage(), p.dsound);
    EXPECT_TRUE(p.dsound->Visible());
    allow = false;
    SimulateClick(p.pages, 2 + 2 * 143 + 70, 8);
    EXPECT_EQ(p.pages->ActivePage(), p.dsound);
    EXPECT_FALSE(p.misc->Visible());
    // A click on the tab that is already active changes nothing.
    allow = true;
    SimulateClick(p.pages, 2 + 143 + 70, 8);
    EXPECT_EQ(log, (std::vector<std::string>{"changing", "change tabDsnd", "changing"}));
    // After the refusal the tabs still show the active page: a click on the third works.
    SimulateClick(p.pages, 2 + 2 * 143 + 70, 8);
    EXPECT_EQ(p.pages->ActivePage(), p.misc);
}

TEST(PageControl, TabsThatFillTheWidthExactlyAreAllReachable) {
    // Three tabs of 143 from x = 2 end at 431 of 432: no scroll buttons may cover the last one.
    Pages p;
    p.form->Show();
    pump();
    SimulateClick(p.pages, 2 + 3 * 143 - 6, 8);
    EXPECT_EQ(p.pages->ActivePage(), p.misc);
}

TEST(PageControl, RemovingTheActivePageActivatesAnother) {
    Pages p;
    p.pages->SetActivePage(p.dsound);
    p.dsound->Free();
    EXPECT_EQ(p.pages->PageCount(), 2);
    EXPECT_EQ(p.pages->ActivePage(), p.misc);
    EXPECT_TRUE(p.misc->Visible());
    p.misc->SetPageControl(nullptr);
    EXPECT_EQ(p.pages->ActivePage(), p.sync);
    EXPECT_EQ(p.misc->Parent(), nullptr);
    EXPECT_EQ(p.misc->PageIndex(), -1);
    // Moving a page among the pages.
    p.misc->SetPageControl(p.pages);
    p.misc->SetPageIndex(0);
    EXPECT_EQ(p.pages->Pages(0), p.misc);
    EXPECT_EQ(p.pages->Pages(1), p.sync);
    EXPECT_EQ(p.pages->ActivePageIndex(), 1);
    // No active page at all is possible, too.
    p.pages->SetActivePage(nullptr);
    EXPECT_EQ(p.pages->ActivePageIndex(), -1);
    EXPECT_FALSE(p.sync->Visible() || p.misc->Visible());
}

TEST(PageControl, FreeingThePageControlFirstLeavesTheSheetsUsable) {
    auto* pages = new TPageControl(nullptr);
    Owned<TTabSheet> sheet(new TTabSheet(nullptr));
    sheet->SetPageControl(pages);
    pages->Free();
    EXPECT_EQ(sheet->PageControl(), nullptr);
    EXPECT_EQ(sheet->Parent(), nullptr);
}

} // namespace
} // namespace toolkit

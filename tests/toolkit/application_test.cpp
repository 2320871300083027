// The application object: exception handling at the top, posted messages from any thread,
// window handles.
#include "support/forms.h"
#include "support/ui_logs.h"
#include "toolkit/check_box.h"
#include "toolkit/message_queue.h"
#include "toolkit/panel.h"

#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace toolkit {
namespace {

using orv_test::makeForm;
using orv_test::MessageBoxLog;
using orv_test::Owned;
using orv_test::pump;
using orv_test::TDescribedForm;

constexpr UINT kPing = WM_USER + 11;

TEST(HandleException, AbortIsSilentOtherErrorsShowTheirText) {
    MessageBoxLog log;
    Application->SetTitle("Orvane Manager");
    auto report = [](auto error) {
        try {
            throw error;
        } catch (...) {
            Application->HandleException(std::current_exception());
        }
    };
    report(EAbort());
    EXPECT_TRUE(log.boxes.empty());
    report(ERangeError("Wert f\xC3\xBCr Position liegt au\xC3\x9F"
                       "erhalb von Min und Max"));
    report(EConvertError("Fehler!"));
    report(std::runtime_error("plain"));
    ASSERT_EQ(log.boxes.size(), 3u);
    EXPECT_EQ(log.boxes[0].text, "Wert f\xC3\xBCr Position liegt au\xC3\x9F"
                                 "erhalb von Min und Max.");
    EXPECT_EQ(log.boxes[0].caption, "Orvane Manager");
    EXPECT_EQ(log.boxes[0].style & 0xF0, MB_ICONERROR);
    EXPECT_EQ(log.boxes[1].text, "Fehler!");
    EXPECT_EQ(log.boxes[2].text, "plain.");

    // An OnException handler takes the place of the box.
    std::string seen;
    Application->OnException = [&](TObject*, const std::exception& e) { seen = e.what(); };
    report(EComponentError("x"));
    Application->OnException = nullptr;
    EXPECT_EQ(seen, "x");
    EXPECT_EQ(log.boxes.size(), 3u);
}

TEST(HandleException, AnErrorInAnEventNeverLeavesTheBackend) {
    MessageBoxLog log;
    TCheckBox* box = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        box = f.Add<TCheckBox>("chk", &f);
        box->SetCaption("x");
    }));
    form->Show();
    pump();
    box->OnClick = [](TObject*) { throw EConvertError("'x' is not a valid integer value"); };
    SimulateClick(box, 6, 8); // would end the test program if it crossed Qt's event handling
    box->OnClick = [](TObject*) { Abort(); };
    SimulateClick(box, 6, 8);
    ASSERT_EQ(log.boxes.size(), 1u);
    EXPECT_EQ(log.boxes[0].text, "'x' is not a valid integer value.");
    // A posted message whose handler fails: reported, and the next message still comes.
    int pings = 0;
    form->SetMessageHandler(kPing, [&](TMessage& m) {
        ++pings;
        if (m.WParam == 1) {
            throw EListError("List index out of bounds (5)");
        }
    });
    PostMessageA(form->Handle(), kPing, 1, 0);
    PostMessageA(form->Handle(), kPing, 2, 0);
    pump();
    EXPECT_EQ(pings, 2);
    EXPECT_EQ(log.boxes.size(), 2u);
}

TEST(PostMessage, FromAnotherThreadItArrivesOnTheUserInterfaceThread) {
    Owned<TDescribedForm> form(makeForm());
    std::vector<std::pair<WPARAM, std::thread::id>> seen;
    form->SetMessageHandler(
        kPing, [&](TMessage& m) { seen.emplace_back(m.WParam, std::this_thread::get_id()); });
    HWND handle = form->Handle();
    std::thread poster([handle] {
        for (WPARAM i = 1; i <= 3; ++i) {
            PostMessageA(handle, kPing, i, 0);
        }
    });
    // HandleMessage waits for the messages: the poster wakes it.
    while (seen.size() < 3) {
        Application->HandleMessage();
    }
    poster.join();
    ASSERT_EQ(seen.size(), 3u);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].first, i + 1) << "out of order";
        EXPECT_EQ(seen[i].second, std::this_thread::get_id());
    }
}

TEST(PostMessage, AMessageForAFreedWindowIsDropped) {
    int pings = 0;
    auto* form = makeForm();
    form->SetMessageHandler(kPing, [&](TMessage&) { ++pings; });
    HWND handle = form->Handle();
    EXPECT_TRUE(PostMessageA(handle, kPing, 0, 0));
    form->Free();
    pump();
    EXPECT_EQ(pings, 0);
    EXPECT_FALSE(PostMessageA(handle, kPing, 0, 0));
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(FindControl(handle), nullptr);
}

TEST(WindowHandles, AreNeverReused) {
    std::set<HWND> seen;
    for (int i = 0; i < 200; ++i) {
        auto* panel = new TPanel(nullptr);
        HWND handle = panel->Handle();
        EXPECT_TRUE(seen.insert(handle).second) << "handle reused";
        EXPECT_EQ(FindControl(handle), panel);
        if (i % 2 == 0) {
            // Destroying and recreating the window gives a new handle, too.
            panel->DestroyHandle();
            EXPECT_TRUE(seen.insert(panel->Handle()).second);
        }
        panel->Free();
    }
}

} // namespace
} // namespace toolkit

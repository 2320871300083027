// The toolkit's core on its own, linked without any windowing backend: controls get handles,
// messages are posted, sent and delivered, SetWindowPos moves a control, and what needs a
// screen (boxes, beeps, the cursor, pictures) answers as "not available" or goes to the tests'
// hooks.
#include "support/ui_logs.h"
#include "toolkit/application.h"
#include "toolkit/message_queue.h"
#include "toolkit/panel.h"
#include "toolkit/peer.h"
#include "toolkit/picture.h"
#include "toolkit/win_ui.h"

#include <gtest/gtest.h>
#include <thread>

namespace toolkit {
namespace {

constexpr UINT kPing = WM_USER + 21;

class CoreWithoutBackend : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetWindowingBackend(), nullptr);
        if (Application == nullptr) {
            Application = new TApplication;
        }
        panel_ = new TPanel(nullptr);
        panel_->SetMessageHandler(kPing, [this](TMessage& m) {
            received_.push_back(m.WParam);
            m.Result = static_cast<LRESULT>(m.WParam) + 1;
        });
    }
    void TearDown() override {
        if (panel_ != nullptr) {
            panel_->Free();
        }
    }
    TPanel* panel_ = nullptr;
    std::vector<WPARAM> received_;
};

TEST_F(CoreWithoutBackend, MessagesArePostedSentAndDelivered) {
    HWND handle = panel_->Handle();
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(IsWindow(handle));
    EXPECT_EQ(SendMessageA(handle, kPing, 41, 0), 42);

    std::thread poster([handle] { EXPECT_TRUE(PostMessageA(handle, kPing, 7, 0)); });
    poster.join();
    EXPECT_EQ(received_, std::vector<WPARAM>{41});
    Application->ProcessMessages();
    EXPECT_EQ(received_, (std::vector<WPARAM>{41, 7}));

    // A message to a window that is gone is refused, and one queued before it went is dropped.
    EXPECT_TRUE(PostMessageA(handle, kPing, 8, 0));
    panel_->Free();
    panel_ = nullptr;
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_FALSE(PostMessageA(handle, kPing, 9, 0));
    Application->ProcessMessages();
    EXPECT_EQ(received_, (std::vector<WPARAM>{41, 7}));
    EXPECT_EQ(SendMessageA(handle, kPing, 1, 0), 0);
}

TEST_F(CoreWithoutBackend, SetWindowPosMovesAndSizesTheControl) {
    panel_->SetBounds(1, 2, 30, 40);
    HWND handle = panel_->Handle();
    EXPECT_TRUE(SetWindowPos(handle, nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    EXPECT_EQ(panel_->BoundsRect(), (TRect{5, 6, 35, 46}));
    EXPECT_TRUE(SetWindowPos(handle, nullptr, 0, 0, 70, 80, SWP_NOMOVE | SWP_NOZORDER));
    EXPECT_EQ(panel_->BoundsRect(), (TRect{5, 6, 75, 86}));
    EXPECT_FALSE(SetWindowPos(nullptr, nullptr, 0, 0, 1, 1, 0));
}

TEST_F(CoreWithoutBackend, ScreenServicesAnswerAsAbsentOrGoToTheHooks) {
    EXPECT_EQ(MessageBoxA(nullptr, "Text", "Caption", MB_OK), 0);
    EXPECT_TRUE(MessageBeep(MB_OK));
    POINT cursor{};
    EXPECT_FALSE(GetCursorPos(&cursor));
    const char* const xpm[] = {"1 1 1 1", "a c #FF0000", "a"};
    TPicture picture;
    EXPECT_FALSE(picture.LoadFromXpm(xpm));
    EXPECT_TRUE(picture.Empty());
    RegisterIconResource("CORETESTICON", xpm);
    EXPECT_EQ(LoadIconA(nullptr, "CORETESTICON"), nullptr);

    orv_test::MessageBoxLog boxes(IDNO);
    orv_test::BeepLog beeps;
    EXPECT_EQ(MessageBoxA(panel_->Handle(), "Weiter?", "Frage", MB_YESNO | MB_ICONQUESTION), IDNO);
    MessageBeep(MB_ICONERROR);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].owner, panel_->Handle());
    EXPECT_EQ(boxes.boxes[0].text, "Weiter?");
    EXPECT_EQ(boxes.boxes[0].style, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(beeps.beeps, std::vector<UINT>{MB_ICONERROR});
}

} // namespace
} // namespace toolkit

// The notification-area icon on every kind of host: what each host reports becomes the mouse
// messages of a classic notification area, in its order.
#include "support/forms.h"
#include "toolkit/shell_notify.h"
#include "toolkit/tray_clicks.h"

#include <gtest/gtest.h>

using namespace toolkit;

namespace {

using Messages = std::vector<UINT>;

const Messages kClick = {WM_LBUTTONDOWN, WM_LBUTTONUP};
const Messages kDoubleClick = {WM_LBUTTONDBLCLK, WM_LBUTTONUP};
const Messages kRightClick = {WM_RBUTTONDOWN, WM_RBUTTONUP};
const Messages kMiddleClick = {WM_MBUTTONDOWN, WM_MBUTTONUP};
constexpr unsigned kInterval = 400;

TEST(TrayClicks, XEmbedHostReportsPassThroughWithoutTiming) {
    TrayClickMapper m(TrayHostKind::XEmbed);
    // An XEmbed host reports the double click itself; two quick presses stay two presses.
    EXPECT_EQ(m.map(TrayActivation::Trigger, 1000, kInterval), kClick);
    EXPECT_EQ(m.map(TrayActivation::Trigger, 1010, kInterval), kClick);
    EXPECT_EQ(m.map(TrayActivation::DoubleClick, 1020, kInterval), kDoubleClick);
    EXPECT_EQ(m.map(TrayActivation::Context, 1030, kInterval), kRightClick);
    EXPECT_EQ(m.map(TrayActivation::MiddleClick, 1040, kInterval), kMiddleClick);
}

TEST(TrayClicks, StatusNotifierActivationsWithinTheIntervalAreADoubleClick) {
    TrayClickMapper m(TrayHostKind::StatusNotifier);
    EXPECT_EQ(m.map(TrayActivation::Trigger, 5000, kInterval), kClick);
    EXPECT_EQ(m.map(TrayActivation::Trigger, 5000 + kInterval, kInterval), kDoubleClick);
    // A third click starts a new pair, as on a classic desktop.
    EXPECT_EQ(m.map(TrayActivation::Trigger, 5000 + kInterval + 10, kInterval), kClick);
    EXPECT_EQ(m.map(TrayActivation::Trigger, 5000 + kInterval + 20, kInterval), kDoubleClick);
}

TEST(TrayClicks, StatusNotifierActivationsFurtherApartAreSingleClicks) {
    TrayClickMapper m(TrayHostKind::StatusNotifier);
    EXPECT_EQ(m.map(TrayActivation::Trigger, 5000, kInterval), kClick);
    EXPECT_EQ(m.map(TrayActivation::Trigger, 5000 + kInterval + 1, kInterval), kClick);
    // The second of those may still pair with a third.
    EXPECT_EQ(m.map(TrayActivation::Trigger, 5000 + kInterval + 2, kInterval), kDoubleClick);
    // The desktop's interval is the one that counts.
    TrayClickMapper slow(TrayHostKind::StatusNotifier);
    EXPECT_EQ(slow.map(TrayActivation::Trigger, 0, 900), kClick);
    EXPECT_EQ(slow.map(TrayActivation::Trigger, 800, 900), kDoubleClick);
    TrayClickMapper fast(TrayHostKind::StatusNotifier);
    EXPECT_EQ(fast.map(TrayActivation::Trigger, 0, 200), kClick);
    EXPECT_EQ(fast.map(TrayActivation::Trigger, 300, 200), kClick);
}

TEST(TrayClicks, StatusNotifierSecondaryAndContextAreRightClicksAndBreakAPair) {
    TrayClickMapper m(TrayHostKind::StatusNotifier);
    EXPECT_EQ(m.map(TrayActivation::MiddleClick, 100, kInterval), kRightClick);
    EXPECT_EQ(m.map(TrayActivation::Context, 110, kInterval), kRightClick);
    EXPECT_EQ(m.map(TrayActivation::Trigger, 120, kInterval), kClick);
    EXPECT_EQ(m.map(TrayActivation::Context, 130, kInterval), kRightClick);
    EXPECT_EQ(m.map(TrayActivation::Trigger, 140, kInterval), kClick);
    EXPECT_EQ(m.map(TrayActivation::MiddleClick, 150, kInterval), kRightClick);
    EXPECT_EQ(m.map(TrayActivation::Trigger, 160, kInterval), kClick);
}

TEST(TrayClicks, StatusNotifierClockThatRunsBackwardsMakesNoDoubleClick) {
    TrayClickMapper m(TrayHostKind::StatusNotifier);
    EXPECT_EQ(m.map(TrayActivation::Trigger, 5000, kInterval), kClick);
    EXPECT_EQ(m.map(TrayActivation::Trigger, 4990, kInterval), kClick);
}

// A window of the test's own that records its icon's callback messages.
class TIconReceiver : public TForm {
public:
    static constexpr UINT kCallback = WM_USER + 55;
    explicit TIconReceiver(TComponent* owner) : TForm(owner) {
        SetMessageHandler(kCallback, [this](TMessage& m) {
            ids.push_back(static_cast<UINT>(m.WParam));
            received.push_back(static_cast<UINT>(m.LParam));
        });
    }
    std::vector<UINT> ids;
    Messages received;
};

TEST(TrayClicks, StandInWindowDeliversTheMouseEventsItGets) {
    // Without a notification area (as here, off screen) the icon lives in the stand-in window.
    orv_test::Owned<TIconReceiver> receiver(TCustomForm::Create<TIconReceiver>(nullptr));
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = receiver->Handle();
    data.uID = 3;
    data.uFlags = NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = TIconReceiver::kCallback;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
    auto icons = TrayIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].host, TrayHostKind::StandIn);
    EXPECT_FALSE(icons[0].inNotificationArea);

    ASSERT_TRUE(ClickTrayIcon(receiver->Handle(), 3, WM_LBUTTONDOWN));
    ASSERT_TRUE(ClickTrayIcon(receiver->Handle(), 3, WM_LBUTTONDBLCLK));
    ASSERT_TRUE(ClickTrayIcon(receiver->Handle(), 3, WM_RBUTTONDOWN));
    ASSERT_TRUE(ClickTrayIcon(receiver->Handle(), 3, WM_MBUTTONDOWN));
    orv_test::pump();
    Messages expected = kClick;
    for (const Messages* m : {&kDoubleClick, &kRightClick, &kMiddleClick}) {
        expected.insert(expected.end(), m->begin(), m->end());
    }
    EXPECT_EQ(receiver->received, expected);
    EXPECT_EQ(receiver->ids, std::vector<UINT>(expected.size(), 3u));

    EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
    EXPECT_FALSE(ClickTrayIcon(receiver->Handle(), 3, WM_LBUTTONDBLCLK));
    EXPECT_TRUE(TrayIcons().empty());
}

} // namespace

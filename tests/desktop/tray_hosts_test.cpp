// The real program on each kind of notification area: a StatusNotifierItem host on a private
// D-Bus session bus, an XEmbed panel, and none. On each, a double click opens the control
// window and a single click (or a right click) does not.
#include "desktop_session.h"
#include "status_notifier_watcher.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QThread>
#include <gtest/gtest.h>

using namespace orv_test;

namespace {

constexpr char kControlWindow[] = "^Orvane$";
constexpr char kStandInWindow[] = "^Orvane Manager$";

// Lets the test's own D-Bus objects answer while it waits.
void pumpFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

bool pumpUntil(const std::function<bool()>& cond,
               std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        pumpFor(std::chrono::milliseconds(20));
    }
    return true;
}

class TrayHosts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QCoreApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "tray-hosts-test";
            static char* argv[] = {name, nullptr};
            new QCoreApplication(argc, argv);
        }
    }

    void SetUp() override {
        ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
        ASSERT_FALSE(bus.address().empty()) << "dbus-daemon did not start";
        std::filesystem::create_directories(home.path() / "runtime");
        std::filesystem::permissions(home.path() / "runtime", std::filesystem::perms::owner_all);
    }

    // Starts the program on the private display and bus, in a home of its own.
    void startProgram(std::map<std::string, std::string> extra = {}) {
        std::map<std::string, std::string> env{
            {"DISPLAY", x.display()},
            {"QT_QPA_PLATFORM", "xcb"},
            {"DBUS_SESSION_BUS_ADDRESS", bus.address()},
            {"HOME", home.path().string()},
            {"XDG_CONFIG_HOME", (home.path() / "config").string()},
            {"XDG_DATA_HOME", (home.path() / "data").string()},
            {"XDG_RUNTIME_DIR", (home.path() / "runtime").string()},
            {"ORVANE_WOW16", (home.path() / "wow16").string()},
            {"ORVANE_SIMCARD_STATE", (home.path() / "simcard-settings").string()},
        };
        for (auto& [k, v] : extra) {
            env[k] = v;
        }
        ::unsetenv("ORVANE_TRAY");
        ::unsetenv("ORVANE_SIMCARD");
        program.start({(binDir() / "orvane-manager").string()}, env, false, log());
    }
    std::filesystem::path log() const { return home.path() / "program.log"; }
    std::string programLog() const { return readFile(log()); }

    bool controlWindowShown() const { return !visibleWindows(x.display(), kControlWindow).empty(); }
    // Waits a while in which a control window would have opened, and says whether one did.
    bool controlWindowOpensSoon(std::chrono::milliseconds within = std::chrono::seconds(1)) {
        pumpFor(within);
        return controlWindowShown();
    }

    TempDir home;
    PrivateDisplay x;
    PrivateBus bus;
    Background program;
};

QDBusMessage itemCall(const QString& service, const char* method) {
    QDBusMessage m = QDBusMessage::createMethodCall(service, "/StatusNotifierItem",
                                                    "org.kde.StatusNotifierItem", method);
    m << 0 << 0;
    return m;
}

// The title of an item's tool-tip, read from its ToolTip property (sa(iiay)ss).
QString toolTipTitle(QDBusConnection& bus, const QString& service) {
    QDBusMessage get = QDBusMessage::createMethodCall(service, "/StatusNotifierItem",
                                                      "org.freedesktop.DBus.Properties", "Get");
    get << QString("org.kde.StatusNotifierItem") << QString("ToolTip");
    QDBusMessage reply = bus.call(get, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return "no reply: " + reply.errorMessage();
    }
    const QDBusArgument arg =
        reply.arguments()[0].value<QDBusVariant>().variant().value<QDBusArgument>();
    QString iconName;
    QString title;
    QString text;
    arg.beginStructure();
    arg >> iconName;
    arg.beginArray();
    while (!arg.atEnd()) {
        int w = 0;
        int h = 0;
        QByteArray pixels;
        arg.beginStructure();
        arg >> w >> h >> pixels;
        arg.endStructure();
    }
    arg.endArray();
    arg >> title >> text;
    arg.endStructure();
    return title;
}

TEST_F(TrayHosts, StatusNotifierHostTwoActivationsOpenTheControlWindowOneDoesNot) {
    StatusNotifierWatcher watcher(QString::fromStdString(bus.address()));
    ASSERT_TRUE(watcher.ok());
    startProgram();
    ASSERT_TRUE(pumpUntil([&] { return !watcher.items().isEmpty() || !program.running(); }))
        << "the program never registered its icon\n"
        << programLog();
    ASSERT_TRUE(program.running()) << programLog();
    const QString item = watcher.items().front();
    EXPECT_EQ(toolTipTitle(watcher.bus(), item), QString::fromUtf8("Einstellungen für Orvane"));
    // No stand-in window where a host shows the icon.
    EXPECT_EQ(visibleWindows(x.display(), kStandInWindow), "");

    // One activation: a single click, which does nothing.
    QDBusMessage reply = watcher.bus().call(itemCall(item, "Activate"), QDBus::Block, 10000);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_FALSE(controlWindowOpensSoon()) << "one activation opened the control window";

    // An activation, a context-menu request, an activation: the right click breaks the pair.
    ASSERT_TRUE(watcher.bus().send(itemCall(item, "Activate")));
    ASSERT_TRUE(watcher.bus().send(itemCall(item, "ContextMenu")));
    ASSERT_TRUE(watcher.bus().send(itemCall(item, "Activate")));
    reply = watcher.bus().call(itemCall(item, "SecondaryActivate"), QDBus::Block, 10000);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_FALSE(controlWindowOpensSoon()) << "activations around a right click opened it";

    // Two activations within the double-click interval: a double click.
    ASSERT_TRUE(watcher.bus().send(itemCall(item, "Activate")));
    ASSERT_TRUE(watcher.bus().send(itemCall(item, "Activate")));
    EXPECT_TRUE(pumpUntil([&] { return controlWindowShown(); }, std::chrono::seconds(20)))
        << programLog();
    EXPECT_TRUE(program.running());
}

TEST_F(TrayHosts, XEmbedPanelDoubleClickOpensTheControlWindowSingleClickDoesNot) {
    Background panel;
    panel.start({"/usr/bin/trayer", "--edge", "top", "--align", "left", "--widthtype", "pixel",
                 "--width", "64", "--heighttype", "pixel", "--height", "32"},
                {{"DISPLAY", x.display()}}, false, home.path() / "trayer.log");
    ASSERT_TRUE(waitUntil([&] { return !visibleWindows(x.display(), "^panel$").empty(); }))
        << readFile(home.path() / "trayer.log");
    startProgram();
    // The icon: the program's one visible window, embedded in the panel.
    std::string icon;
    ASSERT_TRUE(waitUntil([&] {
        icon =
            xdotool(x.display(), {"search", "--onlyvisible", "--classname", "orvane-manager"}).out;
        return !icon.empty() || !program.running();
    })) << programLog();
    ASSERT_TRUE(program.running()) << programLog();
    ASSERT_EQ(icon.find('\n'), std::string::npos) << "more than one window: " << icon;
    EXPECT_EQ(visibleWindows(x.display(), kStandInWindow), "");

    xdotool(x.display(), {"mousemove", "--window", icon, "6", "6", "click", "1"});
    xdotool(x.display(), {"click", "3"});
    EXPECT_FALSE(controlWindowOpensSoon()) << "a single click opened the control window";

    xdotool(x.display(), {"mousemove", "--window", icon, "6", "6", "click", "--repeat", "2",
                          "--delay", "60", "1"});
    EXPECT_TRUE(pumpUntil([&] { return controlWindowShown(); }, std::chrono::seconds(20)))
        << programLog();
}

TEST_F(TrayHosts, NoHostTheStandInWindowHoldsTheIcon) {
    startProgram();
    std::string standIn;
    ASSERT_TRUE(waitUntil([&] {
        standIn = visibleWindows(x.display(), kStandInWindow);
        return !standIn.empty() || !program.running();
    })) << programLog();
    ASSERT_TRUE(program.running()) << programLog();

    xdotool(x.display(), {"mousemove", "--window", standIn, "20", "20", "click", "1"});
    xdotool(x.display(), {"click", "3"});
    EXPECT_FALSE(controlWindowOpensSoon()) << "a single click opened the control window";

    xdotool(x.display(), {"mousemove", "--window", standIn, "20", "20", "click", "--repeat", "2",
                          "--delay", "60", "1"});
    EXPECT_TRUE(pumpUntil([&] { return controlWindowShown(); }, std::chrono::seconds(20)))
        << programLog();
}

// On Wayland Qt knows no other notification area than a StatusNotifierItem host.
class WaylandTrayHosts : public TrayHosts {
protected:
    void SetUp() override {
        TrayHosts::SetUp();
        wayland.emplace(home.path() / "runtime");
        ASSERT_FALSE(wayland->socket().empty()) << "weston did not start\n"
                                                << readFile(home.path() / "weston.log");
    }
    void startOnWayland() {
        startProgram({{"QT_QPA_PLATFORM", "wayland"},
                      {"WAYLAND_DISPLAY", wayland->socket()},
                      {"DISPLAY", ""}});
    }
    bool shown(const std::string& title) const {
        const std::string titles = wayland->toplevelTitles();
        return titles.find(title + "\n") != std::string::npos;
    }
    std::optional<PrivateWayland> wayland;
};

TEST_F(WaylandTrayHosts, StatusNotifierHostTwoActivationsOpenTheControlWindowOneDoesNot) {
    StatusNotifierWatcher watcher(QString::fromStdString(bus.address()));
    ASSERT_TRUE(watcher.ok());
    startOnWayland();
    ASSERT_TRUE(pumpUntil([&] { return !watcher.items().isEmpty() || !program.running(); }))
        << "the program never registered its icon\n"
        << programLog();
    ASSERT_TRUE(program.running()) << programLog();
    const QString item = watcher.items().front();
    EXPECT_FALSE(shown("Orvane Manager")) << "a stand-in window beside the host's icon";

    QDBusMessage reply = watcher.bus().call(itemCall(item, "Activate"), QDBus::Block, 10000);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    pumpFor(std::chrono::seconds(1));
    EXPECT_FALSE(shown("Orvane")) << "one activation opened the control window";

    ASSERT_TRUE(watcher.bus().send(itemCall(item, "Activate")));
    ASSERT_TRUE(watcher.bus().send(itemCall(item, "Activate")));
    EXPECT_TRUE(pumpUntil([&] { return shown("Orvane"); }, std::chrono::seconds(20)))
        << programLog();
}

TEST_F(WaylandTrayHosts, NoHostTheStandInWindowHoldsTheIcon) {
    startOnWayland();
    EXPECT_TRUE(pumpUntil([&] { return shown("Orvane Manager") || !program.running(); }))
        << programLog();
    EXPECT_TRUE(program.running()) << programLog();
    EXPECT_FALSE(shown("Orvane"));
}

} // namespace

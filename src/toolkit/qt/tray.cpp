#include "toolkit/application.h"
#include "toolkit/message_queue.h"
#include "toolkit/qt/icons.h"
#include "toolkit/qt/qt_util.h"
#include "toolkit/shell_notify.h"
#include "toolkit/tray_clicks.h"
#include "toolkit/win_ui.h"

#include <QCloseEvent>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleHints>
#include <QSystemTrayIcon>
#include <QWidget>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

namespace toolkit {
namespace {

struct TrayEntry;

void deliver(const TrayEntry& entry, UINT mouseMessage);

// The stand-in for a notification area: a small window that stays on top and holds the icon.
class StandInWindow : public QWidget {
public:
    explicit StandInWindow(TrayEntry* entry)
        : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                               Qt::CustomizeWindowHint | Qt::WindowDoesNotAcceptFocus),
          entry_(entry) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFixedSize(176, 44);
    }
    void place() {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect area = screen->availableGeometry();
            move(area.right() - width() - 8, area.bottom() - height() - 40);
        }
    }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override {
        deliverButton(e->button(), WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        deliverButton(e->button(), WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        deliverButton(e->button(), WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK);
    }
    // The icon stays until the program takes it away.
    void closeEvent(QCloseEvent* e) override { e->ignore(); }

private:
    void deliverButton(Qt::MouseButton b, UINT left, UINT right, UINT middle) {
        UINT msg = b == Qt::LeftButton ? left : b == Qt::RightButton ? right : middle;
        if (b == Qt::LeftButton || b == Qt::RightButton || b == Qt::MiddleButton) {
            deliver(*entry_, msg);
        }
    }
    TrayEntry* entry_;
};

struct TrayEntry {
    HWND window = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0;
    HICON icon = nullptr;
    std::string tip;
    TrayClickMapper clicks{TrayHostKind::StandIn};
    std::unique_ptr<QSystemTrayIcon> trayIcon;
    std::unique_ptr<StandInWindow> standIn;
};

void StandInWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    qt::IconOf(entry_->icon).paint(&p, QRect(6, 6, 32, 32));
    p.setPen(palette().windowText().color());
    QString title = Application != nullptr ? qt::toQString(Application->Title()) : QString();
    p.drawText(QRect(44, 0, width() - 48, height()), Qt::AlignVCenter | Qt::AlignLeft, title);
}

std::vector<std::unique_ptr<TrayEntry>>& entries() {
    static auto* list = new std::vector<std::unique_ptr<TrayEntry>>;
    return *list;
}

TrayEntry* find(HWND window, UINT id) {
    for (auto& e : entries()) {
        if (e->window == window && e->id == id) {
            return e.get();
        }
    }
    return nullptr;
}

void post(const TrayEntry& entry, UINT mouseMessage) {
    if (entry.callbackMessage != 0) {
        PostMessageA(entry.window, entry.callbackMessage, entry.id,
                     static_cast<LPARAM>(mouseMessage));
    }
}

void deliver(const TrayEntry& entry, UINT mouseMessage) {
    post(entry, mouseMessage);
}

TrayHost& trayHost() {
    static TrayHost host = TrayHost::Automatic;
    return host;
}

bool useNotificationArea() {
    return trayHost() == TrayHost::Automatic && QSystemTrayIcon::isSystemTrayAvailable();
}

// Whether a StatusNotifierItem host is on the session bus: then Qt shows the icon over D-Bus
// rather than in an XEmbed panel. Asked once, as Qt asks once per process.
bool statusNotifierHostRegistered() {
    static const bool registered = [] {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected() || bus.interface() == nullptr ||
            !bus.interface()->isServiceRegistered("org.kde.StatusNotifierWatcher")) {
            return false;
        }
        QDBusInterface watcher("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                               "org.kde.StatusNotifierWatcher", bus);
        return watcher.property("IsStatusNotifierHostRegistered").toBool();
    }();
    return registered;
}

// The kind of notification area that shows an icon added now.
TrayHostKind notificationAreaKind() {
    if (QGuiApplication::platformName().startsWith("wayland")) {
        return TrayHostKind::StatusNotifier; // Qt knows no other tray there
    }
    return statusNotifierHostRegistered() ? TrayHostKind::StatusNotifier : TrayHostKind::XEmbed;
}

std::uint64_t monotonicMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void activate(TrayEntry& entry, TrayActivation what) {
    const auto interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    for (UINT message : entry.clicks.map(what, monotonicMs(), static_cast<unsigned>(interval))) {
        post(entry, message);
    }
}

std::string tipOf(const NOTIFYICONDATAA& data) {
    return Cp1252ToUtf8(std::string(data.szTip, strnlen(data.szTip, sizeof data.szTip)));
}

void apply(TrayEntry& entry, const NOTIFYICONDATAA& data) {
    if (data.uFlags & NIF_MESSAGE) {
        entry.callbackMessage = data.uCallbackMessage;
    }
    if (data.uFlags & NIF_ICON) {
        entry.icon = data.hIcon;
    }
    if (data.uFlags & NIF_TIP) {
        entry.tip = tipOf(data);
    }
    if (entry.trayIcon) {
        entry.trayIcon->setIcon(qt::IconOf(entry.icon));
        entry.trayIcon->setToolTip(qt::toQString(entry.tip));
    }
    if (entry.standIn) {
        entry.standIn->setWindowTitle(Application != nullptr ? qt::toQString(Application->Title())
                                                             : QString());
        entry.standIn->setWindowIcon(qt::IconOf(entry.icon));
        entry.standIn->setToolTip(qt::toQString(entry.tip));
        entry.standIn->update();
    }
}

void show(TrayEntry& entry) {
    if (useNotificationArea()) {
        entry.clicks = TrayClickMapper(notificationAreaKind());
        entry.trayIcon = std::make_unique<QSystemTrayIcon>();
        TrayEntry* e = &entry;
        QObject::connect(entry.trayIcon.get(), &QSystemTrayIcon::activated, entry.trayIcon.get(),
                         [e](QSystemTrayIcon::ActivationReason reason) {
                             switch (reason) {
                             case QSystemTrayIcon::Trigger:
                                 activate(*e, TrayActivation::Trigger);
                                 break;
                             case QSystemTrayIcon::DoubleClick:
                                 activate(*e, TrayActivation::DoubleClick);
                                 break;
                             case QSystemTrayIcon::Context:
                                 activate(*e, TrayActivation::Context);
                                 break;
                             case QSystemTrayIcon::MiddleClick:
                                 activate(*e, TrayActivation::MiddleClick);
                                 break;
                             default:
                                 break;
                             }
                         });
    } else {
        entry.standIn = std::make_unique<StandInWindow>(&entry);
    }
}

} // namespace

void SetTrayHost(TrayHost host) {
    trayHost() = host;
}

std::vector<TrayIconInfo> TrayIcons() {
    std::vector<TrayIconInfo> list;
    for (auto& e : entries()) {
        list.push_back({e->window, e->id, e->callbackMessage, e->icon, e->tip,
                        e->trayIcon != nullptr, e->clicks.host()});
    }
    return list;
}

bool ClickTrayIcon(HWND window, UINT id, UINT mouseMessage) {
    TrayEntry* e = find(window, id);
    if (e == nullptr) {
        return false;
    }
    // The button's press, and its release that follows.
    struct Press {
        UINT message;
        Qt::MouseButton button;
        QEvent::Type type;
        UINT release;
    };
    static const Press presses[] = {
        {WM_LBUTTONDOWN, Qt::LeftButton, QEvent::MouseButtonPress, WM_LBUTTONUP},
        {WM_LBUTTONDBLCLK, Qt::LeftButton, QEvent::MouseButtonDblClick, WM_LBUTTONUP},
        {WM_RBUTTONDOWN, Qt::RightButton, QEvent::MouseButtonPress, WM_RBUTTONUP},
        {WM_RBUTTONDBLCLK, Qt::RightButton, QEvent::MouseButtonDblClick, WM_RBUTTONUP},
        {WM_MBUTTONDOWN, Qt::MiddleButton, QEvent::MouseButtonPress, WM_MBUTTONUP},
        {WM_MBUTTONDBLCLK, Qt::MiddleButton, QEvent::MouseButtonDblClick, WM_MBUTTONUP},
    };
    const Press* press = nullptr;
    for (const Press& p : presses) {
        if (p.message == mouseMessage) {
            press = &p;
        }
    }
    if (e->standIn && press != nullptr) {
        // The stand-in window gets the mouse events themselves, as from the user's hand.
        QPointF at(20, 20);
        QMouseEvent down(press->type, at, e->standIn->mapToGlobal(at), press->button, press->button,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(e->standIn.get(), &down);
        QMouseEvent up(QEvent::MouseButtonRelease, at, e->standIn->mapToGlobal(at), press->button,
                       Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(e->standIn.get(), &up);
        return true;
    }
    post(*e, mouseMessage);
    if (press != nullptr) {
        post(*e, press->release);
    }
    return true;
}

} // namespace toolkit

using namespace toolkit;

BOOL Shell_NotifyIconA(DWORD dwMessage, NOTIFYICONDATAA* lpData) {
    if (lpData == nullptr || QGuiApplication::instance() == nullptr ||
        (lpData->cbSize != NOTIFYICONDATAA_V1_SIZE && lpData->cbSize != sizeof(NOTIFYICONDATAA))) {
        return FALSE;
    }
    auto& list = entries();
    TrayEntry* existing = find(lpData->hWnd, lpData->uID);
    switch (dwMessage) {
    case NIM_ADD: {
        if (existing != nullptr) {
            return FALSE;
        }
        auto entry = std::make_unique<TrayEntry>();
        entry->window = lpData->hWnd;
        entry->id = lpData->uID;
        show(*entry);
        apply(*entry, *lpData);
        if (entry->trayIcon) {
            entry->trayIcon->show();
        } else {
            entry->standIn->place();
            entry->standIn->show();
        }
        list.push_back(std::move(entry));
        return TRUE;
    }
    case NIM_MODIFY:
        if (existing == nullptr) {
            return FALSE;
        }
        apply(*existing, *lpData);
        return TRUE;
    case NIM_DELETE:
        for (auto it = list.begin(); it != list.end(); ++it) {
            if (it->get() == existing) {
                if ((*it)->trayIcon) {
                    (*it)->trayIcon->hide();
                }
                list.erase(it);
                return TRUE;
            }
        }
        return FALSE;
    default:
        return FALSE;
    }
}

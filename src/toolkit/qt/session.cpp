#include "toolkit/qt/session.h"

#include "toolkit/application.h"
#include "toolkit/system_messages.h"

#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>

namespace toolkit::qt {
namespace {

// The session manager's order to end arrives as a quit event sent to the application. The
// program has no Qt event loop to leave: the order goes to the windows instead, and Qt's own
// handling (closing every window) is kept out of it.
class SessionWatch : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
            Guard([] { NotifySessionEnd(); });
            return true;
        }
        return false;
    }
};

} // namespace

void InstallSessionWatch() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app == nullptr) {
        return;
    }
    static auto* watch = new SessionWatch;
    app->installEventFilter(watch);
    QObject::connect(app, &QGuiApplication::commitDataRequest, app, [](QSessionManager& manager) {
        bool mayEnd = true;
        Guard([&mayEnd] { mayEnd = QuerySessionEnd(); });
        if (!mayEnd) {
            manager.cancel();
        }
    });
}

} // namespace toolkit::qt

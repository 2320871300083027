#include "toolkit/qt/posted_message_wake.h"

#include "toolkit/message_queue.h"
#include "toolkit/qt/surfaces.h"
#include "toolkit/win_control.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <sys/eventfd.h>
#include <unistd.h>

namespace toolkit::qt {
namespace {

int wakeFd = -1;

// Any thread.
void writeWake() {
    const std::uint64_t one = 1;
    // The counter never nears its limit (every wake reads it back to zero): only a signal can
    // interrupt the write.
    while (::write(wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void answerWake() {
    std::uint64_t count = 0;
    // Read first: a post made during the round below makes the descriptor readable again.
    while (::read(wakeFd, &count, sizeof count) < 0 && errno == EINTR) {
    }
    DeliverPostedMessagesOfThisWake();
}

// Where no eventfd can be had (the process is out of descriptors): a Qt event per wake.
const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class EventWake : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != kWakeEvent) {
            return QObject::event(e);
        }
        DeliverPostedMessagesOfThisWake();
        return true;
    }
};

} // namespace

void InstallPostedMessageWake() {
    // A handler that runs a loop of its own (a message box, a menu) leaves the rest of its
    // round queued with no wake outstanding: that loop asks for one before it waits.
    if (QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance()) {
        // The repaint requests of the round it interrupted go to Qt then as well: the round
        // would hand them on only when it ends.
        QObject::connect(loop, &QAbstractEventDispatcher::aboutToBlock, loop, [] {
            RequestWakeIfMessagesWait();
            TWinControl::FlushDeferredRepaints();
            FlushRepaintAreas();
        });
    }
    wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd >= 0) {
        // Lives for the rest of the process, as the application object does.
        auto* notifier = new QSocketNotifier(wakeFd, QSocketNotifier::Read);
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { answerWake(); });
        SetPostedMessageWaker(writeWake);
        return;
    }
    std::perror("eventfd for posted messages");
    static auto* receiver = new EventWake;
    SetPostedMessageWaker([] { QCoreApplication::postEvent(receiver, new QEvent(kWakeEvent)); });
}

} // namespace toolkit::qt

// Multimedia timers: one timer thread, started with the first timer, runs every callback.
//
// Schedule: a periodic timer's next due time is its previous due time plus the period, not the
// time its callback ended, so late callbacks do not make the timer drift. When a timer has fallen
// more than platform::kTimerMaxCatchUp periods behind (the process was stopped, the machine
// stalled, or a callback blocked for long), the periods beyond that bound are skipped, keeping the
// phase; at most kTimerMaxCatchUp + 1 callbacks then follow each other without a pause. Time is
// the monotonic clock, which stands still while the machine is suspended.
//
// Resolution: a timer may fire up to its resolution late (never early). Its first due time is
// rounded up to a multiple of the resolution on one clock grid for the whole process, so timers
// with equal or related resolutions (40 and 100 ms: every 200 ms) fall due together and wake the
// timer thread once instead of once each. A resolution of 0 keeps the exact due times; a
// resolution above the delay counts as the delay.
//
// Killing: the timer is removed under the lock, then the killer waits while that timer's callback
// runs on the timer thread (unless the killer is that thread, i.e. a callback killing its own or
// another timer, where no callback can be running besides itself).
//
// Exit: at static destruction the timer thread is stopped and joined (after its running callback,
// if any, returns); later timeSetEvent calls fail, timeKillEvent calls still succeed. The timer
// state itself is never destroyed, so calls made by later static destructors stay safe.
#include "platform/winmm.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT kMinDelay = 1;
constexpr UINT kMaxDelay = 65535;

struct Timer {
    LPTIMECALLBACK callback;
    DWORD_PTR user;
    Clock::duration period;
    bool periodic;
    Clock::time_point due;
    bool fired = false; // a one-shot timer whose callback has started
};

class TimerThread {
public:
    MMRESULT set(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
        if (delay < kMinDelay || delay > kMaxDelay || !callback ||
            (flags & ~(TIME_PERIODIC | TIME_KILL_SYNCHRONOUS)) != 0) {
            return 0;
        }
        std::lock_guard lock(mutex_);
        if (stopped_ || nextId_ == 0 || !ensureThread()) {
            return 0;
        }
        const UINT id = nextId_++; // 0 after the last id: no more timers in this run
        const auto period = std::chrono::milliseconds(delay);
        const auto due = onGrid(Clock::now() + period, std::min(resolution, delay));
        timers_.emplace(id, Timer{callback, user, period, (flags & TIME_PERIODIC) != 0, due});
        wake_.notify_one();
        return id;
    }

    MMRESULT kill(UINT id) {
        std::unique_lock lock(mutex_);
        auto it = timers_.find(id);
        if (it == timers_.end()) {
            return MMSYSERR_INVALPARAM;
        }
        timers_.erase(it);
        if (std::this_thread::get_id() != threadId_) {
            finished_.wait(lock, [&] { return running_ != id; });
        }
        return TIMERR_NOERROR;
    }

    void shutdown() {
        if (ownerPid_ != ::getpid()) {
            return; // a forked child: the timer thread does not exist here
        }
        {
            std::lock_guard lock(mutex_);
            if (stopped_) {
                return;
            }
            stopped_ = true;
            wake_.notify_all();
        }
        if (!thread_.joinable()) {
            return;
        }
        if (std::this_thread::get_id() == thread_.get_id()) {
            thread_.detach(); // exit() called from a callback
        } else {
            thread_.join();
        }
    }

private:
    // The first multiple of the resolution at or after due, on the clock's own grid.
    static Clock::time_point onGrid(Clock::time_point due, UINT resolution) {
        if (resolution == 0) {
            return due;
        }
        const Clock::duration step = std::chrono::milliseconds(resolution);
        const Clock::duration late = due.time_since_epoch() % step;
        return late == Clock::duration::zero() ? due : due + (step - late);
    }

    // Caller holds mutex_.
    bool ensureThread() {
        if (thread_.joinable()) {
            return true;
        }
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            return false;
        }
        threadId_ = thread_.get_id();
        ownerPid_ = ::getpid();
        static ExitGuard guard; // registered after the state it stops, so destroyed first
        return true;
    }

    // Caller holds mutex_.
    std::map<UINT, Timer>::iterator earliest() {
        auto best = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (!it->second.fired && (best == timers_.end() || it->second.due < best->second.due)) {
                best = it;
            }
        }
        return best;
    }

    void run() {
        std::unique_lock lock(mutex_);
        while (!stopped_) {
            auto it = earliest();
            if (it == timers_.end()) {
                wake_.wait(lock);
                continue;
            }
            const auto now = Clock::now();
            if (it->second.due > now) {
                // A copy: wait_until reads its deadline again after waking, when the timer may
                // have been killed.
                const Clock::time_point due = it->second.due;
                wake_.wait_until(lock, due);
                continue;
            }
            const UINT id = it->first;
            Timer& timer = it->second;
            const LPTIMECALLBACK callback = timer.callback;
            const DWORD_PTR user = timer.user;
            if (timer.periodic) {
                advance(timer, now);
            } else {
                timer.fired = true;
            }
            running_ = id;
            lock.unlock();
            callback(id, 0, user, 0, 0);
            lock.lock();
            running_ = 0;
            if (auto done = timers_.find(id); done != timers_.end() && done->second.fired) {
                timers_.erase(done);
            }
            finished_.notify_all();
        }
    }

    // Moves a periodic timer to its next due time; beyond kTimerMaxCatchUp due times already in
    // the past, whole periods are skipped.
    static void advance(Timer& timer, Clock::time_point now) {
        timer.due += timer.period;
        if (now >= timer.due) {
            const auto owed = (now - timer.due) / timer.period + 1;
            if (owed > platform::kTimerMaxCatchUp) {
                timer.due += (owed - platform::kTimerMaxCatchUp) * timer.period;
            }
        }
    }

    struct ExitGuard {
        ~ExitGuard();
    };

    std::mutex mutex_;
    std::condition_variable wake_;     // the schedule changed, or stop
    std::condition_variable finished_; // a callback returned
    std::map<UINT, Timer> timers_;
    UINT nextId_ = 1;
    UINT running_ = 0; // id of the timer whose callback runs now
    bool stopped_ = false;
    std::thread thread_;
    std::thread::id threadId_;
    pid_t ownerPid_ = 0;
};

// Lives for the whole process (see the comment at the top).
TimerThread& timerThread() {
    static TimerThread* instance = new TimerThread;
    return *instance;
}

TimerThread::ExitGuard::~ExitGuard() {
    timerThread().shutdown();
}

} // namespace

MMRESULT timeSetEvent(UINT uDelay, UINT uResolution, LPTIMECALLBACK fptc, DWORD_PTR dwUser,
                      UINT fuEvent) {
    return timerThread().set(uDelay, uResolution, fptc, dwUser, fuEvent);
}

MMRESULT timeKillEvent(UINT uTimerID) {
    return timerThread().kill(uTimerID);
}

// Multimedia timers: one timer thread, started with the first timer, runs every callback.
//
// Schedule: a periodic timer's next due time is its previous due time plus the period, not the
// time its callback ended, so late callbacks do not make the timer drift. When a timer has fallen
// more than platform::kTimerMaxCatchUp periods behind (the process was stopped, the machine
// stalled, or a callback blocked for long), the periods beyond that bound are skipped, keeping the
// phase; at most kTimerMaxCatchUp + 1 callbacks then follow each other without a pause. Time is
// the monotonic clock, which stands still while the machine is suspended.
//
// Resolution: a timer may fire up to its resolution late (never early), and uses that to share
// the timer thread's wakes with other timers:
// - Its first due time is rounded up to a multiple of the resolution on one clock grid for the
//   whole process, so timers with equal or related resolutions (40 and 100 ms: every 200 ms)
//   fall due together.
// - A timer not yet due waits for the next callback of a timer with a finer resolution when that
//   comes before its own due time plus its resolution: a 100 ms timer due between two callbacks
//   of a 40 ms timer fires with the second. Both timers then wake the thread 25 times a second
//   instead of 30. A timer whose due time has come fires in that wake.
// A resolution of 0 keeps the exact due times; a resolution above the delay counts as the delay.
//
// Killing: the timer is removed under the lock, then the killer waits while that timer's callback
// runs on the timer thread (unless the killer is that thread, i.e. a callback killing its own or
// another timer, where no callback can be running besides itself).
//
// Sleeping: the timer thread sleeps on a futex word of its own, which every change of the
// schedule (and the stop) bumps. A condition variable would cost a system call more per wake:
// after a timed-out wait glibc takes the mutex back marked as contended, so releasing it makes a
// FUTEX_WAKE that wakes nobody.
//
// Exit: at static destruction the timer thread is stopped and joined (after its running callback,
// if any, returns); later timeSetEvent calls fail, timeKillEvent calls still succeed. The timer
// state itself is never destroyed, so calls made by later static destructors stay safe.
#include "platform/winmm.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <linux/futex.h>
#include <map>
#include <mutex>
#include <sys/syscall.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock; // CLOCK_MONOTONIC

static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t) &&
              std::atomic<std::uint32_t>::is_always_lock_free);

// Sleeps while *word holds seen, until woken or until the given time of Clock (max: no limit).
void sleepOnWord(std::atomic<std::uint32_t>& word, std::uint32_t seen, Clock::time_point until) {
    timespec deadline{};
    const timespec* limit = nullptr;
    if (until != Clock::time_point::max()) {
        const auto since = until.time_since_epoch();
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
        deadline.tv_sec = static_cast<time_t>(seconds.count());
        deadline.tv_nsec = static_cast<long>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
        limit = &deadline;
    }
    // An absolute deadline on CLOCK_MONOTONIC; returns early on a signal or a change, which the
    // caller's loop looks at anyway.
    ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAIT_BITSET_PRIVATE, seen,
              limit, nullptr, FUTEX_BITSET_MATCH_ANY);
}

void wakeAllOnWord(std::atomic<std::uint32_t>& word) {
    ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAKE_PRIVATE, INT_MAX,
              nullptr, nullptr, 0);
}

constexpr UINT kMinDelay = 1;
constexpr UINT kMaxDelay = 65535;

struct Timer {
    LPTIMECALLBACK callback;
    DWORD_PTR user;
    Clock::duration period;
    Clock::duration resolution; // how late the callback may run; 0: on time
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
        const UINT slack = std::min(resolution, delay);
        const auto due = onGrid(Clock::now() + period, slack);
        timers_.emplace(id, Timer{callback, user, period, std::chrono::milliseconds(slack),
                                  (flags & TIME_PERIODIC) != 0, due});
        scheduleChanged();
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
            scheduleChanged();
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
    void scheduleChanged() {
        changes_.fetch_add(1, std::memory_order_release);
        wakeAllOnWord(changes_);
    }

    // Caller holds mutex_ (through lock), which is released while the thread sleeps.
    void sleepUntil(std::unique_lock<std::mutex>& lock, Clock::time_point until) {
        const std::uint32_t seen = changes_.load(std::memory_order_acquire);
        lock.unlock();
        sleepOnWord(changes_, seen, until);
        lock.lock();
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

    // Caller holds mutex_. The timer whose callback comes next, and when (see the top).
    std::pair<std::map<UINT, Timer>::iterator, Clock::time_point> next(Clock::time_point now) {
        // Finest resolution first (then by id): a timer's time is known before the coarser
        // timers that may wait for it look at it.
        byResolution_.clear();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (!it->second.fired) {
                byResolution_.push_back({it, it->second.due});
            }
        }
        std::sort(byResolution_.begin(), byResolution_.end(),
                  [](const Pending& a, const Pending& b) {
                      return a.timer->second.resolution != b.timer->second.resolution
                                 ? a.timer->second.resolution < b.timer->second.resolution
                                 : a.timer->first < b.timer->first;
                  });
        std::size_t best = byResolution_.size();
        for (std::size_t i = 0; i < byResolution_.size(); ++i) {
            Pending& p = byResolution_[i];
            const Timer& timer = p.timer->second;
            if (timer.due > now && timer.resolution > Clock::duration::zero()) {
                // The earliest callback of a finer timer in [due, due + resolution).
                const auto latest = timer.due + timer.resolution;
                auto shared = latest;
                for (std::size_t j = 0; j < i; ++j) {
                    const Pending& finer = byResolution_[j];
                    if (finer.timer->second.resolution < timer.resolution &&
                        finer.at >= timer.due && finer.at < shared) {
                        shared = finer.at;
                    }
                }
                if (shared < latest) {
                    p.at = shared;
                }
            }
            if (best == byResolution_.size() || p.at < byResolution_[best].at) {
                best = i;
            }
        }
        if (best == byResolution_.size()) {
            return {timers_.end(), Clock::time_point::max()};
        }
        return {byResolution_[best].timer, byResolution_[best].at};
    }

    void run() {
        std::unique_lock lock(mutex_);
        while (!stopped_) {
            const auto now = Clock::now();
            const auto [it, at] = next(now);
            if (at > now) { // also when there is no timer: at is then max
                sleepUntil(lock, at);
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
    std::atomic<std::uint32_t> changes_{0}; // bumped when the schedule changes, or at the stop
    std::condition_variable finished_;      // a callback returned
    std::map<UINT, Timer> timers_;
    struct Pending {
        std::map<UINT, Timer>::iterator timer;
        Clock::time_point at; // when its callback is to run
    };
    std::vector<Pending> byResolution_; // next()'s scratch; keeps its room
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

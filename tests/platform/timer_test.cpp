// Multimedia timers: the absolute schedule, bounded catch-up, killing (also from callbacks and
// from many threads at once), argument checks, and a clean process exit while timers run.
#include "platform/winmm.h"
#include "support/build_paths.h"
#include "support/process.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct FireLog {
    std::mutex mutex;
    std::vector<Clock::time_point> times;
    std::atomic<int> fires{0};
    int slowEvery = 0; // every slowEvery-th callback (counting from 3) blocks for slowFor
    milliseconds slowFor{0};
    std::optional<Clock::time_point> stallEnd; // when the last slow callback returned

    std::vector<Clock::time_point> snapshot() {
        std::lock_guard lock(mutex);
        return times;
    }
};

void logFire(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* log = reinterpret_cast<FireLog*>(user);
    const auto now = Clock::now();
    {
        std::lock_guard lock(log->mutex);
        log->times.push_back(now);
    }
    const int n = ++log->fires;
    if (log->slowEvery > 0 && n % log->slowEvery == 3) {
        std::this_thread::sleep_for(log->slowFor);
        std::lock_guard lock(log->mutex);
        log->stallEnd = Clock::now();
    }
}

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The fires of a periodic timer started at start: fire k is due a period after fire k - 1 and
// never comes early, and the resolution (here the period) puts the first due time at most one
// period past the delay. A loaded machine may make any one fire late, so the least lateness of
// all the fires is judged.
void ExpectOnScheduleFromAStartWithinOnePeriod(const std::vector<Clock::time_point>& fires,
                                               Clock::time_point start, milliseconds period) {
    auto earliestStart = Clock::time_point::max();
    for (std::size_t k = 0; k < fires.size(); ++k) {
        const auto projected = fires[k] - static_cast<int>(k) * period;
        EXPECT_GE(projected, start + period) << "fire " << k << " came early";
        earliestStart = std::min(earliestStart, projected);
    }
    EXPECT_LT(earliestStart, start + 2 * period + milliseconds(10));
}

// The gap from each of these fires to the nearest of those, in ms, smallest first.
std::vector<double> SortedGapsToNearest(const std::vector<Clock::time_point>& these,
                                        const std::vector<Clock::time_point>& those) {
    std::vector<double> gaps;
    for (const auto t : these) {
        double nearest = 1e9;
        for (const auto u : those) {
            nearest = std::min(nearest, std::abs(ms(t - u)));
        }
        gaps.push_back(nearest);
    }
    std::sort(gaps.begin(), gaps.end());
    return gaps;
}

TEST(MultimediaTimer, PeriodicTimerKeepsItsAbsoluteScheduleThroughSlowCallbacks) {
    // Every 7th callback blocks for one and a half periods. A timer that scheduled from the end of
    // its callbacks would lose about half a period each time (some 7 fires over the run).
    constexpr auto kPeriod = milliseconds(100);
    constexpr int kPeriods = 50;
    FireLog log;
    log.slowEvery = 7;
    log.slowFor = milliseconds(150);
    const auto start = Clock::now();
    const UINT id =
        timeSetEvent(kPeriod.count(), 1, logFire, reinterpret_cast<DWORD_PTR>(&log), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    // Sample half a period after the last expected fire; on a loaded machine this thread may
    // wake later, so the fires due are counted up to when it did.
    std::this_thread::sleep_until(start + kPeriods * kPeriod + kPeriod / 2);
    const auto sampled = Clock::now();
    const int fired = log.fires;
    ASSERT_EQ(timeKillEvent(id), TIMERR_NOERROR);
    const int dueBySample = static_cast<int>((sampled - start) / kPeriod);
    EXPECT_LE(fired, dueBySample);
    EXPECT_GE(fired, dueBySample - 1);

    // No fire comes before its due time; the lateness of the fires that no slow callback delayed
    // is the timer's jitter.
    const auto times = log.snapshot();
    std::vector<double> lateness;
    for (std::size_t k = 0; k < times.size(); ++k) {
        const auto due = start + static_cast<int>(k + 1) * kPeriod;
        EXPECT_GE(times[k], due) << "fire " << k << " came early";
        if (k % 7 != 3) { // the fire after a slow one is late by design
            lateness.push_back(ms(times[k] - due));
        }
    }
    std::sort(lateness.begin(), lateness.end());
    ASSERT_FALSE(lateness.empty());
    std::printf("fires %d of %d; lateness ms: median %.3f, max %.3f\n", fired, kPeriods,
                lateness[lateness.size() / 2], lateness.back());
}

TEST(MultimediaTimer, LongStallSkipsMissedPeriodsBeyondTheCatchUpBound) {
    // The third callback blocks for a hundred periods. What follows is judged from the times
    // the callbacks themselves saw, not from how long this thread slept: on a loaded machine
    // both the stall and the test's own waits run long.
    constexpr auto kPeriod = milliseconds(10);
    constexpr auto kStall = milliseconds(1000);
    constexpr long kBound = static_cast<long>(platform::kTimerMaxCatchUp);
    FireLog log;
    log.slowEvery = 1000; // only the 3rd callback stalls
    log.slowFor = kStall;
    const UINT id =
        timeSetEvent(kPeriod.count(), 1, logFire, reinterpret_cast<DWORD_PTR>(&log), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    // The catch-up and ten periods more.
    const int wanted = 3 + static_cast<int>(kBound) + 1 + 10;
    const auto limit = Clock::now() + std::chrono::seconds(20);
    while (log.fires < wanted && Clock::now() < limit) {
        std::this_thread::sleep_for(milliseconds(5));
    }
    ASSERT_EQ(timeKillEvent(id), TIMERR_NOERROR);
    const auto times = log.snapshot();
    ASSERT_GE(times.size(), static_cast<std::size_t>(wanted));
    ASSERT_TRUE(log.stallEnd.has_value());
    const auto stallEnd = *log.stallEnd;
    const auto last = times.back();

    // Every callback after the stalled one: the periods owed at the stall's end, as far as the
    // bound allows, then one a period. Each due time fires once and never early, so in
    // stallEnd ... last at most kBound + 1 fires are owed from before, and one is due per period.
    const long after = static_cast<long>(times.size()) - 3;
    const long periods = static_cast<long>((last - stallEnd) / kPeriod);
    std::printf("after a %.0f ms stall: %ld fires in %.1f ms\n", ms(stallEnd - times[2]), after,
                ms(last - stallEnd));
    // Without the bound, about a hundred callbacks would follow the stall at once.
    EXPECT_LE(after, kBound + 1 + periods + 1);
    // The owed callbacks follow each other without waiting a period: most of the gaps between
    // the first ones are far below a period (a timer that skipped every missed period would
    // show one period each).
    std::vector<double> gaps;
    for (std::size_t k = 3; k < 3 + static_cast<std::size_t>(kBound); ++k) {
        gaps.push_back(ms(times[k + 1] - times[k]));
    }
    std::sort(gaps.begin(), gaps.end());
    EXPECT_LT(gaps[gaps.size() / 2], ms(kPeriod) / 2) << "the missed periods were not caught up";
}

TEST(MultimediaTimer, TimersWithAResolutionFallDueTogetherAndNeverEarly) {
    // Two 40 ms timers started 15 ms apart, each allowing 40 ms of resolution, share one grid:
    // they fire in the same wake of the timer thread. With a resolution of 0 they would stay
    // 15 ms apart.
    constexpr auto kPeriod = milliseconds(40);
    FireLog first;
    FireLog second;
    const auto start = Clock::now();
    const UINT a = timeSetEvent(kPeriod.count(), kPeriod.count(), logFire,
                                reinterpret_cast<DWORD_PTR>(&first), TIME_PERIODIC);
    std::this_thread::sleep_for(milliseconds(15));
    const auto secondStart = Clock::now();
    const UINT b = timeSetEvent(kPeriod.count(), kPeriod.count(), logFire,
                                reinterpret_cast<DWORD_PTR>(&second), TIME_PERIODIC);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    while (second.fires < 6) {
        std::this_thread::sleep_for(milliseconds(5));
    }
    ASSERT_EQ(timeKillEvent(a), TIMERR_NOERROR);
    ASSERT_EQ(timeKillEvent(b), TIMERR_NOERROR);
    const auto one = first.snapshot();
    const auto two = second.snapshot();
    ASSERT_GE(one.size(), 1u);
    EXPECT_GE(one[0], start + kPeriod) << "a resolution never makes a timer early";
    ExpectOnScheduleFromAStartWithinOnePeriod(two, secondStart, kPeriod);
    // From each fire of the second timer to the nearest fire of the first: a wake that served
    // both has no gap; a loaded machine may delay one of them now and then.
    const auto gaps = SortedGapsToNearest(two, one);
    EXPECT_LT(gaps[gaps.size() / 2], 5.0) << "the two timers do not fall due together";
}

TEST(MultimediaTimer, ACoarserTimerWaitsWithinItsResolutionForTheNextCallbackOfAFinerOne) {
    // The meter windows' timers: 40 ms and 100 ms, each allowing its period of resolution. On
    // their grids alone every other 100 ms callback would come 20 ms away from any 40 ms one and
    // wake the timer thread for itself; waiting for the next 40 ms callback it shares that wake.
    constexpr auto kTick = milliseconds(40);
    constexpr auto kPoll = milliseconds(100);
    FireLog ticks;
    FireLog polls;
    const auto start = Clock::now();
    const UINT tick = timeSetEvent(kTick.count(), kTick.count(), logFire,
                                   reinterpret_cast<DWORD_PTR>(&ticks), TIME_PERIODIC);
    const UINT poll = timeSetEvent(kPoll.count(), kPoll.count(), logFire,
                                   reinterpret_cast<DWORD_PTR>(&polls), TIME_PERIODIC);
    ASSERT_NE(tick, 0u);
    ASSERT_NE(poll, 0u);
    while (polls.fires < 12) {
        std::this_thread::sleep_for(milliseconds(5));
    }
    ASSERT_EQ(timeKillEvent(poll), TIMERR_NOERROR);
    ASSERT_EQ(timeKillEvent(tick), TIMERR_NOERROR);
    const auto one = ticks.snapshot();
    const auto two = polls.snapshot();
    // Never early, and never more than the resolution late.
    ExpectOnScheduleFromAStartWithinOnePeriod(two, start, kPoll);
    // Each 100 ms callback came in the wake of a 40 ms one. A loaded machine delays a wake, not
    // one of its callbacks alone; three in four must be near.
    const auto gaps = SortedGapsToNearest(two, one);
    EXPECT_LT(gaps[gaps.size() * 3 / 4], 5.0) << "the 100 ms timer woke the thread for itself";
    // The 40 ms timer keeps its own schedule: it never waits for the coarser one.
    std::vector<double> tickGaps;
    for (std::size_t k = 1; k < one.size(); ++k) {
        tickGaps.push_back(ms(one[k] - one[k - 1]));
    }
    std::sort(tickGaps.begin(), tickGaps.end());
    EXPECT_NEAR(tickGaps[tickGaps.size() / 2], ms(kTick), 5.0);
}

TEST(MultimediaTimer, ArgumentsAreCheckedAndIdsAreNeverZeroOrReused) {
    FireLog log;
    const auto user = reinterpret_cast<DWORD_PTR>(&log);
    EXPECT_EQ(timeSetEvent(0, 1, logFire, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(65536, 1, logFire, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(10, 1, nullptr, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(10, 1, logFire, user, 0x10 /* event callback */), 0u);
    EXPECT_EQ(timeKillEvent(0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(timeKillEvent(0xFFFFFFF0u), MMSYSERR_INVALPARAM);

    std::set<UINT> ids;
    for (int i = 0; i < 500; ++i) {
        const UINT id = timeSetEvent(i % 2 ? 65535 : 1000, 0, logFire, user,
                                     i % 3 ? TIME_PERIODIC : TIME_ONESHOT | TIME_KILL_SYNCHRONOUS);
        ASSERT_NE(id, 0u);
        EXPECT_TRUE(ids.insert(id).second) << "id " << id << " reused";
        ASSERT_EQ(timeKillEvent(id), TIMERR_NOERROR);
        EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
    }
    EXPECT_EQ(log.fires.load(), 0);
}

TEST(MultimediaTimer, OneShotFiresOnceAndIsThenGone) {
    FireLog log;
    const UINT id = timeSetEvent(20, 1, logFire, reinterpret_cast<DWORD_PTR>(&log), TIME_ONESHOT);
    ASSERT_NE(id, 0u);
    std::this_thread::sleep_for(milliseconds(250));
    EXPECT_EQ(log.fires.load(), 1);
    EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
}

// What callbacks do to timers from the timer thread itself.
struct SelfKill {
    std::atomic<int> fires{0};
    std::atomic<MMRESULT> killResult{0xFFFF};
    std::atomic<UINT> victim{0};
    std::atomic<UINT> spawned{0};
};

void killSelfOnThird(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* s = reinterpret_cast<SelfKill*>(user);
    if (++s->fires == 3) {
        s->killResult = timeKillEvent(id);
        // Also kill another timer and start a new one from here.
        timeKillEvent(s->victim);
        s->spawned = timeSetEvent(
            5, 1,
            [](UINT, UINT, DWORD_PTR u, DWORD_PTR, DWORD_PTR) {
                reinterpret_cast<SelfKill*>(u)->fires += 100;
            },
            user, TIME_ONESHOT);
    }
}

TEST(MultimediaTimer, CallbackCanKillItsOwnAndOtherTimersWithoutDeadlock) {
    SelfKill self;
    FireLog victimLog;
    self.victim =
        timeSetEvent(1000, 1, logFire, reinterpret_cast<DWORD_PTR>(&victimLog), TIME_PERIODIC);
    const UINT id =
        timeSetEvent(10, 1, killSelfOnThird, reinterpret_cast<DWORD_PTR>(&self), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_EQ(self.killResult.load(), TIMERR_NOERROR);
    EXPECT_EQ(self.fires.load(), 103); // three of its own, then the one-shot it started
    EXPECT_NE(self.spawned.load(), 0u);
    EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
    EXPECT_EQ(timeKillEvent(self.victim), MMSYSERR_INVALPARAM);
    EXPECT_EQ(victimLog.fires.load(), 0);
}

// A callback that notices it runs after its timer's timeKillEvent returned.
std::atomic<int> lateCallbacks{0};

struct Probe {
    std::atomic<bool> killed{false};
};

void probeCallback(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* probe = reinterpret_cast<Probe*>(user);
    if (probe->killed) {
        ++lateCallbacks;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200)); // let kills meet running callbacks
    if (probe->killed) {
        ++lateCallbacks;
    }
}

TEST(MultimediaTimer, NoCallbackRunsAfterKillReturnsUnderStress) {
    lateCallbacks = 0;
    constexpr int kThreads = 4;
    constexpr int kRounds = 150;
    std::vector<std::unique_ptr<Probe>> probes(kThreads * kRounds);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 rng(t);
            for (int r = 0; r < kRounds; ++r) {
                auto& probe = probes[t * kRounds + r];
                probe = std::make_unique<Probe>();
                const UINT flags = r % 4 == 0 ? TIME_ONESHOT : TIME_PERIODIC;
                const UINT id = timeSetEvent(1 + rng() % 3, 1, probeCallback,
                                             reinterpret_cast<DWORD_PTR>(probe.get()), flags);
                ASSERT_NE(id, 0u);
                std::this_thread::sleep_for(std::chrono::microseconds(rng() % 4000));
                const MMRESULT rc = timeKillEvent(id);
                // A one-shot timer that has finished is gone; a periodic one is always there.
                if (flags == TIME_PERIODIC) {
                    EXPECT_EQ(rc, TIMERR_NOERROR);
                }
                probe->killed = true;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::this_thread::sleep_for(milliseconds(50)); // a stray callback would show up by now
    EXPECT_EQ(lateCallbacks.load(), 0);
}

TEST(MultimediaTimer, ProcessExitsCleanlyWhileTimersRun) {
    {
        orv_test::ChildProcess child({orv_test::program("platform_timer_exit"), "return"});
        ASSERT_TRUE(child.started());
        const int status = child.wait(10000);
        ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    {
        orv_test::ChildProcess child(
            {orv_test::program("platform_timer_exit"), "exit-in-callback"});
        const int status = child.wait(10000);
        ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
        EXPECT_EQ(WEXITSTATUS(status), 7);
    }
}

} // namespace

// Ends a process while multimedia timers run, in the way named by the first argument:
//   return            main returns while several timers run (one of them in a slow callback)
//   exit-in-callback  a timer callback calls exit(7)
// Static objects whose destructors kill timers exist before and after the timer thread starts.
// Exit code 0 (7 for exit-in-callback) means the process ended cleanly.
#include "platform/winmm.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

std::atomic<int> fires{0};

void count(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    ++fires;
}

void slow(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    ++fires;
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
}

void leave(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    std::exit(7);
}

// Kills its timer when destroyed, as a window would.
struct TimerOwner {
    UINT id = 0;
    void start(UINT delay) { id = timeSetEvent(delay, 1, count, 0, TIME_PERIODIC); }
    ~TimerOwner() {
        if (id != 0 && timeKillEvent(id) != TIMERR_NOERROR) {
            std::_Exit(3);
        }
    }
};

TimerOwner before; // constructed before the timer thread, destroyed after it stopped

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    before.start(3);
    static TimerOwner after; // constructed after the timer thread, destroyed before it stops
    after.start(2);
    if (mode == "exit-in-callback") {
        timeSetEvent(30, 1, leave, 0, TIME_ONESHOT);
        std::this_thread::sleep_for(std::chrono::seconds(5));
        return 1; // the callback should have ended the process
    }
    if (mode != "return") {
        return 2;
    }
    timeSetEvent(1, 1, count, 0, TIME_PERIODIC); // never killed
    timeSetEvent(5, 1, slow, 0, TIME_PERIODIC);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return fires > 0 ? 0 : 4;
}

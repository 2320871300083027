#include "toolkit/message_queue.h"

#include "toolkit/application.h"
#include "toolkit/win_control.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace toolkit {
namespace {

struct Posted {
    HWND handle = nullptr;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::function<void()> task; // instead of a message, when set
};

// The queue keeps its storage: once it has grown to the largest backlog seen, posting and
// delivering allocate nothing.
class Ring {
public:
    bool empty() const { return size_ == 0; }
    void push(Posted&& m) {
        if (size_ == slots_.size()) {
            grow();
        }
        slots_[(head_ + size_) % slots_.size()] = std::move(m);
        ++size_;
    }
    Posted pop() {
        Posted& slot = slots_[head_];
        Posted m = std::move(slot);
        slot.task = nullptr; // what a task holds goes with it, not with the slot
        head_ = (head_ + 1) % slots_.size();
        --size_;
        return m;
    }

private:
    void grow() {
        std::vector<Posted> larger(std::max<std::size_t>(16, 2 * slots_.size()));
        for (std::size_t i = 0; i < size_; ++i) {
            larger[i] = std::move(slots_[(head_ + i) % slots_.size()]);
        }
        slots_ = std::move(larger);
        head_ = 0;
    }

    std::vector<Posted> slots_;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
};

struct State {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, TWinControl*> windows;
    std::uintptr_t nextHandle = 0x10000;
    Ring queue;
    std::uint64_t posted = 0;    // messages queued in all, the number of the next one
    std::uint64_t delivered = 0; // messages taken from the queue in all
    bool wakeOutstanding = false;
    std::function<void()> waker;
};

State& state() {
    static State* s = new State; // outlives every static destructor that may still post
    return *s;
}

// Caller holds the lock. Asks for a wake unless one is outstanding; returns the waker to call
// once the lock is released, or an empty function. (A copy: the waker may be replaced
// meanwhile. Ours holds nothing, so copying it allocates nothing.)
std::function<void()> wakeLocked(State& s) {
    if (s.wakeOutstanding || !s.waker || s.queue.empty()) {
        return {};
    }
    s.wakeOutstanding = true;
    return s.waker;
}

// Delivers the oldest message if it was queued before the given number; taken tells whether a
// message was taken from the queue (also when its handler then fails).
void deliverOneBefore(std::uint64_t bound, bool& taken) {
    State& s = state();
    Posted m;
    {
        std::lock_guard lock(s.mutex);
        taken = !s.queue.empty() && s.delivered < bound;
        if (!taken) {
            return;
        }
        m = s.queue.pop();
        ++s.delivered;
    }
    if (m.task) {
        m.task();
    } else if (TWinControl* target = FindControl(m.handle)) {
        target->Perform(m.msg, m.wParam, m.lParam);
    }
    // What the message changed goes to the window system as one request per control.
    TWinControl::FlushDeferredRepaints();
}

} // namespace

HWND AllocateWindowHandle(TWinControl* control) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    std::uintptr_t id = s.nextHandle;
    s.nextHandle += 4;
    s.windows.emplace(id, control);
    return reinterpret_cast<HWND>(id);
}

void ReleaseWindowHandle(HWND handle) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.windows.erase(reinterpret_cast<std::uintptr_t>(handle));
}

TWinControl* FindControl(HWND handle) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    auto it = s.windows.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == s.windows.end() ? nullptr : it->second;
}

bool IsLiveWindowHandle(HWND handle) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.windows.count(reinterpret_cast<std::uintptr_t>(handle)) != 0;
}

bool PostWindowMessage(HWND handle, UINT msg, WPARAM wParam, LPARAM lParam) {
    State& s = state();
    std::function<void()> wake;
    {
        std::lock_guard lock(s.mutex);
        if (s.windows.count(reinterpret_cast<std::uintptr_t>(handle)) == 0) {
            return false;
        }
        s.queue.push({handle, msg, wParam, lParam, {}});
        ++s.posted;
        wake = wakeLocked(s);
    }
    if (wake) {
        wake();
    }
    return true;
}

bool DeliverOnePostedMessage() {
    bool taken = false;
    deliverOneBefore(UINT64_MAX, taken);
    return taken;
}

void PostTask(std::function<void()> task) {
    State& s = state();
    std::function<void()> wake;
    {
        std::lock_guard lock(s.mutex);
        s.queue.push({nullptr, 0, 0, 0, std::move(task)});
        ++s.posted;
        wake = wakeLocked(s);
    }
    if (wake) {
        wake();
    }
}

bool HasPostedMessages() {
    State& s = state();
    std::lock_guard lock(s.mutex);
    return !s.queue.empty();
}

void SetPostedMessageWaker(std::function<void()> waker) {
    State& s = state();
    std::function<void()> wake;
    {
        std::lock_guard lock(s.mutex);
        s.waker = std::move(waker);
        // Messages posted before there was a waker wait for the first wake.
        s.wakeOutstanding = false;
        wake = wakeLocked(s);
    }
    if (wake) {
        wake();
    }
}

std::size_t DeliverPostedMessagesOfThisWake() {
    TWinControl::RepaintRound round;
    State& s = state();
    std::uint64_t bound = 0;
    {
        std::lock_guard lock(s.mutex);
        s.wakeOutstanding = false; // a message posted from here on asks for a wake again
        bound = s.posted;
    }
    std::size_t count = 0;
    while (true) {
        bool taken = false;
        // The message is taken from the queue before its handler runs: a handler that fails
        // still leaves the round going on to the next message.
        Guard([&taken, bound] { deliverOneBefore(bound, taken); });
        if (!taken) {
            return count;
        }
        ++count;
    }
}

void RequestWakeIfMessagesWait() {
    State& s = state();
    std::function<void()> wake;
    {
        std::lock_guard lock(s.mutex);
        wake = wakeLocked(s);
    }
    if (wake) {
        wake();
    }
}

} // namespace toolkit

#include "toolkit/message_queue.h"

#include "toolkit/win_control.h"

#include <deque>
#include <mutex>
#include <unordered_map>

namespace toolkit {
namespace {

struct Posted {
    HWND handle;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    std::function<void()> task; // instead of a message, when set
};

struct State {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, TWinControl*> windows;
    std::uintptr_t nextHandle = 0x10000;
    std::deque<Posted> queue;
    std::function<void()> waker;
};

State& state() {
    static State* s = new State; // outlives every static destructor that may still post
    return *s;
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
    std::function<void()> waker;
    {
        std::lock_guard lock(s.mutex);
        if (s.windows.count(reinterpret_cast<std::uintptr_t>(handle)) == 0) {
            return false;
        }
        bool wasEmpty = s.queue.empty();
        s.queue.push_back({handle, msg, wParam, lParam, {}});
        if (wasEmpty) {
            waker = s.waker;
        }
    }
    if (waker) {
        waker();
    }
    return true;
}

bool DeliverOnePostedMessage() {
    State& s = state();
    Posted m{};
    {
        std::lock_guard lock(s.mutex);
        if (s.queue.empty()) {
            return false;
        }
        m = std::move(s.queue.front());
        s.queue.pop_front();
    }
    if (m.task) {
        m.task();
    } else if (TWinControl* target = FindControl(m.handle)) {
        target->Perform(m.msg, m.wParam, m.lParam);
    }
    // What the message changed goes to the window system as one request per control.
    TWinControl::FlushDeferredRepaints();
    return true;
}

void PostTask(std::function<void()> task) {
    State& s = state();
    std::function<void()> waker;
    {
        std::lock_guard lock(s.mutex);
        bool wasEmpty = s.queue.empty();
        s.queue.push_back({nullptr, 0, 0, 0, std::move(task)});
        if (wasEmpty) {
            waker = s.waker;
        }
    }
    if (waker) {
        waker();
    }
}

bool HasPostedMessages() {
    State& s = state();
    std::lock_guard lock(s.mutex);
    return !s.queue.empty();
}

void SetPostedMessageWaker(std::function<void()> waker) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.waker = std::move(waker);
}

} // namespace toolkit

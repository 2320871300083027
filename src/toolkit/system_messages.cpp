#include "toolkit/system_messages.h"

#include "platform/system_messages.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/message_queue.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace toolkit {
namespace {

// A device change on its way from the listener's thread to the windows and back.
struct PendingMessage {
    UINT msg = 0;
    WPARAM wParam = 0;
    std::vector<std::uint64_t> record; // aligned for the records that lParam points to
    bool hasRecord = false;
    bool done = false;
    LRESULT result = 0;
};

std::mutex pendingMutex;
std::condition_variable pendingDone;
bool listening = false; // guarded by pendingMutex; false releases every waiting sender

platform::DeliveryResult receive(const platform::SystemMessage& message) {
    auto pending = std::make_shared<PendingMessage>();
    pending->msg = message.msg;
    pending->wParam = message.wParam;
    if (!message.record.empty()) {
        pending->record.resize((message.record.size() + 7) / 8);
        std::memcpy(pending->record.data(), message.record.data(), message.record.size());
        pending->hasRecord = true;
    }
    {
        std::lock_guard lock(pendingMutex);
        if (!listening) {
            return {platform::DeliveryStatus::NoAnswer, 0};
        }
    }
    PostTask([pending] {
        LPARAM lParam = pending->hasRecord ? reinterpret_cast<LPARAM>(pending->record.data()) : 0;
        LRESULT result = BroadcastToTopLevelWindows(pending->msg, pending->wParam, lParam);
        {
            std::lock_guard lock(pendingMutex);
            pending->done = true;
            pending->result = result;
        }
        pendingDone.notify_all();
    });
    std::unique_lock lock(pendingMutex);
    pendingDone.wait_for(lock, std::chrono::milliseconds(kDeviceChangeAnswerMs),
                         [&] { return pending->done || !listening; });
    if (pending->done) {
        return {platform::DeliveryStatus::Delivered, pending->result};
    }
    return {platform::DeliveryStatus::NoAnswer, 0};
}

void endSignal(int) {
    PostToTopLevelWindows(WM_ENDSESSION, TRUE, 0);
}

} // namespace

LRESULT BroadcastToTopLevelWindows(UINT msg, WPARAM wParam, LPARAM lParam) {
    std::vector<HWND> windows;
    if (Application != nullptr) {
        for (TCustomForm* form : Application->Forms()) {
            windows.push_back(form->Handle());
        }
    }
    bool denied = false;
    LRESULT last = 0;
    for (HWND window : windows) {
        TWinControl* control = FindControl(window);
        if (control == nullptr) {
            continue; // freed by an earlier window's handling
        }
        last = control->Perform(msg, wParam, lParam);
        if ((msg == WM_QUERYENDSESSION && last == FALSE) ||
            (msg == WM_DEVICECHANGE && last == BROADCAST_QUERY_DENY)) {
            denied = true;
        }
    }
    switch (msg) {
    case WM_QUERYENDSESSION:
        return denied ? FALSE : TRUE;
    case WM_DEVICECHANGE:
        return denied ? BROADCAST_QUERY_DENY : TRUE;
    default:
        return last;
    }
}

void PostToTopLevelWindows(UINT msg, WPARAM wParam, LPARAM lParam) {
    PostTask([msg, wParam, lParam] { BroadcastToTopLevelWindows(msg, wParam, lParam); });
}

bool QuerySessionEnd() {
    return BroadcastToTopLevelWindows(WM_QUERYENDSESSION, 0, 0) != FALSE;
}

void NotifySessionEnd() {
    PostToTopLevelWindows(WM_ENDSESSION, TRUE, 0);
}

bool StartSystemMessages(std::string& error) {
    if (platform::systemMessageListenerRunning()) {
        error = "the system's messages are listened to already";
        return false;
    }
    {
        std::lock_guard lock(pendingMutex);
        listening = true;
    }
    if (!platform::startSystemMessageListener(&receive, &endSignal, error)) {
        std::lock_guard lock(pendingMutex);
        listening = false;
        return false;
    }
    return true;
}

void StopSystemMessages() {
    {
        std::lock_guard lock(pendingMutex);
        listening = false;
    }
    pendingDone.notify_all();
    platform::stopSystemMessageListener();
}

} // namespace toolkit

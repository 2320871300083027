// Window handles and the posted-message queue. Handles are ids that are never reused; a
// message posted to a window that no longer exists when it is delivered is dropped. Posting
// is safe from any thread; delivery happens on the user-interface thread.
#pragma once

#include "platform/win_types.h"

#include <functional>

namespace toolkit {

class TWinControl;

HWND AllocateWindowHandle(TWinControl* control);
void ReleaseWindowHandle(HWND handle);
// The control that owns a live handle, or nullptr. User-interface thread only.
TWinControl* FindControl(HWND handle);
bool IsLiveWindowHandle(HWND handle);

// Queues a message; false when the handle names no live window at this moment.
bool PostWindowMessage(HWND handle, UINT msg, WPARAM wParam, LPARAM lParam);
// Delivers the oldest queued message (or drops it when its window is gone); false when the
// queue was empty.
bool DeliverOnePostedMessage();
// Queues a piece of work for the user-interface thread; it runs in turn with the posted
// messages, as one of them. Safe from any thread.
void PostTask(std::function<void()> task);
bool HasPostedMessages();
// The backend's way to wake its event loop when a message arrives in an empty queue. Called
// on the posting thread.
void SetPostedMessageWaker(std::function<void()> waker);

} // namespace toolkit

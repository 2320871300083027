// Window handles and the posted-message queue. Handles are ids that are never reused; a
// message posted to a window that no longer exists when it is delivered is dropped. Posting
// is safe from any thread; delivery happens on the user-interface thread.
#pragma once

#include "platform/win_types.h"

#include <cstddef>
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

// Waking the backend's event loop. The waker is called on the posting thread when a message
// arrives and no wake is outstanding; the backend answers a wake, on the user-interface
// thread, with DeliverPostedMessagesOfThisWake, which ends the outstanding wake. So a burst
// of posts costs one wake, and one round of delivery.
void SetPostedMessageWaker(std::function<void()> waker);
// Delivers the messages queued at the moment of the call, oldest first, each as
// DeliverOnePostedMessage does and each on its own guard (a handler's error is reported and
// the next message still comes). Messages posted meanwhile, also by these handlers, asked for
// a wake of their own and come in the next round: a handler that posts again cannot shut out
// the window system's input and paint events. A nested loop run by one of these handlers
// delivers the rest of the round itself (see RequestWakeIfMessagesWait). Returns the number of
// messages delivered or dropped.
std::size_t DeliverPostedMessagesOfThisWake();
// For a loop that is about to wait: asks for a wake when messages are queued that no
// outstanding wake will deliver. That happens only while a round of delivery is under way
// further up the stack, in a handler that runs a loop of its own (a message box, a menu).
void RequestWakeIfMessagesWait();

} // namespace toolkit

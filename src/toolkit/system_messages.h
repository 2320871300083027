// The system's messages as the program's windows receive them: what the system broadcasts
// reaches every top-level window, shown or hidden, as on Windows. From outside the process
// come device changes (over the platform's per-user channel), the signals that ask the program
// to end, and the session manager's question and notice (through the windowing backend).
//
//   device change            WM_DEVICECHANGE, sent; the sender gets the windows' answer
//   SIGTERM, SIGINT, SIGHUP  WM_ENDSESSION with wParam TRUE, posted
//   session ends (question)  WM_QUERYENDSESSION, sent; any FALSE cancels the end
//   session ends (notice)    WM_ENDSESSION with wParam TRUE, posted
#pragma once

#include "platform/win_types.h"

#include <string>

// The answer of a window that refuses a device change query.
constexpr LRESULT BROADCAST_QUERY_DENY = 0x424D5144;

namespace toolkit {

// Sends the message to every top-level window (every form), in the order of their creation;
// a window freed by an earlier one's handling is passed over. The answers are combined:
// WM_QUERYENDSESSION gives FALSE when any window answered FALSE, else TRUE; WM_DEVICECHANGE
// gives BROADCAST_QUERY_DENY when any window answered so, else TRUE; any other message gives
// the last window's answer (0 when there is no window). User-interface thread only.
LRESULT BroadcastToTopLevelWindows(UINT msg, WPARAM wParam, LPARAM lParam);
// Queues the message; it is sent to the top-level windows that exist when its turn comes.
// Safe from any thread.
void PostToTopLevelWindows(UINT msg, WPARAM wParam, LPARAM lParam);

// The session manager asks whether the session may end: true when every window agrees.
bool QuerySessionEnd();
// The session ends: WM_ENDSESSION (TRUE) is posted to every top-level window.
void NotifySessionEnd();

// Starts and stops listening to the messages that come from outside the process. While it
// listens, a device change waits for the windows' answer for at most kDeviceChangeAnswerMs.
// False with a reason when nothing could be set up; error also tells of a part that failed
// while the rest works.
constexpr int kDeviceChangeAnswerMs = 12000;
bool StartSystemMessages(std::string& error);
void StopSystemMessages();

} // namespace toolkit

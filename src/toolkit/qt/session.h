// The desktop session manager's requests (X11 session management through Qt) as the system's
// messages: its question whether the session may end becomes WM_QUERYENDSESSION, its order to
// end (Qt hands it on as a quit event to the application) WM_ENDSESSION.
#pragma once

namespace toolkit::qt {

void InstallSessionWatch();

} // namespace toolkit::qt

// The window messages that the program's windows send each other across layers: the meter
// windows, the settings dialog and the control window that opens them all.
#pragma once

#include "platform/win_types.h"

namespace controls {

// Posted by a window that the control window opened (a meter window, a settings dialog) to the
// control window when it closes: wParam 0, lParam the closing window's handle. Handles are never
// reused, so the control window can tell which of its windows closed, also after that window is
// gone.
constexpr UINT WM_FORMCLOSED = WM_USER + 100;

} // namespace controls

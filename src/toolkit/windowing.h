// Starting the windowing backend, and what tests and tools need of it.
#pragma once

#include "platform/win_types.h"
#include "toolkit/types.h"
#include "toolkit/win_control.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace toolkit {

class TWinControl;

// Starts the backend once per process (the program takes no command line, so the backend is
// given none). Creates the application object if there is none. The program's name is what
// the desktop knows its windows by; empty: the name of the running program's file.
void InitializeWindowing(const std::string& programName = {});
// Frees the native widgets whose controls are gone (they are freed late, after the events
// that may be running in them).
void FlushDeferredDeletes();

// A control as it is drawn now. On a screen scaled by a whole factor every pixel of the control
// is scale × scale pixels of the screen; pixels holds those, row by row, 0x00RRGGBB each.
struct Snapshot {
    int width = 0; // in the control's pixels
    int height = 0;
    int scale = 1;
    std::vector<std::uint32_t> pixels;
    // The control's pixel (its screen pixel at the top left) as a TColor (0x00BBGGRR).
    TColor PixelAt(int x, int y) const;
};
Snapshot GrabControl(TWinControl* control);
// The control's area as its window shows it now, without painting anything anew: what the
// repaints so far have left on the screen.
Snapshot GrabOnScreen(TWinControl* control);
bool SaveSnapshot(TWinControl* control, const std::string& pngPath);

// Input as the user gives it, for tests and tools: delivered through the backend's own event
// handling to the control's native widget, or to the child widget at the point (a tab, a
// scroll bar). Points are in the control's client coordinates.
void SimulateMouse(TWinControl* control, MouseAction action, TMouseButton button, int x, int y);
// A press and release of the left button.
void SimulateClick(TWinControl* control, int x, int y);
// A key press and release, by Windows virtual-key code (VK_RETURN, VK_DOWN, ...).
void SimulateKey(TWinControl* control, int virtualKey);
// Typing text, character by character, into the control.
void SimulateTyping(TWinControl* control, const std::string& text);
// The icon of windows that have none of their own.
void SetApplicationIcon(HICON icon);

// Backend warnings (tests fail on them); without a handler they go to stderr.
void SetWarningHandler(std::function<void(const std::string&)> handler);

} // namespace toolkit

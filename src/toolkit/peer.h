// The seam between the toolkit's windowed controls and the windowing backend. Each windowed
// control owns a peer, a native widget of the kind it asks for; the control pushes its stored
// properties to the peer, and the peer reports what the user did by calling the control's
// Peer... methods. Nothing here knows the backend.
#pragma once

#include "platform/win_types.h"
#include "toolkit/graphics.h"
#include "toolkit/picture.h"
#include "toolkit/types.h"
#include "toolkit/win_ui.h"

#include <memory>
#include <string>
#include <vector>

namespace toolkit {

class TWinControl;
class TPicture;

enum class PeerKind {
    Form,
    Container, // a plain area that the toolkit paints itself (panels and their lamps, ...)
    ScrollBox,
    Button,
    CheckBox,
    RadioButton,
    GroupBox,
    Edit,
    ComboBox,
    TrackBar,
    PageControl,
    TabSheet,
};

// The width of a vertical (and the height of a horizontal) scroll bar, as on the classic
// desktop; the backend draws its bars so.
constexpr int kScrollBarSize = 16;

struct ScrollBarSpec {
    bool visible = true; // the bar may be shown
    int increment = 8;
    int margin = 0;
    bool shown = false; // the toolkit decided that the bar is shown (the content needs it)
};

// One entry of a popup menu as the backend shows it. Command 0 means no command.
struct MenuItemSpec {
    int command = 0;
    std::string caption; // '&' marks the accelerator
    bool separator = false;
    bool enabled = true;
    bool checked = false;
    std::vector<MenuItemSpec> items; // a submenu when not empty
};

struct FormSpec {
    TBorderStyle borderStyle = TBorderStyle::bsSizeable;
    bool stayOnTop = false;
    bool modal = false;
};

class WidgetPeer {
public:
    virtual ~WidgetPeer() = default;

    // Common to every kind. Bounds are in the parent's client coordinates; a form's bounds are
    // its client area on the screen.
    virtual void setParent(WidgetPeer* parent) = 0;
    virtual void setBounds(const TRect& bounds) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setColor(TColor rgb) = 0;
    virtual void setFont(const TFont& font) = 0;
    virtual void setText(const std::string& text) = 0;
    virtual void setHint(const std::string& hint, bool show) = 0;
    virtual void setCursor(TCursor cursor) = 0;
    // Schedules a repaint of a rectangle in client coordinates.
    virtual void invalidate(const TRect& rect) = 0;
    virtual void invalidateAll() = 0;
    // Carries out pending repaints now.
    virtual void update() = 0;
    virtual void setFocus() = 0;
    virtual bool hasFocus() const = 0;
    virtual void bringToFront() = 0;
    virtual void sendToBack() = 0;
    virtual TPoint clientToScreen(TPoint p) const = 0;
    virtual TPoint screenToClient(TPoint p) const = 0;

    // Check boxes and radio buttons.
    virtual void setChecked(bool) {}
    // Push buttons: drawn as the default button.
    virtual void setDefault(bool) {}
    // Edits.
    virtual void setReadOnly(bool) {}
    // Combo boxes.
    virtual void setItems(const std::vector<std::string>&) {}
    virtual void setItemIndex(int) {}
    virtual void setDropDownCount(int) {}
    // Track bars.
    virtual void setRange(int, int) {}
    virtual void setPosition(int) {}
    virtual void setPageSize(int) {}
    // Track bars: the step of the arrow keys, a tick mark every so many positions (0: none).
    virtual void setLineSize(int) {}
    virtual void setTickFrequency(int) {}
    // Scroll boxes: the extent of the content and the bars; a single (sunken, 2 pixels)
    // border or none; how far the content is scrolled.
    virtual void setScrollBars(const ScrollBarSpec&, const ScrollBarSpec&) {}
    virtual void setContentExtent(int, int) {}
    virtual void setBorder(bool) {}
    virtual TPoint scrollPosition() const { return {}; }
    virtual void setScrollPosition(TPoint) {}
    // Page controls: the pages' captions and which one is shown (-1: none).
    virtual void setPages(const std::vector<std::string>&, int) {}
    virtual void setTabWidth(int) {}
    virtual void setTabHeight(int) {}
    // Forms.
    virtual void setForm(const FormSpec&) {}
    virtual void setIcon(HICON) {}
    virtual void setWindowState(TWindowState) {}
    virtual TWindowState windowState() const { return TWindowState::wsNormal; }
    virtual void setSizeLimits(TPoint, TPoint) {}
    virtual void activate() {}
    virtual bool isActive() const { return false; }
};

// What the toolkit needs of the windowing backend besides the widgets. Everything else (the
// message queue, window handles, posting and sending messages, SetWindowPos, the test hooks of
// message boxes and beeps) is the toolkit's own; the notification area and the entry points in
// windowing.h are supplied by the backend's library itself.
class WindowingBackend {
public:
    virtual ~WindowingBackend() = default;
    virtual std::unique_ptr<WidgetPeer> createPeer(TWinControl* control, PeerKind kind) = 0;
    // True on the thread that runs the user interface.
    virtual bool isUserInterfaceThread() const { return true; }
    // Processes the pending events; with wait, sleeps until at least one arrives first.
    virtual void processEvents(bool wait) = 0;
    // The primary screen's available area.
    virtual TRect screenRect() const = 0;
    // The available area of every screen, the primary one first.
    virtual std::vector<TRect> screenRects() const { return {screenRect()}; }
    // The size of a text in a font; '&' marks an accelerator when showPrefix.
    virtual TPoint textExtent(const TFont& font, const std::string& text,
                              bool showPrefix) const = 0;
    // Shows a popup menu at a screen point and returns when it is dismissed: the command of
    // the chosen item, or 0 when none was chosen.
    virtual int popupMenu(const std::vector<MenuItemSpec>&, TPoint) { return 0; }
    // Shows a message box, modal to the owner's form (or to the whole program without one), and
    // returns the id of the button chosen (IDOK, IDCANCEL, IDYES, IDNO); 0 when none is shown.
    virtual int messageBox(const MessageBoxRecord&, TWinControl*) { return 0; }
    virtual void beep() {}
    // The mouse pointer's position on the screen.
    virtual TPoint cursorPos() const { return {}; }
    // Pictures in the backend's own form; nullptr for data that is no image (or a backend that
    // shows none).
    virtual std::shared_ptr<const TPicture::Impl> decodeXpm(const char* const*) { return nullptr; }
    virtual std::shared_ptr<const TPicture::Impl> decodeImageFile(const std::string&) {
        return nullptr;
    }
    // Hands the repaint requests that the backend collects to the window system; the toolkit
    // calls it whenever it hands on its own deferred requests. With paintNow the windows are
    // painted before the call returns, instead of when the window system's loop comes round.
    virtual void flushRepaints(bool /*paintNow*/) {}
};

// The backend installs itself once at start; without one, controls get handles but no widgets.
void SetWindowingBackend(WindowingBackend* backend);
WindowingBackend* GetWindowingBackend();

} // namespace toolkit

// The seam between the toolkit's windowed controls and the windowing backend. Each windowed
// control owns a peer, a native widget of the kind it asks for; the control pushes its stored
// properties to the peer, and the peer reports what the user did by calling the control's
// Peer... methods. Nothing here knows the backend.
#pragma once

#include "platform/win_types.h"
#include "toolkit/graphics.h"
#include "toolkit/types.h"

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

struct ScrollBarSpec {
    bool visible = true;
    int increment = 8;
    int margin = 0;
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
    // Combo boxes.
    virtual void setItems(const std::vector<std::string>&) {}
    virtual void setItemIndex(int) {}
    // Track bars.
    virtual void setRange(int, int) {}
    virtual void setPosition(int) {}
    virtual void setPageSize(int) {}
    // Scroll boxes: the extent of the content and the bars.
    virtual void setScrollBars(const ScrollBarSpec&, const ScrollBarSpec&) {}
    virtual void setContentExtent(int, int) {}
    // Page controls: the pages' captions and which one is shown.
    virtual void setPages(const std::vector<std::string>&, int) {}
    virtual void setTabWidth(int) {}
    // Forms.
    virtual void setForm(const FormSpec&) {}
    virtual void setIcon(HICON) {}
    virtual void setWindowState(TWindowState) {}
    virtual TWindowState windowState() const { return TWindowState::wsNormal; }
    virtual void setSizeLimits(TPoint, TPoint) {}
    virtual void activate() {}
    virtual bool isActive() const { return false; }
};

// What the toolkit needs of the windowing backend besides the widgets.
class WindowingBackend {
public:
    virtual ~WindowingBackend() = default;
    virtual std::unique_ptr<WidgetPeer> createPeer(TWinControl* control, PeerKind kind) = 0;
    // Processes the pending events; with wait, sleeps until at least one arrives first.
    virtual void processEvents(bool wait) = 0;
    // The primary screen's available area.
    virtual TRect screenRect() const = 0;
    // The size of a text in a font; '&' marks an accelerator when showPrefix.
    virtual TPoint textExtent(const TFont& font, const std::string& text,
                              bool showPrefix) const = 0;
};

// The backend installs itself once at start; without one, controls get handles but no widgets.
void SetWindowingBackend(WindowingBackend* backend);
WindowingBackend* GetWindowingBackend();

} // namespace toolkit

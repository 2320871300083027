// Surfaces: widgets whose whole area the toolkit paints (forms, panels, the content of scroll
// boxes), and the plain containers that their parent draws along with itself.
//
// A plain container (a panel, a meter) whose child widgets are all plain containers drawn the
// same way has no painting of its own in the window system: the nearest ancestor that paints
// itself draws it, child after child, in one pass over the area to repaint. The container's
// widget stays for placement, mouse input, cursor and hint; only the window system's separate
// paint per widget goes, which costs far more than the drawing itself when many small controls
// change at once. Repaint requests for such a container go to the widget that draws it. A
// container with any other child widget (a button, an edit) paints itself as before, and so
// does every container whose parent does not paint its own surface.
#pragma once

#include <QPoint>
#include <QRect>
#include <vector>

class QPaintDevice;
class QPaintEvent;
class QRegion;
class QWidget;

namespace toolkit {
class TWinControl;
}

namespace toolkit::qt {

class Surface {
public:
    virtual ~Surface() = default;

    // Draws the plain containers among its children with its own surface.
    bool drawsChildren() const { return drawsChildren_; }
    // A plain container: may be drawn by its parent.
    bool mayBeDrawn() const { return mayBeDrawn_; }
    // Drawn by its parent now.
    bool drawnByParent() const { return drawn_; }
    // The control whose surface this is (none once the control is gone).
    virtual TWinControl* surfaceControl() const = 0;

    // A drawn child of this surface, as found at a layout epoch.
    struct DrawnChild {
        QWidget* child;
        TWinControl* control;
        QRect geometry;
        Surface* surface; // the child's
        bool leaf;        // draws no children of its own (a meter among meters)
    };
    // Its drawn children, bottom to top, each with its control and geometry: painting looks at
    // these instead of every child object. Found again after a layout change.
    const std::vector<DrawnChild>& drawnChildren(QWidget* self);

protected:
    void setSurfaceRole(bool drawsChildren, bool mayBeDrawn) {
        drawsChildren_ = drawsChildren;
        mayBeDrawn_ = mayBeDrawn;
    }

private:
    friend void RefreshDrawnByParent(QWidget* widget);
    friend void RepaintArea(QWidget* widget, const QRect& rect);
    friend void FlushRepaintAreas(bool paintNow);
    friend void RegisterSurface(const QWidget* widget, Surface* surface);
    friend QWidget* PaintingWidget(QWidget* widget, QPoint* offset);
    friend class RepaintTarget;
    // Adds an area (in the coordinates of widget, whose surface this is) to the requests.
    void queueArea(const QWidget* widget, const QRect& area);
    std::vector<QRect> pending_; // areas of drawn children to repaint, not handed on yet
    // Where a drawn widget is painted, as found at a layout epoch (see NoteLayoutChange).
    unsigned long long targetEpoch_ = 0;
    QWidget* target_ = nullptr;
    QPoint targetOffset_;
    unsigned long long childrenEpoch_ = 0;
    std::vector<DrawnChild> drawnChildren_;
    bool drawsChildren_ = false;
    bool mayBeDrawn_ = false;
    bool drawn_ = false;
};

// The surface of a widget, registered by the widget (none to end the registration).
void RegisterSurface(const QWidget* widget, Surface* surface);
Surface* SurfaceOf(const QWidget* widget);

// The widget that paints widget's area (the widget itself unless its parent draws it), and the
// offset of widget's origin in it. A drawn widget keeps the answer until the next layout change.
QWidget* PaintingWidget(QWidget* widget, QPoint* offset);
// A widget moved, was resized, shown, hidden, raised or lowered, or changed its parent, children,
// drawing or control: the answers kept are stale.
void NoteLayoutChange();

// Schedules a repaint of a rectangle of widget (in its coordinates) where it is painted. For a
// widget drawn by its parent the request waits for FlushRepaintAreas, which hands all requests
// for one surface to the window system as one region: to be painted when Qt's loop comes round,
// or with paintNow before it returns.
void RepaintArea(QWidget* widget, const QRect& rect);
void FlushRepaintAreas(bool paintNow = false);

// Where a drawn widget's repaint requests go, kept by whoever asks for them often (a control's
// peer): while the layout stands, a request goes there without looking at the widget again.
class RepaintTarget {
public:
    // Schedules a repaint of rect (in the widget's coordinates) where the widget was painted
    // when the target was kept; false, with nothing done, once the layout has changed since.
    bool repaint(const QRect& rect) const;
    // RepaintArea, keeping where the request went when a surface draws the widget.
    void repaint(QWidget* widget, const QRect& rect);

private:
    unsigned long long epoch_ = 0; // the layout epoch it was kept at; 0: none
    Surface* surface_ = nullptr;   // of the painting widget
    const QWidget* painting_ = nullptr;
    QPoint offset_; // of the widget's origin in the painting widget
};

// The region of a set of rectangles, which may overlap.
QRegion RegionOf(const std::vector<QRect>& rects);

// Decides anew whether a plain container is drawn by its parent (after its parent or its
// children changed), and tells its parent when that changed.
void RefreshDrawnByParent(QWidget* widget);

// Paints the part of a surface that a paint event asks for: the control's own surface, its
// non-windowed children and the containers it draws, area by area. redirectedTo and
// redirectionOffset: what the widget's redirected() gives during the event (null when the
// paint goes through another painter).
void PaintSurface(QWidget* widget, TWinControl* control, const QPaintEvent* event,
                  QPaintDevice* redirectedTo, QPoint redirectionOffset);

} // namespace toolkit::qt

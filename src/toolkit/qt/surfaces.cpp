#include "toolkit/qt/surfaces.h"

#include "toolkit/qt/canvas.h"
#include "toolkit/qt/qt_util.h"
#include "toolkit/win_control.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace toolkit::qt {
namespace {

// The child widgets of a surface that it draws itself.
bool isDrawnChild(const QWidget* child, Surface** surface) {
    Surface* s = SurfaceOf(child);
    if (s == nullptr || !s->drawnByParent() || child->isHidden()) {
        return false;
    }
    *surface = s;
    return true;
}

void paintAreas(QWidget* widget, TWinControl* control, Surface* self, bool leaf, QtCanvas& canvas,
                const QRect* areas, std::size_t count);

// A drawn child that reaches into the areas being painted.
using Hit = Surface::DrawnChild;

// What one level of the descent through drawn children works with. The levels keep their room
// from paint to paint (paints come one at a time on the window thread; a paint inside a paint,
// a grab, goes deeper).
struct Level {
    std::vector<Hit> hits;
    std::vector<int> topmostCover; // per area: the topmost hit that covers it wholly, or -1
    std::vector<QRect> parts;      // a child's parts of the areas, in its coordinates
};
std::size_t depth = 0;
Level& levelAt(std::size_t d) {
    static std::vector<std::unique_ptr<Level>> levels;
    while (levels.size() <= d) {
        levels.push_back(std::make_unique<Level>());
    }
    return *levels[d];
}

// Paints a drawn child's parts of the areas (given in the child's coordinates) with the canvas
// of the parent, set up as the child's own canvas would be.
void paintChild(const Hit& hit, QtCanvas& canvas, const QRect* parts, std::size_t count) {
    const QRect& geometry = hit.geometry;
    // The parent's tools are moved aside, not copied (a font holds a name and a callback).
    TPen pen = canvas.Pen;
    TBrush brush = canvas.Brush;
    TFont font = std::move(canvas.Font);
    canvas.Pen = TPen{};
    canvas.Brush = TBrush{};
    canvas.Font = TFont{};
    canvas.Save(geometry.x(), geometry.y(), Bounds(0, 0, geometry.width(), geometry.height()));
    canvas.MoveTo(0, 0);
    try {
        paintAreas(hit.child, hit.control, hit.surface, hit.leaf, canvas, parts, count);
    } catch (...) {
        canvas.Restore();
        throw;
    }
    canvas.Restore();
    canvas.Pen = pen;
    canvas.Brush = brush;
    canvas.Font = std::move(font);
}

// Paints the areas (disjoint, in widget's coordinates, in the order of their left edges; the
// canvas's origin is widget's): first
// the widget's own painting where no drawn child covers an area wholly (a plain container paints
// every pixel of its own), then each drawn child, bottom to top, with its parts of the areas
// not covered by a child above it. The children are looked at once for all areas: a paint of
// many small areas (the changed lamps of many meters) does not walk the widgets for each.
//
// self is widget's surface, if it has one; a leaf (as found with the list of drawn children
// its parent keeps) has no drawn children to look for.
void paintAreas(QWidget* widget, TWinControl* control, Surface* self, bool leaf, QtCanvas& canvas,
                const QRect* areas, std::size_t count) {
    if (count == 0) {
        return;
    }
    struct Deeper {
        std::size_t level = depth++;
        ~Deeper() { --depth; }
    } deeper;
    Level& level = levelAt(deeper.level);
    QRect box;
    int widest = 0;
    for (std::size_t a = 0; a < count; ++a) {
        box |= areas[a];
        widest = std::max(widest, areas[a].width());
    }
    // The areas that may reach into a child: by their left edges, which are in order.
    auto across = [areas, count, widest](const QRect& geometry) {
        const QRect* end = areas + count;
        const QRect* from =
            std::lower_bound(areas, end, geometry.left() - widest + 1,
                             [](const QRect& r, int left) { return r.left() < left; });
        const QRect* to =
            std::upper_bound(from, end, geometry.right(),
                             [](int right, const QRect& r) { return right < r.left(); });
        return std::pair<std::size_t, std::size_t>(from - areas, to - areas);
    };
    level.hits.clear();
    if (self != nullptr && !leaf) {
        for (const Surface::DrawnChild& child : self->drawnChildren(widget)) {
            if (child.geometry.intersects(box)) {
                level.hits.push_back(child);
            }
        }
    }
    const std::vector<Hit>& hits = level.hits;
    level.topmostCover.assign(count, -1);
    for (std::size_t h = 0; h < hits.size(); ++h) {
        auto [from, to] = across(hits[h].geometry);
        for (std::size_t a = from; a < to; ++a) {
            if (hits[h].geometry.contains(areas[a])) {
                level.topmostCover[a] = static_cast<int>(h);
            }
        }
    }
    if (control != nullptr) {
        for (std::size_t a = 0; a < count; ++a) {
            if (level.topmostCover[a] < 0) {
                canvas.Save(0, 0, fromQRect(areas[a]));
                try {
                    control->PeerPaint(canvas, false);
                } catch (...) {
                    canvas.Restore();
                    throw;
                }
                canvas.Restore();
            }
        }
    }
    for (std::size_t h = 0; h < hits.size(); ++h) {
        const QRect& geometry = hits[h].geometry;
        level.parts.clear();
        auto [from, to] = across(geometry);
        for (std::size_t a = from; a < to; ++a) {
            if (level.topmostCover[a] > static_cast<int>(h)) {
                continue; // hidden under a child above
            }
            QRect part = areas[a].intersected(geometry);
            if (!part.isEmpty()) {
                level.parts.push_back(part.translated(-geometry.topLeft()));
            }
        }
        if (level.parts.empty()) {
            continue;
        }
        // The child's descent uses the levels below this one: the parts stay as they are.
        paintChild(hits[h], canvas, level.parts.data(), level.parts.size());
    }
}

// The areas of a paint event's region, with the pieces of one column joined again: a region
// keeps its rectangles in horizontal bands, which cuts every changed column of a meter into as
// many pieces as other columns begin or end beside it.
void areasOf(const QRegion& region, std::vector<QRect>& areas) {
    areas.clear();
    for (const QRect& r : region) {
        areas.push_back(r);
    }
    if (areas.size() < 2) {
        return;
    }
    std::sort(areas.begin(), areas.end(), [](const QRect& a, const QRect& b) {
        if (a.left() != b.left()) {
            return a.left() < b.left();
        }
        if (a.right() != b.right()) {
            return a.right() < b.right();
        }
        return a.top() < b.top();
    });
    std::size_t kept = 0;
    for (std::size_t i = 1; i < areas.size(); ++i) {
        QRect& last = areas[kept];
        const QRect& r = areas[i];
        if (r.left() == last.left() && r.right() == last.right() && r.top() == last.bottom() + 1) {
            last.setBottom(r.bottom());
        } else {
            areas[++kept] = r;
        }
    }
    areas.resize(kept + 1);
}

} // namespace

namespace {
// The widgets with a surface, for a look-up that costs less than a cast across the widget's
// bases: painting and every repaint request ask for the widgets they meet. Open addressing
// with linear probing; a slot is empty when its key is null.
class SurfaceTable {
public:
    Surface* find(const QWidget* key) const {
        if (slots_.empty()) {
            return nullptr;
        }
        for (std::size_t i = home(key);; i = (i + 1) & mask()) {
            if (slots_[i].key == key) {
                return slots_[i].surface;
            }
            if (slots_[i].key == nullptr) {
                return nullptr;
            }
        }
    }
    void insert(const QWidget* key, Surface* surface) {
        if ((count_ + 1) * 2 > slots_.size()) {
            grow();
        }
        std::size_t i = home(key);
        while (slots_[i].key != nullptr && slots_[i].key != key) {
            i = (i + 1) & mask();
        }
        count_ += slots_[i].key == nullptr ? 1 : 0;
        slots_[i] = {key, surface};
    }
    void erase(const QWidget* key) {
        if (slots_.empty()) {
            return;
        }
        std::size_t i = home(key);
        while (slots_[i].key != key) {
            if (slots_[i].key == nullptr) {
                return;
            }
            i = (i + 1) & mask();
        }
        // Moves back the entries after the hole that would no longer be found past it.
        for (std::size_t j = (i + 1) & mask(); slots_[j].key != nullptr; j = (j + 1) & mask()) {
            std::size_t h = home(slots_[j].key);
            bool reachable = i <= j ? (h > i && h <= j) : (h > i || h <= j);
            if (!reachable) {
                slots_[i] = slots_[j];
                i = j;
            }
        }
        slots_[i] = {};
        --count_;
    }

private:
    struct Slot {
        const QWidget* key = nullptr;
        Surface* surface = nullptr;
    };
    std::size_t mask() const { return slots_.size() - 1; }
    std::size_t home(const QWidget* key) const {
        auto bits = reinterpret_cast<std::uintptr_t>(key);
        return static_cast<std::size_t>((bits >> 4) * 0x9E3779B97F4A7C15ull >> 20) & mask();
    }
    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
        count_ = 0;
        for (const Slot& slot : old) {
            if (slot.key != nullptr) {
                insert(slot.key, slot.surface);
            }
        }
    }
    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

SurfaceTable& surfaces() {
    static auto* table = new SurfaceTable;
    return *table;
}
} // namespace

// The surfaces with requests waiting.
std::vector<const QWidget*>& waiting() {
    static auto* list = new std::vector<const QWidget*>;
    return *list;
}

void RegisterSurface(const QWidget* widget, Surface* surface) {
    NoteLayoutChange();
    if (surface != nullptr) {
        surfaces().insert(widget, surface);
        return;
    }
    if (Surface* gone = SurfaceOf(widget); gone != nullptr && !gone->pending_.empty()) {
        auto& list = waiting();
        list.erase(std::remove(list.begin(), list.end(), widget), list.end());
    }
    surfaces().erase(widget);
}

Surface* SurfaceOf(const QWidget* widget) {
    return widget != nullptr ? surfaces().find(widget) : nullptr;
}

namespace {
unsigned long long layoutEpoch = 1;
} // namespace

void NoteLayoutChange() {
    ++layoutEpoch;
}

QWidget* PaintingWidget(QWidget* widget, QPoint* offset) {
    Surface* self = widget != nullptr && !widget->updatesEnabled() ? SurfaceOf(widget) : nullptr;
    if (self != nullptr && self->drawn_ && self->targetEpoch_ == layoutEpoch) {
        if (offset != nullptr) {
            *offset = self->targetOffset_;
        }
        return self->target_;
    }
    QWidget* start = widget;
    QPoint at(0, 0);
    // A widget drawn by its parent never paints itself, so its updates are off.
    while (widget != nullptr && !widget->isWindow() && !widget->updatesEnabled()) {
        Surface* s = SurfaceOf(widget);
        if (s == nullptr || !s->drawnByParent()) {
            break;
        }
        at += widget->pos();
        widget = widget->parentWidget();
    }
    if (self != nullptr && self->drawn_ && widget != start) {
        self->targetEpoch_ = layoutEpoch;
        self->target_ = widget;
        self->targetOffset_ = at;
    }
    if (offset != nullptr) {
        *offset = at;
    }
    return widget;
}

const std::vector<Surface::DrawnChild>& Surface::drawnChildren(QWidget* self) {
    if (childrenEpoch_ == layoutEpoch) {
        return drawnChildren_;
    }
    childrenEpoch_ = layoutEpoch;
    drawnChildren_.clear();
    for (QObject* o : self->children()) {
        auto* child = qobject_cast<QWidget*>(o);
        Surface* s = nullptr;
        if (child != nullptr && isDrawnChild(child, &s) && s->surfaceControl() != nullptr) {
            drawnChildren_.push_back({child, s->surfaceControl(), child->geometry(), s,
                                      s->drawnChildren(child).empty()});
        }
    }
    return drawnChildren_;
}

void Surface::queueArea(const QWidget* widget, const QRect& area) {
    if (pending_.empty()) {
        waiting().push_back(widget);
    }
    pending_.push_back(area);
}

void RepaintArea(QWidget* widget, const QRect& rect) {
    RepaintTarget().repaint(widget, rect);
}

bool RepaintTarget::repaint(const QRect& rect) const {
    if (epoch_ != layoutEpoch) {
        return false;
    }
    if (!rect.isEmpty()) {
        surface_->queueArea(painting_, rect.translated(offset_));
    }
    return true;
}

void RepaintTarget::repaint(QWidget* widget, const QRect& rect) {
    QPoint offset;
    QWidget* target = PaintingWidget(widget, &offset);
    if (target == nullptr || rect.isEmpty()) {
        return;
    }
    Surface* surface = target != widget ? SurfaceOf(target) : nullptr;
    if (surface == nullptr) {
        target->update(rect.translated(offset));
        return;
    }
    // Any change that could send the request elsewhere (a move, a new parent, the widget or
    // the painting one going, drawing by the parent starting or ending) is a layout change.
    epoch_ = layoutEpoch;
    surface_ = surface;
    painting_ = target;
    offset_ = offset;
    surface->queueArea(target, rect.translated(offset));
}

void FlushRepaintAreas(bool paintNow) {
    auto& list = waiting();
    if (list.empty()) {
        return;
    }
    // The surfaces to hand on are taken off the list first. A paint made here ends with a flush
    // of its own (its event has been handled), which must leave the surfaces still to come to
    // this one; it hands on only what was asked meanwhile. Each depth keeps its room.
    static std::vector<std::unique_ptr<std::vector<const QWidget*>>> takenAt;
    static std::size_t depth = 0;
    if (takenAt.size() <= depth) {
        takenAt.push_back(std::make_unique<std::vector<const QWidget*>>());
    }
    std::vector<const QWidget*>& taken = *takenAt[depth];
    taken.swap(list);
    struct Deeper {
        std::vector<const QWidget*>& taken;
        Deeper(std::vector<const QWidget*>& t) : taken(t) { ++depth; }
        ~Deeper() {
            taken.clear();
            --depth;
        }
    } deeper{taken};
    for (const QWidget* widget : taken) {
        auto* target = const_cast<QWidget*>(widget);
        Surface* surface = SurfaceOf(target); // none if the widget went meanwhile
        if (surface == nullptr || surface->pending_.empty()) {
            continue;
        }
        QRegion region = RegionOf(surface->pending_);
        surface->pending_.clear();
        if (paintNow) {
            target->repaint(region);
        } else {
            target->update(region);
        }
    }
    // Asked while these were handed on and not handed on by a flush meanwhile: to Qt's loop, so
    // that a control that asks for a repaint while it paints cannot keep this loop going.
    if (!list.empty()) {
        FlushRepaintAreas(false);
    }
}

QRegion RegionOf(const std::vector<QRect>& rects) {
    if (rects.size() == 1) {
        return QRegion(rects.front());
    }
    // A region is a list of horizontal bands, each a row of rectangles sorted by x that
    // neither overlap nor touch. Band edges are where any rectangle begins or ends; a sweep
    // down the edges keeps the rectangles that cover the current band, in the order of their
    // left edges, so that a band's row is one pass over them.
    static std::vector<const QRect*> byTop;
    static std::vector<int> edges;
    static std::vector<const QRect*> active;
    static std::vector<std::pair<int, int>> spans;
    static std::vector<QRect> banded;
    byTop.clear();
    edges.clear();
    active.clear();
    banded.clear();
    for (const QRect& r : rects) {
        if (!r.isEmpty()) {
            byTop.push_back(&r);
            edges.push_back(r.top());
            edges.push_back(r.bottom() + 1);
        }
    }
    std::sort(byTop.begin(), byTop.end(),
              [](const QRect* a, const QRect* b) { return a->top() < b->top(); });
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    std::size_t nextToEnter = 0;
    std::size_t previousBand = 0; // where the band just above begins in banded
    std::size_t previousCount = 0;
    for (std::size_t e = 0; e + 1 < edges.size(); ++e) {
        const int top = edges[e];
        const int bottom = edges[e + 1]; // exclusive
        active.erase(std::remove_if(active.begin(), active.end(),
                                    [top](const QRect* r) { return r->bottom() < top; }),
                     active.end());
        while (nextToEnter < byTop.size() && byTop[nextToEnter]->top() <= top) {
            const QRect* entering = byTop[nextToEnter++];
            active.insert(std::upper_bound(
                              active.begin(), active.end(), entering,
                              [](const QRect* a, const QRect* b) { return a->left() < b->left(); }),
                          entering);
        }
        if (active.empty()) {
            previousCount = 0;
            continue;
        }
        // The row: overlapping and touching rectangles joined.
        spans.clear();
        spans.emplace_back(active.front()->left(), active.front()->right() + 1);
        for (std::size_t i = 1; i < active.size(); ++i) {
            const int left = active[i]->left();
            const int right = active[i]->right() + 1;
            if (left <= spans.back().second) {
                spans.back().second = std::max(spans.back().second, right);
            } else {
                spans.emplace_back(left, right);
            }
        }
        // The same row as the band just above, touching it: that band grows instead.
        bool same = previousCount == spans.size() && banded[previousBand].bottom() + 1 == top;
        for (std::size_t i = 0; same && i < spans.size(); ++i) {
            const QRect& above = banded[previousBand + i];
            same = above.left() == spans[i].first && above.right() + 1 == spans[i].second;
        }
        if (same) {
            for (std::size_t i = 0; i < spans.size(); ++i) {
                banded[previousBand + i].setBottom(bottom - 1);
            }
            continue;
        }
        previousBand = banded.size();
        previousCount = spans.size();
        for (const auto& [left, right] : spans) {
            banded.emplace_back(left, top, right - left, bottom - top);
        }
    }
    QRegion region;
    region.setRects(banded.data(), static_cast<int>(banded.size()));
    return region;
}

void RefreshDrawnByParent(QWidget* widget) {
    Surface* self = SurfaceOf(widget);
    if (self == nullptr || !self->mayBeDrawn()) {
        return;
    }
    QWidget* parent = widget->parentWidget();
    Surface* parentSurface = SurfaceOf(parent);
    bool drawn = !widget->isWindow() && parentSurface != nullptr && parentSurface->drawsChildren();
    if (drawn) {
        for (QObject* o : widget->children()) {
            if (auto* child = qobject_cast<QWidget*>(o)) {
                Surface* s = SurfaceOf(child);
                if (s == nullptr || !s->drawnByParent()) {
                    drawn = false;
                    break;
                }
            }
        }
    }
    if (drawn == self->drawn_) {
        return;
    }
    NoteLayoutChange();
    if (drawn) {
        // The parent paints this area from now on: it must not leave it out as opaque.
        self->drawn_ = true;
        widget->setAttribute(Qt::WA_OpaquePaintEvent, false);
        widget->setUpdatesEnabled(false);
        if (widget->isVisible()) {
            RepaintArea(widget, widget->rect());
        }
    } else {
        self->drawn_ = false;
        widget->setAttribute(Qt::WA_OpaquePaintEvent, true);
        widget->setUpdatesEnabled(true); // repaints the widget
    }
    RefreshDrawnByParent(parent);
}

void PaintSurface(QWidget* widget, TWinControl* control, const QPaintEvent* event,
                  QPaintDevice* redirectedTo, QPoint redirectionOffset) {
    // Every fill lies in an area of the event's region (paintAreas narrows the clip to one),
    // so fills may go straight to the pixels.
    QtCanvas canvas(*widget, fromQRect(event->rect()),
                    DirectPixelsOf(redirectedTo, redirectionOffset));
    // Paint events come one at a time on the window thread; the list keeps its room.
    static std::vector<QRect> areas;
    std::vector<QRect> mine;
    mine.swap(areas); // a paint inside a paint (a grab) gets a list of its own
    areasOf(event->region(), mine);
    try {
        paintAreas(widget, control, SurfaceOf(widget), false, canvas, mine.data(), mine.size());
    } catch (...) {
        mine.swap(areas);
        throw;
    }
    mine.swap(areas);
}

} // namespace toolkit::qt

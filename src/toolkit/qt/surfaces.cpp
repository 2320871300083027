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

void paintArea(QWidget* widget, TWinControl* control, QtCanvas& canvas, const QRect& area);

// A drawn child that reaches into the area being painted.
struct Hit {
    QWidget* child;
    TWinControl* control;
    QRect geometry;
};

// Paints a drawn child's part of area (in the parent's coordinates) with the canvas of the
// parent, set up as the child's own canvas would be.
void paintChild(const Hit& hit, QtCanvas& canvas, const QRect& area) {
    const QRect& geometry = hit.geometry;
    const QRect part = area.intersected(geometry).translated(-geometry.topLeft());
    if (part.isEmpty()) {
        return;
    }
    TPen pen = canvas.Pen;
    TBrush brush = canvas.Brush;
    TFont font = canvas.Font;
    canvas.Pen = TPen{};
    canvas.Brush = TBrush{};
    canvas.Font = TFont{};
    canvas.Save(geometry.x(), geometry.y(), Bounds(0, 0, geometry.width(), geometry.height()));
    canvas.MoveTo(0, 0);
    try {
        paintArea(hit.child, hit.control, canvas, part);
    } catch (...) {
        canvas.Restore();
        throw;
    }
    canvas.Restore();
    canvas.Pen = pen;
    canvas.Brush = brush;
    canvas.Font = font;
}

// Paints area (in widget's coordinates; the canvas's origin is widget's): what a drawn child
// covers wholly is left to that child, since a plain container paints every pixel of its own.
void paintArea(QWidget* widget, TWinControl* control, QtCanvas& canvas, const QRect& area) {
    // The drawn children that reach into the area, bottom to top (few: kept on the stack).
    constexpr std::size_t kLocal = 8;
    Hit local[kLocal];
    std::vector<Hit> more;
    std::size_t count = 0;
    std::size_t first = 0; // the topmost hit that covers the whole area: nothing beneath shows
    bool covered = false;
    for (QObject* o : widget->children()) {
        auto* child = qobject_cast<QWidget*>(o);
        Surface* s = nullptr;
        if (child == nullptr || !child->geometry().intersects(area) || !isDrawnChild(child, &s) ||
            s->surfaceControl() == nullptr) {
            continue;
        }
        Hit hit{child, s->surfaceControl(), child->geometry()};
        if (hit.geometry.contains(area)) {
            first = count;
            covered = true;
        }
        if (count < kLocal) {
            local[count] = hit;
        } else {
            if (more.empty()) {
                more.assign(local, local + kLocal);
            }
            more.push_back(hit);
        }
        ++count;
    }
    const Hit* hits = more.empty() ? local : more.data();
    canvas.Save(0, 0, fromQRect(area));
    try {
        if (!covered && control != nullptr) {
            control->PeerPaint(canvas, false);
        }
        for (std::size_t i = first; i < count; ++i) {
            paintChild(hits[i], canvas, area);
        }
    } catch (...) {
        canvas.Restore();
        throw;
    }
    canvas.Restore();
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

void RepaintArea(QWidget* widget, const QRect& rect) {
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
    if (surface->pending_.empty()) {
        waiting().push_back(target);
    }
    surface->pending_.push_back(rect.translated(offset));
}

void FlushRepaintAreas(bool paintNow) {
    auto& list = waiting();
    // By index: a request made while handing on goes out with this flush.
    for (std::size_t i = 0; i < list.size(); ++i) {
        auto* target = const_cast<QWidget*>(list[i]);
        Surface* surface = SurfaceOf(target);
        if (surface == nullptr) {
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
    list.clear();
}

QRegion RegionOf(const std::vector<QRect>& rects) {
    if (rects.size() == 1) {
        return QRegion(rects.front());
    }
    // A region is a list of horizontal bands, each a row of rectangles sorted by x that
    // neither overlap nor touch. Band edges are where any rectangle begins or ends; a sweep
    // down the edges keeps the rectangles that cover the current band.
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
            active.push_back(byTop[nextToEnter++]);
        }
        if (active.empty()) {
            previousCount = 0;
            continue;
        }
        spans.clear();
        for (const QRect* r : active) {
            spans.emplace_back(r->left(), r->right() + 1);
        }
        std::sort(spans.begin(), spans.end());
        std::size_t kept = 0;
        for (std::size_t i = 1; i < spans.size(); ++i) {
            if (spans[i].first <= spans[kept].second) {
                spans[kept].second = std::max(spans[kept].second, spans[i].second);
            } else {
                spans[++kept] = spans[i];
            }
        }
        spans.resize(kept + 1);
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

void PaintSurface(QWidget* widget, TWinControl* control, const QPaintEvent* event) {
    QPainter painter(widget);
    QtCanvas canvas(painter, fromQRect(event->rect()));
    // Paint events come one at a time on the window thread; the list keeps its room.
    static std::vector<QRect> areas;
    std::vector<QRect> mine;
    mine.swap(areas); // a paint inside a paint (a grab) gets a list of its own
    areasOf(event->region(), mine);
    try {
        for (const QRect& area : mine) {
            paintArea(widget, control, canvas, area);
        }
    } catch (...) {
        mine.swap(areas);
        throw;
    }
    mine.swap(areas);
}

} // namespace toolkit::qt

#include "controls/bar_graph.h"

#include "controls/level_curve.h"
#include "toolkit/exceptions.h"

#include <algorithm>

namespace controls {

using namespace toolkit;

TBarGraph::TBarGraph(TComponent* owner) : TPanel(owner) {
    SetBevelOuter(TBevelCut::bvLowered);
    width_ = 18;
    height_ = 164;
    OnResize = TNotifyEvent(this, &TBarGraph::ResizeLumis);
    // A level and a tick handled together (or a poll's levels) ask for one repaint.
    SetDeferRepaints(true);
    TBarGraph::CreateLumis();
}

void TBarGraph::SetLevel(int value) {
    if (value > FLevelMax) {
        return;
    }
    FLevel = value;
    std::int64_t top = 0;
    if (FLumiCount >= 1 && value >= 0) {
        if (!columnKnown_) {
            column_ = TColumnCurve::For(FLevelMax, FLumiCount);
            columnKnown_ = true;
        }
        top = column_ != nullptr ? column_->TopOf(value)
                                 : TColumnCurve::Compute(value, FLevelMax, FLumiCount);
    } else {
        top = TColumnCurve::Compute(value, FLevelMax, FLumiCount);
    }
    if (top <= FTopIndex) {
        return;
    }
    // The lamps lit here lie next to each other: one repaint request for all of them.
    TInvalidateBatch batch(*this);
    for (int i = FTopIndex; i <= top; ++i) {
        switchLumi(i, true);
    }
    FTopIndex = static_cast<int>(top);
}

void TBarGraph::CheckLevelMax(int value) {
    if (value <= 0) {
        throw ERangeError("Wert für LevelMax muss größer als 0 sein");
    }
}

void TBarGraph::SetLevelMax(int value) {
    CheckLevelMax(value);
    FLevelMax = value;
    columnKnown_ = false;
}

int TBarGraph::GetLevelMax() const {
    return FLevelMax;
}

void TBarGraph::SetLumiHeight(int value) {
    value = std::max(value, 2);
    FreeLumis();
    FLumiHeight = value;
    CreateLumis();
}

void TBarGraph::Set_On(bool value) {
    if (value) {
        SetLevel(GetLevelMax());
    } else {
        SetLevel(0);
    }
    F_On = value;
}

void TBarGraph::CreateLumis() {
    int step = FLumiHeight - 1;
    FLumiCount = Height() / step;
    int w = Width() - 3;
    int t = Height() - FLumiHeight - 2;
    lamps_.reserve(static_cast<std::size_t>(std::max(FLumiCount, 0)));
    for (int i = 0; i < FLumiCount; ++i) {
        auto* lumi = new TLumi(this);
        lumi->SetBounds(1, t, w, FLumiHeight);
        lumi->SetColorOn(FLumiColor);
        lumi->SetParent(this);
        lumi->bar_ = this;
        lumi->index_ = i;
        lamps_.push_back({lumi, lumi->Brush().Color, lumi->ColorOn(), lumi->ColorOff(), false});
        t -= step;
    }
    columnKnown_ = false;
    columnShape_ = ColumnShape::unknown;
    FTopIndex = std::clamp(FTopIndex, 0, std::max(FLumiCount - 1, 0));
}

TBarGraph::~TBarGraph() {
    unlinkLumis();
}

void TBarGraph::unlinkLumis() {
    // A lamp that outlives its column no longer reports to it.
    for (const LampState& lamp : lamps_) {
        if (lamp.lumi != nullptr) {
            lamp.lumi->bar_ = nullptr;
        }
    }
    lamps_.clear();
    columnShape_ = ColumnShape::unknown;
}

void TBarGraph::lumiSwitched(int index, bool on) {
    if (index >= 0 && static_cast<std::size_t>(index) < lamps_.size()) {
        lamps_[static_cast<std::size_t>(index)].lit = on;
    }
}

bool TBarGraph::lumiSwitchedInPlace(TLumi& lumi, bool on, TColor fill) {
    auto i = static_cast<std::size_t>(lumi.index_);
    if (columnShape_ != ColumnShape::plain || lumi.index_ < 0 || i >= lamps_.size()) {
        return false;
    }
    LampState& state = lamps_[i];
    state.lit = on;
    if (state.fill != fill) {
        state.fill = fill;
        lumi.StoreBrushColor(fill);
        // The inside of the one-pixel outline, as the lamp itself would ask.
        const TRect r = lampRect(bottomLamp_, lumi.index_);
        InvalidateRect({r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1});
    }
    return true;
}

void TBarGraph::switchInPlace(LampState& lamp, int index, bool on) {
    lamp.lit = on;
    lamp.lumi->F_On = on;
    const TColor fill = on ? lamp.colorOn : lamp.colorOff;
    if (lamp.fill != fill) {
        lamp.fill = fill;
        lamp.lumi->StoreBrushColor(fill);
        // The inside of the one-pixel outline, as the lamp itself would ask.
        const TRect r = lampRect(bottomLamp_, index);
        InvalidateRect({r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1});
    }
}

void TBarGraph::lumiColoursChanged(const TLumi& lumi) {
    auto i = static_cast<std::size_t>(lumi.index_);
    if (lumi.index_ >= 0 && i < lamps_.size()) {
        lamps_[i].colorOn = lumi.FColorOn;
        lamps_[i].colorOff = lumi.FColorOff;
    }
}

void TBarGraph::lumiRestyled(const TLumi& lumi) {
    auto i = static_cast<std::size_t>(lumi.index_);
    if (lumi.index_ < 0 || i >= lamps_.size()) {
        return;
    }
    lamps_[i].fill = lumi.Brush().Color;
    // A lamp switched keeps its style; anything else is looked at again.
    if (columnShape_ != ColumnShape::plain || !plainStyle(lumi, outline_)) {
        columnShape_ = ColumnShape::unknown;
    }
}

void TBarGraph::ChildChanged(TControl* child) {
    columnShape_ = ColumnShape::unknown;
    TPanel::ChildChanged(child);
}

void TBarGraph::FreeLumis() {
    unlinkLumis();
    while (ControlCount() > 0) {
        Controls(0)->Free();
    }
}

void TBarGraph::Loaded() {
    TPanel::Loaded();
    FreeLumis();
    CreateLumis();
}

void TBarGraph::ResizeLumis(TObject*) {
    int n = FLumiCount;
    int h = Height();
    int d = FLumiHeight - 1;
    int w = Width() - 3;
    if (n * d + 2 <= h && h < (n + 1) * d + 2) {
        for (int i = 0; i < n; ++i) {
            if (TLumi* lumi = Lumi(i)) {
                lumi->SetBounds(lumi->Left(), h - FLumiHeight - 2 - i * d, w, lumi->Height());
            }
        }
        return;
    }
    FreeLumis();
    CreateLumis();
    Set_On(F_On);
    for (const LampState& lamp : lamps_) {
        if (lamp.lumi != nullptr) {
            lamp.lumi->SetWidth(w);
        }
    }
}

bool TBarGraph::regularColumn() const {
    int n = static_cast<int>(lamps_.size());
    int step = FLumiHeight - 1;
    return n > 0 && n == ControlCount() && step > 0 && lamps_.front().lumi != nullptr &&
           lamps_.back().lumi != nullptr &&
           lamps_.back().lumi->Top() == lamps_.front().lumi->Top() - (n - 1) * step;
}

void TBarGraph::lumisAcross(int base, int top, int bottom, int& from, int& to) const {
    // Lamp i has its top at the bottom lamp's top - i * step.
    int step = FLumiHeight - 1;
    from = std::max((base - bottom) / step - 1, 0);
    to = std::min((base + FLumiHeight - top) / step + 1, static_cast<int>(lamps_.size()) - 1);
}

const TBarGraph::Across& TBarGraph::lampsAcross(const TRect& clip) const {
    if (acrossKnown_ && across_.clip == clip) {
        return across_;
    }
    acrossKnown_ = true;
    across_ = Across{};
    across_.clip = clip;
    if (columnShape_ == ColumnShape::unknown) {
        findColumnShape();
    }
    if (columnShape_ == ColumnShape::plain) {
        across_.regular = true;
        across_.plain = true;
        across_.bottomLamp = bottomLamp_;
        across_.outline = outline_;
        lumisAcross(bottomLamp_.Top, clip.Top, clip.Bottom, across_.from, across_.to);
        return across_;
    }
    across_.regular = regularColumn();
    if (!across_.regular) {
        return across_;
    }
    const TLumi* first = lamps_.front().lumi;
    across_.bottomLamp = bottomPlace();
    across_.outline = first->Pen().Color;
    lumisAcross(first->Top(), clip.Top, clip.Bottom, across_.from, across_.to);
    across_.plain = true;
    for (int i = across_.from; i <= across_.to && across_.plain; ++i) {
        across_.plain = plainBoxInPlace(i, across_.outline);
    }
    return across_;
}

TRect TBarGraph::bottomPlace() const {
    const TLumi* first = lamps_.front().lumi;
    return {first->Left(), first->Top(), first->Left() + first->Width(),
            first->Top() + FLumiHeight};
}

void TBarGraph::findColumnShape() const {
    columnShape_ = ColumnShape::other;
    if (!regularColumn()) {
        return;
    }
    const TLumi* first = lamps_.front().lumi;
    const TColor outline = first->Pen().Color;
    for (int i = 0; i < static_cast<int>(lamps_.size()); ++i) {
        if (!plainBoxInPlace(i, outline)) {
            return;
        }
    }
    bottomLamp_ = bottomPlace();
    outline_ = outline;
    columnShape_ = ColumnShape::plain;
}

void TBarGraph::PaintWindow(TCanvas& canvas) {
    TRect clip = canvas.ClipRect();
    acrossKnown_ = false; // a new area: the lamps may have changed since the last paint
    if (clip.IsEmpty()) {
        TPanel::PaintWindow(canvas);
        return;
    }
    // When the lamps that reach into the area are plain boxes in their places (so without gaps)
    // and together span it, each of its pixels is painted by a lamp.
    const Across& across = lampsAcross(clip);
    bool cover = across.plain && across.from <= across.to;
    if (cover) {
        const TRect bottom = lampRect(across.bottomLamp, across.from);
        const TRect top = lampRect(across.bottomLamp, across.to);
        cover = clip.Left >= bottom.Left && clip.Right <= bottom.Right && top.Top <= clip.Top &&
                bottom.Bottom >= clip.Bottom;
    }
    if (!cover) {
        acrossKnown_ = false; // kept only across a panel's painting that paints nothing
        TPanel::PaintWindow(canvas);
    }
}

void TBarGraph::PaintControls(TCanvas& canvas) {
    const TRect clip = canvas.ClipRect();
    const Across& across = lampsAcross(clip);
    acrossKnown_ = false;
    if (!across.regular) {
        TPanel::PaintControls(canvas);
        return;
    }
    if (across.plain) {
        paintColumn(canvas, across);
        return;
    }
    for (int i = across.from; i <= across.to; ++i) {
        TLumi* lumi = lamps_[static_cast<std::size_t>(i)].lumi;
        if (lumi == nullptr || !lumi->Visible()) {
            continue;
        }
        TRect bounds = lumi->BoundsRect();
        if (!bounds.Intersects(clip)) {
            continue;
        }
        canvas.Save(bounds.Left, bounds.Top, {0, 0, bounds.Width(), bounds.Height()});
        lumi->Paint(canvas);
        canvas.Restore();
    }
}

bool TBarGraph::plainBoxInPlace(int index, TColor outline) const {
    const TLumi* first = lamps_.front().lumi;
    const TLumi* lumi = lamps_[static_cast<std::size_t>(index)].lumi;
    return lumi != nullptr && lumi->Visible() && lumi->Left() == first->Left() &&
           lumi->Width() == first->Width() && lumi->Height() == FLumiHeight &&
           lumi->Top() == first->Top() - index * (FLumiHeight - 1) && plainStyle(*lumi, outline);
}

bool TBarGraph::plainStyle(const TLumi& lumi, TColor outline) {
    const TPen& pen = lumi.Pen();
    return lumi.Shape() == TShapeType::stRectangle && pen.Style == TPenStyle::psSolid &&
           pen.Width == 1 && pen.Color == outline && lumi.Brush().Style == TBrushStyle::bsSolid;
}

void TBarGraph::paintColumn(TCanvas& canvas, const Across& across) const {
    const TRect& clip = across.clip;
    if (across.from > across.to) {
        return;
    }
    // The lamps in their places, from the top one of the range down to the bottom lamp.
    const TRect& bottomLamp = across.bottomLamp;
    const TRect column{bottomLamp.Left, lampRect(bottomLamp, across.to).Top, bottomLamp.Right,
                       bottomLamp.Bottom};
    const TRect shown = column.Intersected(clip);
    if (shown.IsEmpty()) {
        return;
    }
    canvas.Brush.Style = TBrushStyle::bsSolid;
    // An area inside one lamp (a lamp that changed) shows no outline.
    bool outlineShown = true;
    for (int i = across.from; i <= across.to && outlineShown; ++i) {
        const TRect b = lampRect(bottomLamp, i);
        const TRect inside{b.Left + 1, b.Top + 1, b.Right - 1, b.Bottom - 1};
        outlineShown = !(shown.Intersected(inside) == shown);
    }
    if (outlineShown) {
        canvas.Brush.Color = across.outline;
        canvas.FillRect(shown);
    }
    for (int i = across.from; i <= across.to; ++i) {
        const TRect b = lampRect(bottomLamp, i);
        const TRect inside =
            TRect{b.Left + 1, b.Top + 1, b.Right - 1, b.Bottom - 1}.Intersected(clip);
        if (!inside.IsEmpty()) {
            canvas.Brush.Color = lamps_[static_cast<std::size_t>(i)].fill;
            canvas.FillRect(inside);
        }
    }
}

TLumi* TBarGraph::Lumi(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= lamps_.size()) {
        return nullptr;
    }
    return lamps_[static_cast<std::size_t>(index)].lumi;
}

void TBarGraph::Notification(TComponent* component, TOperation operation) {
    TPanel::Notification(component, operation);
    if (operation == TOperation::opRemove) {
        for (LampState& lamp : lamps_) {
            if (lamp.lumi != nullptr && static_cast<TComponent*>(lamp.lumi) == component) {
                lamp.lumi->bar_ = nullptr;
                lamp.lumi = nullptr;
                columnShape_ = ColumnShape::unknown;
            }
        }
    }
}

} // namespace controls

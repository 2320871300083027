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
    lumis_.reserve(static_cast<std::size_t>(std::max(FLumiCount, 0)));
    lit_.reserve(lumis_.capacity());
    for (int i = 0; i < FLumiCount; ++i) {
        auto* lumi = new TLumi(this);
        lumi->SetBounds(1, t, w, FLumiHeight);
        lumi->SetColorOn(FLumiColor);
        lumi->SetParent(this);
        lumi->bar_ = this;
        lumi->index_ = i;
        lumis_.push_back(lumi);
        lit_.push_back(0);
        t -= step;
    }
    columnKnown_ = false;
    FTopIndex = std::clamp(FTopIndex, 0, std::max(FLumiCount - 1, 0));
}

TBarGraph::~TBarGraph() {
    unlinkLumis();
}

void TBarGraph::unlinkLumis() {
    // A lamp that outlives its column no longer reports to it.
    for (TLumi* lumi : lumis_) {
        if (lumi != nullptr) {
            lumi->bar_ = nullptr;
        }
    }
    lumis_.clear();
    lit_.clear();
}

void TBarGraph::lumiSwitched(int index, bool on) {
    if (index >= 0 && static_cast<std::size_t>(index) < lit_.size()) {
        lit_[static_cast<std::size_t>(index)] = on ? 1 : 0;
    }
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
    for (TLumi* lumi : lumis_) {
        if (lumi != nullptr) {
            lumi->SetWidth(w);
        }
    }
}

bool TBarGraph::regularColumn() const {
    int n = static_cast<int>(lumis_.size());
    int step = FLumiHeight - 1;
    return n > 0 && n == ControlCount() && step > 0 && lumis_.front() != nullptr &&
           lumis_.back() != nullptr &&
           lumis_.back()->Top() == lumis_.front()->Top() - (n - 1) * step;
}

void TBarGraph::lumisAcross(int top, int bottom, int& from, int& to) const {
    // Lamp i has its top at the bottom lamp's top - i * step.
    int step = FLumiHeight - 1;
    int base = lumis_.front()->Top();
    from = std::max((base - bottom) / step - 1, 0);
    to = std::min((base + FLumiHeight - top) / step + 1, static_cast<int>(lumis_.size()) - 1);
}

void TBarGraph::PaintWindow(TCanvas& canvas) {
    TRect clip = canvas.ClipRect();
    if (clip.IsEmpty() || !regularColumn()) {
        TPanel::PaintWindow(canvas);
        return;
    }
    // Every lamp that reaches into the area must be a plain visible box with a solid one-pixel
    // outline and a solid fill, in its place in the column, and together they must span the
    // area: then each of its pixels is painted by a lamp.
    const TLumi* first = lumis_.front();
    const int left = first->Left();
    const int right = left + first->Width();
    int from = 0;
    int to = 0;
    lumisAcross(clip.Top, clip.Bottom, from, to);
    int covered = clip.Bottom; // rows from here down are on lamps
    bool cover = clip.Left >= left && clip.Right <= right;
    for (int i = from; cover && i <= to && covered > clip.Top; ++i) {
        const TLumi* lumi = lumis_[static_cast<std::size_t>(i)];
        cover = plainBoxInPlace(i);
        if (cover) {
            int lumiBottom = lumi->Top() + lumi->Height();
            if (lumiBottom < covered) {
                cover = false; // a gap below this lamp
            } else {
                covered = std::min(covered, lumi->Top());
            }
        }
    }
    if (!cover || covered > clip.Top) {
        TPanel::PaintWindow(canvas);
    }
}

void TBarGraph::PaintControls(TCanvas& canvas) {
    if (!regularColumn()) {
        TPanel::PaintControls(canvas);
        return;
    }
    TRect clip = canvas.ClipRect();
    int from = 0;
    int to = 0;
    lumisAcross(clip.Top, clip.Bottom, from, to);
    if (paintColumn(canvas, clip, from, to)) {
        return;
    }
    for (int i = from; i <= to; ++i) {
        TLumi* lumi = lumis_[static_cast<std::size_t>(i)];
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

bool TBarGraph::plainBoxInPlace(int index) const {
    const TLumi* first = lumis_.front();
    const TLumi* lumi = lumis_[static_cast<std::size_t>(index)];
    return lumi != nullptr && lumi->Visible() && lumi->Left() == first->Left() &&
           lumi->Width() == first->Width() && lumi->Height() == FLumiHeight &&
           lumi->Top() == first->Top() - index * (FLumiHeight - 1) &&
           lumi->Shape() == TShapeType::stRectangle && lumi->Pen().Style == TPenStyle::psSolid &&
           lumi->Pen().Width == 1 && lumi->Brush().Style == TBrushStyle::bsSolid;
}

bool TBarGraph::paintColumn(TCanvas& canvas, const TRect& clip, int from, int to) const {
    const TLumi* first = lumis_.front();
    const TColor outline = first->Pen().Color;
    TRect column{first->Left(), first->Top() + FLumiHeight, first->Left() + first->Width(),
                 first->Top() + FLumiHeight};
    for (int i = from; i <= to; ++i) {
        const TLumi* lumi = lumis_[static_cast<std::size_t>(i)];
        if (!plainBoxInPlace(i) || lumi->Pen().Color != outline) {
            return false;
        }
        column.Top = std::min(column.Top, lumi->Top());
        column.Bottom = std::max(column.Bottom, lumi->Top() + FLumiHeight);
    }
    const TRect shown = column.Intersected(clip);
    if (shown.IsEmpty()) {
        return true;
    }
    canvas.Brush.Style = TBrushStyle::bsSolid;
    // An area inside one lamp (a lamp that changed) shows no outline.
    bool outlineShown = true;
    for (int i = from; i <= to && outlineShown; ++i) {
        const TRect b = lumis_[static_cast<std::size_t>(i)]->BoundsRect();
        const TRect inside{b.Left + 1, b.Top + 1, b.Right - 1, b.Bottom - 1};
        outlineShown = !(shown.Intersected(inside) == shown);
    }
    if (outlineShown) {
        canvas.Brush.Color = outline;
        canvas.FillRect(shown);
    }
    for (int i = from; i <= to; ++i) {
        const TLumi* lumi = lumis_[static_cast<std::size_t>(i)];
        const TRect b = lumi->BoundsRect();
        const TRect inside =
            TRect{b.Left + 1, b.Top + 1, b.Right - 1, b.Bottom - 1}.Intersected(clip);
        if (!inside.IsEmpty()) {
            canvas.Brush.Color = lumi->Brush().Color;
            canvas.FillRect(inside);
        }
    }
    return true;
}

TLumi* TBarGraph::Lumi(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= lumis_.size()) {
        return nullptr;
    }
    return lumis_[static_cast<std::size_t>(index)];
}

void TBarGraph::Notification(TComponent* component, TOperation operation) {
    TPanel::Notification(component, operation);
    if (operation == TOperation::opRemove) {
        for (TLumi*& lumi : lumis_) {
            if (lumi != nullptr && static_cast<TComponent*>(lumi) == component) {
                lumi->bar_ = nullptr;
                lumi = nullptr;
            }
        }
    }
}

} // namespace controls

#include "controls/bar_graph.h"

#include "controls/math_x.h"
#include "toolkit/exceptions.h"

#include <algorithm>

namespace controls {

using namespace toolkit;

TBarGraph::TBarGraph(TComponent* owner) : TPanel(owner) {
    SetBevelOuter(TBevelCut::bvLowered);
    width_ = 18;
    height_ = 164;
    OnResize = TNotifyEvent(this, &TBarGraph::ResizeLumis);
    TBarGraph::CreateLumis();
}

void TBarGraph::SetLevel(int value) {
    if (value > FLevelMax) {
        return;
    }
    FLevel = value;
    std::int64_t top = roundHalfEven(static_cast<long double>(value) / FLevelMax *
                                     static_cast<long double>(FLumiCount - 1));
    if (top <= FTopIndex) {
        return;
    }
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
    for (int i = 0; i < FLumiCount; ++i) {
        auto* lumi = new TLumi(this);
        lumi->SetBounds(1, t, w, FLumiHeight);
        lumi->SetColorOn(FLumiColor);
        lumi->SetParent(this);
        lumis_.push_back(lumi);
        t -= step;
    }
    FTopIndex = std::clamp(FTopIndex, 0, std::max(FLumiCount - 1, 0));
}

void TBarGraph::FreeLumis() {
    lumis_.clear();
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
                lumi = nullptr;
            }
        }
    }
}

} // namespace controls

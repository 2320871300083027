#include "toolkit/track_bar.h"

#include "toolkit/exceptions.h"

#include <algorithm>

namespace toolkit {

TTrackBar::TTrackBar(TComponent* owner) : TWinControl(owner) {
    width_ = 150;
    height_ = 45;
    SetTabStop(true);
}

void TTrackBar::SetParams(int position, int min, int max) {
    if (IsLoading()) {
        // Bounds may cross while a description sets them one by one; Loaded puts them in
        // order. Nothing fires.
        min_ = min;
        max_ = max;
        position_ = position;
        return;
    }
    if (max < min) {
        throw EInvalidOperation(ClassName() + ": Min (" + std::to_string(min) +
                                ") must not exceed Max (" + std::to_string(max) + ")");
    }
    position = std::clamp(position, min, max);
    bool rangeChanged = min != min_ || max != max_;
    min_ = min;
    max_ = max;
    if (rangeChanged && Peer() != nullptr) {
        Peer()->setRange(min_, max_);
    }
    if (position == position_) {
        return;
    }
    position_ = position;
    if (Peer() != nullptr) {
        Peer()->setPosition(position_);
    }
    Changed();
}

void TTrackBar::Loaded() {
    TWinControl::Loaded();
    max_ = std::max(max_, min_);
    position_ = std::clamp(position_, min_, max_);
    if (Peer() != nullptr) {
        Peer()->setRange(min_, max_);
        Peer()->setPosition(position_);
    }
}

void TTrackBar::SetPageSize(int value) {
    value = std::max(value, 1);
    if (value == pageSize_) {
        return;
    }
    pageSize_ = value;
    if (Peer() != nullptr) {
        Peer()->setPageSize(value);
    }
}

void TTrackBar::SetLineSize(int value) {
    value = std::max(value, 1);
    if (value == lineSize_) {
        return;
    }
    lineSize_ = value;
    if (Peer() != nullptr) {
        Peer()->setLineSize(value);
    }
}

void TTrackBar::SetFrequency(int value) {
    value = std::max(value, 0);
    if (value == frequency_) {
        return;
    }
    frequency_ = value;
    if (Peer() != nullptr) {
        Peer()->setTickFrequency(value);
    }
}

void TTrackBar::InitializePeer(WidgetPeer& peer) {
    peer.setRange(min_, max_);
    peer.setPosition(position_);
    peer.setPageSize(pageSize_);
    peer.setLineSize(lineSize_);
    peer.setTickFrequency(frequency_);
}

void TTrackBar::Changed() {
    OnChange(this);
}

} // namespace toolkit

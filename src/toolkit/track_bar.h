// Track bars: a horizontal slider over Min..Max. Position is always held inside Min..Max;
// every real change of it, by code (also through a new Min or Max) or by the user, fires
// OnChange, except while a description is applied. Min above Max is refused with
// EInvalidOperation; while a description is applied the bounds may cross on the way and are
// put in order (Max raised to Min) by Loaded.
#pragma once

#include "toolkit/win_control.h"

namespace toolkit {

class TTrackBar : public TWinControl {
public:
    explicit TTrackBar(TComponent* owner);

    int Min() const { return min_; }
    void SetMin(int value) { SetParams(position_, value, max_); }
    int Max() const { return max_; }
    void SetMax(int value) { SetParams(position_, min_, value); }
    int Position() const { return position_; }
    void SetPosition(int value) { SetParams(value, min_, max_); }
    // All three at once: the bounds first, then the position held inside them.
    void SetParams(int position, int min, int max);
    // How far Page Up and Page Down (and a click beside the thumb) move.
    int PageSize() const { return pageSize_; }
    void SetPageSize(int value);
    // How far the arrow keys move.
    int LineSize() const { return lineSize_; }
    void SetLineSize(int value);
    // A tick mark every Frequency positions.
    int Frequency() const { return frequency_; }
    void SetFrequency(int value);

    TNotifyEvent OnChange;

    void PeerValueChanged(int value) override { SetPosition(value); }
    void Loaded() override;

protected:
    virtual void Changed();
    PeerKind GetPeerKind() const override { return PeerKind::TrackBar; }
    void InitializePeer(WidgetPeer& peer) override;

private:
    int min_ = 0;
    int max_ = 10;
    int position_ = 0;
    int pageSize_ = 2;
    int lineSize_ = 1;
    int frequency_ = 1;
};

} // namespace toolkit

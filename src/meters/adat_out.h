// The ADAT output meter window: live levels of the eight ADAT outputs of every card.
#pragma once

#include "meters/adat_meter_form.h"

namespace meters {

class TfrmAdatOut : public TAdatMeterForm {
public:
    explicit TfrmAdatOut(toolkit::TComponent* owner);
};

// The window's fixed outer height, computed at creation.
extern int OutWindowHeight;

const MeterWindowDesign& AdatOutDesign();

} // namespace meters

// The ADAT input meter window: live levels of the eight ADAT inputs of every card.
#pragma once

#include "meters/adat_meter_form.h"

namespace meters {

class TfrmAdatInp : public TAdatMeterForm {
public:
    explicit TfrmAdatInp(toolkit::TComponent* owner);
};

// The window's fixed outer height, computed at creation.
extern int InpWindowHeight;

const MeterWindowDesign& AdatInpDesign();

} // namespace meters

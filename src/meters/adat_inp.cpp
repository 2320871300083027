#include "meters/adat_inp.h"

namespace meters {

int InpWindowHeight = 0;

const MeterWindowDesign& AdatInpDesign() {
    static const MeterWindowDesign design{
        "frmAdatInp",
        "ADAT Inputs",
        167,
        0,
        false,
        MSG_IN_METER_START,
        MSG_IN_METER_STOP,
        MSG_IN_METER_READ,
        "grpInput",
        {"pnMeter12", "pnMeter34", "pnMeter56", "pnMeter78"},
        {"Meter1", "Meter2", "Meter3", "Meter4", "Meter5", "Meter6", "Meter7", "Meter8"},
        314,
        2,
        {78, 156, 234, 312},
        3,
        {10, 32, 88, 110, 166, 190, 244, 264},
        &InpWindowHeight,
    };
    return design;
}

TfrmAdatInp::TfrmAdatInp(toolkit::TComponent* owner) : TAdatMeterForm(owner, AdatInpDesign()) {}

} // namespace meters

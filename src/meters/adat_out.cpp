#include "meters/adat_out.h"

namespace meters {

int OutWindowHeight = 0;

const MeterWindowDesign& AdatOutDesign() {
    static const MeterWindowDesign design{
        "frmAdatOut",
        "ADAT Outputs",
        0,
        133,
        true,
        MSG_OUT_METER_START,
        MSG_OUT_METER_STOP,
        MSG_OUT_METER_READ,
        "grpGround",
        {"pnMeter12", "Panel2", "Panel3", "Panel4"},
        {"PlayLvMeter1", "PlayLvMeter2", "LevelMeter1", "LevelMeter2", "LevelMeter3", "LevelMeter4",
         "LevelMeter5", "LevelMeter6"},
        310,
        6,
        {77, 155, 233, 311},
        4,
        {10, 32, 88, 110, 166, 188, 242, 264},
        &OutWindowHeight,
    };
    return design;
}

TfrmAdatOut::TfrmAdatOut(toolkit::TComponent* owner) : TAdatMeterForm(owner, AdatOutDesign()) {}

} // namespace meters

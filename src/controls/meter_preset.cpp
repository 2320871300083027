#include "controls/meter_preset.h"

namespace controls {

void ApplyMeterPreset(TLevelMeter& meter, const TMeterPreset& preset) {
    meter.SetBounds(meter.Left(), meter.Top(), preset.Width, preset.Height);
    meter.SetLumiHeight(preset.LumiHeight);
    meter.SetNumLumisRed(preset.NumLumisRed);
    meter.SetNumLumisOrange(preset.NumLumisOrange);
    meter.SetTimerInterval(preset.TimerInterval);
    meter.SetLevelMaxHold(preset.LevelMaxHold);
}

} // namespace controls

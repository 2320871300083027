#include "simcard/wave_driver.h"

#include <cstdio>

namespace simcard {

void installDrivers(const HardwareDescription& description) {
    setDriverDescription(description);
    winmmInstallDriver(systemWaveDriver());
    winmmInstallDriver(cardWaveDriver());
}

bool installDrivers() {
    const auto loaded = loadDescription();
    if (!loaded.description) {
        std::fprintf(stderr, "orvane: simulated card: %s\n", loaded.error.c_str());
        return false;
    }
    installDrivers(*loaded.description);
    return true;
}

} // namespace simcard

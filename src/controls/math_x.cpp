#include "controls/math_x.h"

#include <cmath>

namespace controls {

long double LogN(long double Base, long double X) {
    return std::log(X) / std::log(Base);
}

std::int64_t roundHalfEven(long double value) {
    // Explicit, so that the result does not depend on the floating-point rounding mode.
    long double floor = std::floor(value);
    long double diff = value - floor;
    if (diff > 0.5L || (diff == 0.5L && std::fmod(floor, 2.0L) != 0)) {
        floor += 1;
    }
    return static_cast<std::int64_t>(floor);
}

} // namespace controls

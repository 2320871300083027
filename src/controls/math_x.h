// Numeric helpers of the controls: the logarithm to any base, and the rounding that turns
// floating-point results into integers (to the nearest integer, halves to even).
#pragma once

#include <cstdint>

namespace controls {

// The logarithm of X to the base Base, ln X / ln Base, in extended precision.
long double LogN(long double Base, long double X);

// Rounds to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4, -0.5 -> 0). Values
// outside the int64 range and NaN are the caller's to avoid.
std::int64_t roundHalfEven(long double value);

} // namespace controls

// The clock that the simulated card measures on: the monotonic clock, or a test's own.
#pragma once

namespace simcard {

// Seconds on the simulated card's clock.
double simNow();

} // namespace simcard

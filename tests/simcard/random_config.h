// Settings of every card with every byte drawn from a seeded generator: the same seed gives the
// same bytes, so a test can write one and compare what comes back.
#pragma once

#include "simcard/settings_store.h"

#include <random>

namespace simcard_test {

inline simcard::DriverConfig randomConfig(unsigned seed) {
    std::mt19937 rng(seed);
    simcard::DriverConfig config;
    for (auto& byte : config) {
        byte = static_cast<unsigned char>(rng());
    }
    return config;
}

} // namespace simcard_test

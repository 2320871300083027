// The driver's stored configuration as a person reads it: every card's fields by name, and the
// bytes that no field names, as they were written.
#pragma once

#include "simcard/settings_store.h"

#include <string>

namespace simcard {

// One block per card ("Card 0" to "Card 3"), one line per field: name, value.
std::string formatDriverConfig(const DriverConfig& config);

} // namespace simcard

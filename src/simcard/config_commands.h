// The driver's side of the configuration commands: each reads or writes its record.
//   getstates          writes the driver's and the cards' start-up statuses (20 bytes)
//   reconfigurable     writes 1 (settings may change) or 0 (the card is in use) (4 bytes)
//   getconfig          writes the stored settings of all four cards (560 bytes)
//   setconfig          stores all 560 bytes as written
//   setconfig_onthefly applies GsifKerning and GsifPreload (offsets 40, 44) to every card's
//                      settings and stores them (48 bytes)
// The setting commands are carried out also while the card is in use: the protocol has no way
// to refuse them.
#pragma once

#include "simcard/description.h"
#include "simcard/settings_store.h"

#include <span>
#include <string>

namespace simcard {

// Runs the command on record (recordSize(command) bytes). Returns false with a reason when the
// settings could not be stored; warnings (a damaged settings file) go to warning.
bool runConfigCommand(ConfigCommand command, std::span<unsigned char> record,
                      const HardwareDescription& description, const SettingsStore& store,
                      std::string& warning, std::string& error);

// Sets the 32-bit completion flag to 1, with release ordering, so that whoever sees it set also
// sees the record.
void setCompletionFlag(void* flag);

} // namespace simcard

// The command line of the configuration entry point, as the rundll stand-in receives it:
//   qorva.DRV,DriverConfig <command> $XXXXXXXX #XXXXXXXX
// with the 16:16 addresses of the data block ($) and of the completion flag (#), eight hex
// digits each. Words may be separated by more than one blank or tab; the module name is
// compared without regard to case (a file name), the entry point and the command exactly.
#pragma once

#include "platform/win_types.h"
#include "simcard/records.h"

#include <optional>
#include <string>
#include <string_view>

namespace simcard {

struct ConfigCall {
    ConfigCommand command;
    DWORD dataAddress;
    DWORD flagAddress;
};

struct CommandLineResult {
    std::optional<ConfigCall> call; // set when the text is well formed
    std::string error;              // otherwise a one-line reason
};

CommandLineResult parseCommandLine(std::string_view text);

// argv[1] to argv[argc - 1] joined by single blanks: the command line of a program started with
// its parameters split into words.
std::string joinArguments(int argc, const char* const* argv);

// Text of a 16:16 address as the command line writes it: eight upper-case hex digits.
std::string formatAddress(DWORD address);

} // namespace simcard

// The configuration channel: one synchronous call of the driver's entry point per command. The
// record goes into a block of 16-bit global memory, a second block is the completion flag, and
// the entry point runs in the rundll process with both blocks' 16:16 addresses.
#pragma once

#include "platform/win_types.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace driver {

constexpr std::int32_t kCmdGetStates = 0x4001;
constexpr std::int32_t kCmdReconfigurable = 0x4002;
constexpr std::int32_t kCmdGetConfig = 0x4003;
constexpr std::int32_t kCmdSetConfig = 0x4004;
constexpr std::int32_t kCmdSetConfigOnTheFly = 0x4005;

// The entry point normally answers within a tenth of a second: a process start and a small
// file. Five seconds leave room for a heavily loaded machine, yet a driver that never answers
// holds the program (at start-up, before any window exists) for no longer than a user would
// wait for a settings dialog to open.
constexpr DWORD kDriverConfigTimeoutMs = 5000;

// Set to 1 by the start-up before its first call; a call with 0 does nothing and fails.
extern std::int32_t ConfigChannelEnabled;

// The command's name on the entry point's command line; empty for an unknown code.
std::string CommandName(std::int32_t command);

// Runs one command on the caller's record of size bytes. True if and only if the entry point
// was started and set the flag; the record then holds what the driver left in the block. On
// every failure the record is as it was: disabled channel, unknown command, no 16-bit memory,
// rundll not started, or an entry point that ended without setting the flag or did not set it
// within kDriverConfigTimeoutMs (it is then stopped, before its blocks are released).
bool DriverConfigCall(std::int32_t Enabled, std::int32_t Command, void* Data, std::int32_t Size);

// Why the calling thread's last DriverConfigCall failed.
enum class ConfigCallFailure {
    None,                // it succeeded
    NotCalled,           // disabled channel, unknown command or a record of a bad size
    NoMemory,            // no 16-bit global memory for the flag or the record
    NotStarted,          // rundll could not be started (the code is ShellExecuteA's error)
    DescriptionRejected, // the entry point could not read its hardware description
    NoAnswer,            // it ended without setting the flag (the code is its exit status) or
                         // did not set it in time
};
// The entry point's exit status when it cannot read its hardware description.
constexpr int kEntryExitBadDescription = 3;
// The reason and, where one applies, its code (ShellExecuteA's error or the exit status; -1 for a
// process ended by a signal).
ConfigCallFailure LastConfigCallFailure(int* Code = nullptr);
// A few words for messages: "could not be started", "did not answer", ...
const char* ConfigCallFailureText(ConfigCallFailure failure);

// Where the rundll stand-in lives: $ORVANE_RUNDLL, else "rundll" beside the program, else in the
// installed program's helper folder; empty when none (ShellExecuteA then looks "rundll.exe" up in
// PATH).
std::filesystem::path RundllPath();

// Starts the entry point with the command and the blocks' 16:16 addresses; returns the
// process token of ShellExecuteA (above 32) or its error code (32 or less).
HINSTANCE StartDriverConfigProcess(const std::string& CommandName, DWORD DataAddress,
                                   DWORD FlagAddress);
// The parameter text: "qorva.DRV,DriverConfig <command> $XXXXXXXX #XXXXXXXX".
std::string DriverConfigParameters(const std::string& CommandName, DWORD DataAddress,
                                   DWORD FlagAddress);

} // namespace driver

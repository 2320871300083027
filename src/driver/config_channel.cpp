#include "driver/config_channel.h"

#include "platform/kernel32.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/wow16.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

namespace driver {

std::int32_t ConfigChannelEnabled = 0;

namespace {

// A locked block of 16-bit global memory, released on every way out.
class Block16 {
public:
    Block16(WORD flags, DWORD size) {
        address_ = WOWGlobalAllocLock16(flags, size, nullptr);
        if (address_ != 0) {
            pointer_ = WOWGetVDMPointer(address_, size, TRUE);
        }
    }
    ~Block16() {
        if (address_ != 0) {
            WOWGlobalUnlockFree16(address_);
        }
    }
    Block16(const Block16&) = delete;
    Block16& operator=(const Block16&) = delete;

    DWORD address() const { return address_; }
    void* pointer() const { return pointer_; }

private:
    DWORD address_ = 0;
    void* pointer_ = nullptr;
};

bool flagSet(void* flag) {
    return std::atomic_ref<DWORD>(*static_cast<DWORD*>(flag)).load(std::memory_order_acquire) != 0;
}

// An entry point sets the flag and ends, so the wait sleeps until its process ends. One that sets
// the flag and runs on is noticed at the next look at the flag, kFlagLookMs later at most.
constexpr DWORD kFlagLookMs = 10;

thread_local ConfigCallFailure lastFailure = ConfigCallFailure::None;
thread_local int lastExitCode = 0;

ConfigCallFailure fail(ConfigCallFailure why, int exitCode = 0) {
    lastFailure = why;
    lastExitCode = exitCode;
    return why;
}

// Waits for the flag; false when the process ended without setting it or the time ran out.
bool waitForFlag(void* flag, HINSTANCE process) {
    const DWORD start = GetTickCount();
    while (!flagSet(flag)) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= kDriverConfigTimeoutMs) {
            platform::shellTerminateProcess(process);
            if (flagSet(flag)) {
                return true;
            }
            fail(ConfigCallFailure::NoAnswer);
            return false;
        }
        if (platform::shellWaitProcess(process,
                                       std::min(kFlagLookMs, kDriverConfigTimeoutMs - waited))) {
            // Ended; it may have set the flag just before.
            if (flagSet(flag)) {
                return true;
            }
            int exitCode = -1;
            platform::shellProcessExitCode(process, exitCode);
            fail(exitCode == kEntryExitBadDescription ? ConfigCallFailure::DescriptionRejected
                                                      : ConfigCallFailure::NoAnswer,
                 exitCode);
            return false;
        }
    }
    return true;
}

} // namespace

std::string CommandName(std::int32_t command) {
    switch (command) {
    case kCmdGetStates:
        return "getstates";
    case kCmdReconfigurable:
        return "reconfigurable";
    case kCmdGetConfig:
        return "getconfig";
    case kCmdSetConfig:
        return "setconfig";
    case kCmdSetConfigOnTheFly:
        return "setconfig_onthefly";
    default:
        return {};
    }
}

std::string DriverConfigParameters(const std::string& CommandName, DWORD DataAddress,
                                   DWORD FlagAddress) {
    char addresses[32];
    std::snprintf(addresses, sizeof addresses, " $%08X #%08X", static_cast<unsigned>(DataAddress),
                  static_cast<unsigned>(FlagAddress));
    return "qorva.DRV,DriverConfig " + CommandName + addresses;
}

std::filesystem::path RundllPath() {
    if (const char* named = std::getenv("ORVANE_RUNDLL"); named != nullptr && *named != '\0') {
        return named;
    }
    auto beside = platform::executableDir() / "rundll";
    if (std::filesystem::exists(beside)) {
        return beside;
    }
#ifdef ORV_HELPERDIR_FROM_BINDIR
    // Installed: the program's helpers have a folder of their own beside bin/.
    auto installed =
        (platform::executableDir() / ORV_HELPERDIR_FROM_BINDIR / "rundll").lexically_normal();
    if (std::filesystem::exists(installed)) {
        return installed;
    }
#endif
    return {};
}

HINSTANCE StartDriverConfigProcess(const std::string& CommandName, DWORD DataAddress,
                                   DWORD FlagAddress) {
    platform::shellSetProgramPath("rundll.exe", RundllPath());
    std::string parameters = DriverConfigParameters(CommandName, DataAddress, FlagAddress);
    return ShellExecuteA(nullptr, nullptr, "rundll.exe", parameters.c_str(), "", SW_SHOWDEFAULT);
}

bool DriverConfigCall(std::int32_t Enabled, std::int32_t Command, void* Data, std::int32_t Size) {
    fail(ConfigCallFailure::None);
    if (Enabled == 0 || Data == nullptr || Size <= 0 ||
        static_cast<DWORD>(Size) > kWow16MaxBlockSize) {
        fail(ConfigCallFailure::NotCalled);
        return false;
    }
    Block16 flag(GMEM_FIXED | GMEM_ZEROINIT, 4);
    if (flag.pointer() == nullptr) {
        fail(ConfigCallFailure::NoMemory);
        return false;
    }
    // Filled from the record below, so it needs no clearing.
    Block16 data(GMEM_FIXED, static_cast<DWORD>(Size));
    if (data.pointer() == nullptr) {
        fail(ConfigCallFailure::NoMemory);
        return false;
    }
    std::memcpy(data.pointer(), Data, static_cast<std::size_t>(Size));
    std::string name = CommandName(Command);
    if (name.empty()) {
        fail(ConfigCallFailure::NotCalled);
        return false;
    }
    HINSTANCE process = StartDriverConfigProcess(name, data.address(), flag.address());
    if (reinterpret_cast<std::uintptr_t>(process) <= 32) {
        fail(ConfigCallFailure::NotStarted,
             static_cast<int>(reinterpret_cast<std::uintptr_t>(process)));
        return false;
    }
    if (!waitForFlag(flag.pointer(), process)) {
        return false;
    }
    std::memcpy(Data, data.pointer(), static_cast<std::size_t>(Size));
    return true;
}

ConfigCallFailure LastConfigCallFailure(int* Code) {
    if (Code) {
        *Code = lastExitCode;
    }
    return lastFailure;
}

const char* ConfigCallFailureText(ConfigCallFailure failure) {
    switch (failure) {
    case ConfigCallFailure::None:
        return "answered";
    case ConfigCallFailure::NotCalled:
        return "was not called (channel disabled or unknown command)";
    case ConfigCallFailure::NoMemory:
        return "got no 16-bit memory for its record";
    case ConfigCallFailure::NotStarted:
        return "could not be started";
    case ConfigCallFailure::DescriptionRejected:
        return "rejected the hardware description";
    case ConfigCallFailure::NoAnswer:
        return "did not answer";
    }
    return "did not answer";
}

} // namespace driver

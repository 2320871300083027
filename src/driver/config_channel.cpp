#include "driver/config_channel.h"

#include "platform/kernel32.h"
#include "platform/shell.h"
#include "platform/wow16.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace driver {

std::int32_t ConfigChannelEnabled = 0;

namespace {

// A locked block of 16-bit global memory, released on every way out.
class Block16 {
public:
    explicit Block16(DWORD size) {
        address_ = WOWGlobalAllocLock16(GMEM_FIXED | GMEM_ZEROINIT, size, nullptr);
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

// Waits for the flag; false when the process ended without setting it or the time ran out.
bool waitForFlag(void* flag, HINSTANCE process) {
    const DWORD start = GetTickCount();
    while (!flagSet(flag)) {
        if (!platform::shellProcessRunning(process)) {
            // It may have set the flag just before it ended.
            return flagSet(flag);
        }
        if (GetTickCount() - start >= kDriverConfigTimeoutMs) {
            platform::shellTerminateProcess(process);
            return flagSet(flag);
        }
        Sleep(1);
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

HINSTANCE StartDriverConfigProcess(const std::string& CommandName, DWORD DataAddress,
                                   DWORD FlagAddress) {
    std::string parameters = DriverConfigParameters(CommandName, DataAddress, FlagAddress);
    return ShellExecuteA(nullptr, nullptr, "rundll.exe", parameters.c_str(), "", SW_SHOWDEFAULT);
}

bool StartDriverConfig(const std::string& CommandName, DWORD DataAddress, DWORD FlagAddress) {
    return reinterpret_cast<std::uintptr_t>(
               StartDriverConfigProcess(CommandName, DataAddress, FlagAddress)) > 32;
}

bool DriverConfigCall(std::int32_t Enabled, std::int32_t Command, void* Data, std::int32_t Size) {
    if (Enabled == 0 || Data == nullptr || Size <= 0 ||
        static_cast<DWORD>(Size) > kWow16MaxBlockSize) {
        return false;
    }
    Block16 flag(4);
    if (flag.pointer() == nullptr) {
        return false;
    }
    Block16 data(static_cast<DWORD>(Size));
    if (data.pointer() == nullptr) {
        return false;
    }
    std::memcpy(data.pointer(), Data, static_cast<std::size_t>(Size));
    std::string name = CommandName(Command);
    if (name.empty()) {
        return false;
    }
    HINSTANCE process = StartDriverConfigProcess(name, data.address(), flag.address());
    if (reinterpret_cast<std::uintptr_t>(process) <= 32) {
        return false;
    }
    if (!waitForFlag(flag.pointer(), process)) {
        return false;
    }
    std::memcpy(Data, data.pointer(), static_cast<std::size_t>(Size));
    return true;
}

} // namespace driver

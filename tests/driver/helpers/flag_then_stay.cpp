// An entry point for the configuration channel tests that sets the completion flag and then
// keeps running for the number of milliseconds in $FLAG_THEN_STAY_MS (default 3000).
//   flag_then_stay qorva.DRV,DriverConfig <command> $XXXXXXXX #XXXXXXXX
#include "platform/wow16.h"

#include <atomic>
#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 5 || argv[4][0] != '#') {
        return 2;
    }
    const auto flagAddress = static_cast<DWORD>(std::strtoul(argv[4] + 1, nullptr, 16));
    auto* flag = static_cast<DWORD*>(WOWGetVDMPointer(flagAddress, 4, TRUE));
    if (!flag) {
        return 4;
    }
    std::atomic_ref<DWORD>(*flag).store(1, std::memory_order_release);
    const char* ms = std::getenv("FLAG_THEN_STAY_MS");
    ::usleep(static_cast<useconds_t>((ms ? std::atoi(ms) : 3000) * 1000));
    return 0;
}

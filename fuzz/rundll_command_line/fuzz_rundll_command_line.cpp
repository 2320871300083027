// Any text given to the rundll stand-in yields either a call or a one-line printable reason, and
// a call written back the way the program writes it reads the same.
#include "simcard/command_line.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto result = simcard::parseCommandLine(text);
    if (!result.call) {
        if (result.error.empty() || result.error.size() > 200) {
            std::abort();
        }
        for (char ch : result.error) {
            if (ch < 0x20 || ch >= 0x7F) {
                std::abort();
            }
        }
        return 0;
    }
    const auto& call = *result.call;
    const std::string again =
        "qorva.DRV,DriverConfig " + std::string(simcard::commandName(call.command)) + " $" +
        simcard::formatAddress(call.dataAddress) + " #" + simcard::formatAddress(call.flagAddress);
    const auto reread = simcard::parseCommandLine(again);
    if (!reread.call || reread.call->command != call.command ||
        reread.call->dataAddress != call.dataAddress ||
        reread.call->flagAddress != call.flagAddress) {
        std::abort();
    }
    return 0;
}

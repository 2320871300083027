// Device names come from whatever wave drivers are installed: any bytes of up to 31
// characters. Reading them either gives a card and pair that agree with the name's number or
// fails with the conversion error, never anything else.
#include "driver/devices.h"
#include "toolkit/exceptions.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string name(reinterpret_cast<const char*>(data), size);
    std::int32_t pair = 1234;
    try {
        std::int32_t card = driver::DevNameChannelPairToCardId(name, 8, pair);
        // A card and pair that came back name the number after the last hyphen.
        std::int64_t n =
            static_cast<std::int64_t>(card) * 8 + static_cast<std::int64_t>(pair) * 2 + 2;
        std::int64_t rest = (n - 2) % 8;
        if (pair < -3 || pair > 3 || rest < -7 || rest > 7) {
            std::abort();
        }
    } catch (const toolkit::EConvertError&) {
        if (pair != 1234) {
            std::abort(); // a failed read must not have set the pair
        }
    }
    return 0;
}

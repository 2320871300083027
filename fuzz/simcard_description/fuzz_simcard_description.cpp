// Any description text yields either a description within its documented ranges or a one-line
// "<source>:<line>: <message>" error.
#include "simcard/description.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto result = simcard::parseDescription(text, "fuzz.desc");
    if (!result.description) {
        check(result.error.rfind("fuzz.desc:", 0) == 0);
        check(result.error.find('\n') == std::string::npos);
        return 0;
    }
    const auto& d = *result.description;
    check(d.cards >= 0 && d.cards <= simcard::kMaxCards);
    for (const auto* sources : {&d.inputs, &d.outputs}) {
        for (const auto& source : *sources) {
            check(source.level >= 0 && source.level <= simcard::kFullScale);
            check(source.hz > 0 && source.hz <= 20000);
        }
    }
    if (d.devices) {
        for (const auto& device : *d.devices) {
            check(device.name.size() <= 31);
        }
    }
    return 0;
}

#include "toolkit/exceptions.h"

#include <charconv>
#include <limits>

namespace toolkit {

void Abort() {
    throw EAbort();
}

namespace {

bool parseInt(const std::string& text, std::int32_t& out) {
    if (text.empty()) {
        return false;
    }
    // Leading blanks are skipped, as the classic conversion does; trailing ones are not.
    std::size_t pos = text.find_first_not_of(' ');
    if (pos == std::string::npos) {
        return false;
    }
    bool negative = false;
    if (text[pos] == '-' || text[pos] == '+') {
        negative = text[pos] == '-';
        ++pos;
    }
    int base = 10;
    if (pos < text.size() && text[pos] == '$') {
        base = 16;
        ++pos;
    } else if (pos + 1 < text.size() && text[pos] == '0' &&
               (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    if (pos >= text.size()) {
        return false;
    }
    std::uint64_t magnitude = 0;
    const char* first = text.data() + pos;
    const char* last = text.data() + text.size();
    auto [end, ec] = std::from_chars(first, last, magnitude, base);
    if (ec != std::errc() || end != last) {
        return false;
    }
    if (base == 16 && !negative) {
        // Hexadecimal literals name bit patterns: $FFFFFFFF is -1.
        if (magnitude > 0xFFFFFFFFull) {
            return false;
        }
        out = static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
        return true;
    }
    const std::uint64_t limit =
        negative ? static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) + 1
                 : static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    if (magnitude > limit) {
        return false;
    }
    out = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                   : static_cast<std::int32_t>(magnitude);
    return true;
}

} // namespace

std::int32_t StrToInt(const std::string& text) {
    std::int32_t value = 0;
    if (!parseInt(text, value)) {
        throw EConvertError("'" + text + "' is not a valid integer value");
    }
    return value;
}

std::int32_t StrToIntDef(const std::string& text, std::int32_t defaultValue) {
    std::int32_t value = 0;
    return parseInt(text, value) ? value : defaultValue;
}

std::string IntToStr(std::int64_t value) {
    return std::to_string(value);
}

} // namespace toolkit

#include "simcard/command_line.h"

#include <array>
#include <cstdio>
#include <vector>

namespace simcard {
namespace {

constexpr std::string_view kModule = "qorva.DRV";
constexpr std::string_view kEntryPoint = "DriverConfig";

constexpr std::array<std::pair<ConfigCommand, std::string_view>, kConfigCommandCount> kNames = {{
    {ConfigCommand::GetStates, "getstates"},
    {ConfigCommand::Reconfigurable, "reconfigurable"},
    {ConfigCommand::GetConfig, "getconfig"},
    {ConfigCommand::SetConfig, "setconfig"},
    {ConfigCommand::SetConfigOnTheFly, "setconfig_onthefly"},
}};

bool isBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> result;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < text.size() && !isBlank(text[i])) {
            ++i;
        }
        if (i > start) {
            result.push_back(text.substr(start, i - start));
        }
    }
    return result;
}

// A word as it may appear in a one-line message: printable, and not too long.
std::string quoted(std::string_view word) {
    std::string text = "'";
    for (std::size_t i = 0; i < word.size() && i < 40; ++i) {
        const auto ch = static_cast<unsigned char>(word[i]);
        text += (ch >= 0x20 && ch < 0x7F) ? static_cast<char>(ch) : '?';
    }
    if (word.size() > 40) {
        text += "...";
    }
    return text + "'";
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char ch) {
            return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch + 32) : ch;
        };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

std::optional<DWORD> parseAddress(std::string_view word, char prefix) {
    if (word.size() != 9 || word[0] != prefix) {
        return std::nullopt;
    }
    DWORD value = 0;
    for (char ch : word.substr(1)) {
        int digit = 0;
        if (ch >= '0' && ch <= '9') {
            digit = ch - '0';
        } else if (ch >= 'A' && ch <= 'F') {
            digit = ch - 'A' + 10;
        } else if (ch >= 'a' && ch <= 'f') {
            digit = ch - 'a' + 10;
        } else {
            return std::nullopt;
        }
        value = value << 4 | static_cast<DWORD>(digit);
    }
    return value;
}

CommandLineResult failure(std::string error) {
    return {std::nullopt, std::move(error)};
}

} // namespace

std::string_view commandName(ConfigCommand command) {
    for (const auto& [c, name] : kNames) {
        if (c == command) {
            return name;
        }
    }
    return {};
}

std::optional<ConfigCommand> commandFromName(std::string_view name) {
    for (const auto& [c, n] : kNames) {
        if (n == name) {
            return c;
        }
    }
    return std::nullopt;
}

CommandLineResult parseCommandLine(std::string_view text) {
    const auto w = words(text);
    if (w.empty()) {
        return failure("empty command line; expected qorva.DRV,DriverConfig <command> $XXXXXXXX "
                       "#XXXXXXXX");
    }
    const std::size_t comma = w[0].find(',');
    if (comma == std::string_view::npos) {
        return failure("expected <module>,<entry point>, got " + quoted(w[0]));
    }
    const auto module = w[0].substr(0, comma);
    const auto entry = w[0].substr(comma + 1);
    if (!equalsIgnoringCase(module, kModule)) {
        return failure("cannot load module " + quoted(module));
    }
    if (entry != kEntryPoint) {
        return failure("module qorva.DRV has no entry point " + quoted(entry));
    }
    if (w.size() < 2) {
        return failure("missing command");
    }
    const auto command = commandFromName(w[1]);
    if (!command) {
        return failure("unknown command " + quoted(w[1]));
    }
    if (w.size() < 3) {
        return failure("missing data address ($ and eight hex digits)");
    }
    const auto data = parseAddress(w[2], '$');
    if (!data) {
        return failure("malformed data address " + quoted(w[2]) +
                       " (expected $ and eight hex digits)");
    }
    if (w.size() < 4) {
        return failure("missing flag address (# and eight hex digits)");
    }
    const auto flag = parseAddress(w[3], '#');
    if (!flag) {
        return failure("malformed flag address " + quoted(w[3]) +
                       " (expected # and eight hex digits)");
    }
    if (w.size() > 4) {
        return failure("unexpected text after the flag address: " + quoted(w[4]));
    }
    return {ConfigCall{*command, *data, *flag}, {}};
}

std::string joinArguments(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            text += ' ';
        }
        text += argv[i];
    }
    return text;
}

std::string formatAddress(DWORD address) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(address));
    return text;
}

} // namespace simcard

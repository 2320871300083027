#include "simcard/description.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace simcard {
namespace {

// Two healthy cards with lively synthetic levels.
constexpr std::string_view kDefaultDescription = R"(# Built-in description: two healthy cards.
cards 2
driver-status 1
in-use no
system-device no
seed 1
level in * synthetic
level out * synthetic
)";

constexpr std::streamsize kMaxFileSize = 1 << 20;

} // namespace

std::string_view defaultDescriptionText() {
    return kDefaultDescription;
}

DescriptionResult loadDescription() {
    const char* path = std::getenv("ORVANE_SIMCARD");
    if (!path || !*path) {
        return parseDescription(kDefaultDescription, "<built-in description>");
    }
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) {
        return {std::nullopt, std::string(path) + ": not a file"};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {std::nullopt, std::string(path) + ": cannot read: " + std::strerror(errno)};
    }
    std::string text(static_cast<std::size_t>(kMaxFileSize) + 1, '\0');
    in.read(text.data(), kMaxFileSize + 1);
    if (in.bad()) {
        return {std::nullopt, std::string(path) + ": cannot read"};
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > static_cast<std::size_t>(kMaxFileSize)) {
        return {std::nullopt, std::string(path) + ": larger than 1 MiB, not a description"};
    }
    DescriptionResult result = parseDescription(text, path);
    if (result.description) {
        resolveSoundFiles(*result.description, std::filesystem::path(path).parent_path().string());
    }
    return result;
}

void resolveSoundFiles(HardwareDescription& description, const std::string& folder) {
    for (auto* sources : {&description.inputs, &description.outputs}) {
        for (SignalSource& source : *sources) {
            if (source.kind == SourceKind::File && !source.target.empty() &&
                source.target.front() != '/' && !folder.empty()) {
                source.target = (std::filesystem::path(folder) / source.target).string();
            }
        }
    }
}

} // namespace simcard

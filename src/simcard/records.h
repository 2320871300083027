// The records of the card driver's configuration entry point, as they lie in 16-bit memory:
// little-endian, every named field 32 bits wide, booleans 0 or nonzero (-1 when set here).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace simcard {

enum class ConfigCommand { GetStates, Reconfigurable, GetConfig, SetConfig, SetConfigOnTheFly };
constexpr int kConfigCommandCount = 5;

constexpr std::size_t kDriverStatesSize = 20;
constexpr std::size_t kReconfigurableSize = 4;
constexpr std::size_t kCardConfigSize = 140;
constexpr std::size_t kDriverConfigSize = 4 * kCardConfigSize;
constexpr std::size_t kGsifOnTheFlySize = 48;
constexpr std::size_t kFlagSize = 4;

// Offsets within a card's 140-byte record.
constexpr std::size_t kRemovalNotice = 0;
constexpr std::size_t kMaster = 8;
constexpr std::size_t kSyncBusClock = 12;
constexpr std::size_t kRateMessages = 28;
constexpr std::size_t kPlaySynchron = 36;
constexpr std::size_t kRecSynchron = 40;
constexpr std::size_t kSyncBusBoth = 44;
constexpr std::size_t kPlaySyncBus = 48;
constexpr std::size_t kRecSyncBus = 52;
constexpr std::size_t kPlayClock = 60;
constexpr std::size_t kDefaultRate = 72;
constexpr std::size_t kWriteIsPlayCursor = 92;
constexpr std::size_t kDsLatency = 96;
constexpr std::size_t kRestrictedRate = 100;
constexpr std::size_t kRestrictedRes = 104;
constexpr std::size_t kRestrictedDev = 108;
constexpr std::size_t kRestrictedDevice = 112;
constexpr std::size_t kGsifKerning = 128;
constexpr std::size_t kGsifPreload = 132;

// Offsets within the 48-byte on-the-fly record.
constexpr std::size_t kOnTheFlyKerning = 40;
constexpr std::size_t kOnTheFlyPreload = 44;

// True if a byte of a card's record is one of its named fields.
constexpr bool isInterpretedOffset(std::size_t offset) {
    constexpr std::size_t fields[] = {
        kRemovalNotice,    kMaster,         kSyncBusClock,  kRateMessages,
        kPlaySynchron,     kRecSynchron,    kSyncBusBoth,   kPlaySyncBus,
        kRecSyncBus,       kPlayClock,      kDefaultRate,   kWriteIsPlayCursor,
        kDsLatency,        kRestrictedRate, kRestrictedRes, kRestrictedDev,
        kRestrictedDevice, kGsifKerning,    kGsifPreload};
    for (std::size_t field : fields) {
        if (offset >= field && offset < field + 4) {
            return true;
        }
    }
    return false;
}

constexpr std::size_t recordSize(ConfigCommand command) {
    switch (command) {
    case ConfigCommand::GetStates:
        return kDriverStatesSize;
    case ConfigCommand::Reconfigurable:
        return kReconfigurableSize;
    case ConfigCommand::GetConfig:
    case ConfigCommand::SetConfig:
        return kDriverConfigSize;
    case ConfigCommand::SetConfigOnTheFly:
        return kGsifOnTheFlySize;
    }
    return 0;
}

// The command's name on the entry point's command line.
std::string_view commandName(ConfigCommand command);
std::optional<ConfigCommand> commandFromName(std::string_view name);

inline std::int32_t readInt32(std::span<const unsigned char> bytes, std::size_t offset) {
    const std::uint32_t value =
        std::uint32_t{bytes[offset]} | std::uint32_t{bytes[offset + 1]} << 8 |
        std::uint32_t{bytes[offset + 2]} << 16 | std::uint32_t{bytes[offset + 3]} << 24;
    return static_cast<std::int32_t>(value);
}

inline void writeInt32(std::span<unsigned char> bytes, std::size_t offset, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    bytes[offset] = static_cast<unsigned char>(u);
    bytes[offset + 1] = static_cast<unsigned char>(u >> 8);
    bytes[offset + 2] = static_cast<unsigned char>(u >> 16);
    bytes[offset + 3] = static_cast<unsigned char>(u >> 24);
}

} // namespace simcard

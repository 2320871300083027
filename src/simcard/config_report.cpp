#include "simcard/config_report.h"

#include <cstdio>
#include <span>

namespace simcard {
namespace {

struct Field {
    const char* name;
    std::size_t offset;
    std::size_t size; // 4 for a named field; a run of unnamed bytes may be longer
    bool isUnsigned;
    bool named = true;
};

// In record order, with the unnamed runs between the fields.
constexpr Field kFields[] = {
    {"RemovalNotice", kRemovalNotice, 4, false},
    {"Reserved4", 4, 4, false, false},
    {"Master", kMaster, 4, false},
    {"SyncBusClock", kSyncBusClock, 4, false},
    {"Reserved16", 16, 12, false, false},
    {"RateMessages", kRateMessages, 4, false},
    {"Reserved32", 32, 4, false, false},
    {"PlaySynchron", kPlaySynchron, 4, false},
    {"RecSynchron", kRecSynchron, 4, false},
    {"SyncBusBoth", kSyncBusBoth, 4, false},
    {"PlaySyncBus", kPlaySyncBus, 4, false},
    {"RecSyncBus", kRecSyncBus, 4, false},
    {"Reserved56", 56, 4, false, false},
    {"PlayClock", kPlayClock, 4, false},
    {"Reserved64", 64, 8, false, false},
    {"DefaultRate", kDefaultRate, 4, true},
    {"Reserved76", 76, 16, false, false},
    {"WriteIsPlayCursor", kWriteIsPlayCursor, 4, false},
    {"DsLatency", kDsLatency, 4, true},
    {"RestrictedRate", kRestrictedRate, 4, false},
    {"RestrictedRes", kRestrictedRes, 4, false},
    {"RestrictedDev", kRestrictedDev, 4, false},
    {"RestrictedDevice", kRestrictedDevice, 4, false},
    {"Reserved116", 116, 12, false, false},
    {"GsifKerning", kGsifKerning, 4, false},
    {"GsifPreload", kGsifPreload, 4, false},
    {"Reserved136", 136, 4, false, false},
};

constexpr bool fieldsCoverTheRecord() {
    std::size_t next = 0;
    for (const Field& f : kFields) {
        if (f.offset != next || f.named != isInterpretedOffset(f.offset) ||
            (f.named && f.size != 4)) {
            return false;
        }
        next += f.size;
    }
    return next == kCardConfigSize;
}
static_assert(fieldsCoverTheRecord());

} // namespace

std::string formatDriverConfig(const DriverConfig& config) {
    std::string text;
    char line[128];
    for (std::size_t card = 0; card < 4; ++card) {
        std::span<const unsigned char> bytes(config.data() + card * kCardConfigSize,
                                             kCardConfigSize);
        std::snprintf(line, sizeof line, "Card %zu\n", card);
        text += line;
        for (const Field& f : kFields) {
            std::snprintf(line, sizeof line, "  %-18s", f.name);
            text += line;
            if (!f.named) {
                for (std::size_t i = 0; i < f.size; ++i) {
                    std::snprintf(line, sizeof line, " %02X", bytes[f.offset + i]);
                    text += line;
                }
            } else if (f.isUnsigned) {
                std::snprintf(line, sizeof line, " %u",
                              static_cast<std::uint32_t>(readInt32(bytes, f.offset)));
                text += line;
            } else {
                std::snprintf(line, sizeof line, " %d", readInt32(bytes, f.offset));
                text += line;
            }
            text += '\n';
        }
    }
    return text;
}

} // namespace simcard

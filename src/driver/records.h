// The records of the driver's configuration entry point: fixed layouts shared with the driver,
// little-endian, every named field 32 bits wide. Booleans are written as -1 and read as nonzero.
#pragma once

#include <cstddef>
#include <cstdint>

namespace driver {

constexpr std::int32_t kTrue = -1;
constexpr std::int32_t kFalse = 0;

// Answer of "getstates".
struct TDriverStates {
    std::int32_t Status;        // 1: the driver started properly; other: an error id
    std::int32_t CardStatus[4]; // cards 1 to 4: 1 started, 0 ends the list, other an error id
};

// The settings of one card.
struct TCardConfig {
    std::int32_t RemovalNotice;
    std::uint8_t Reserved4[4];
    std::int32_t Master;
    std::int32_t SyncBusClock; // 0 internal clock, 1 ADAT input clock
    std::uint8_t Reserved16[12];
    std::int32_t RateMessages;
    std::uint8_t Reserved32[4];
    std::int32_t PlaySynchron;
    std::int32_t RecSynchron;
    std::int32_t SyncBusBoth;
    std::int32_t PlaySyncBus;
    std::int32_t RecSyncBus;
    std::uint8_t Reserved56[4];
    std::int32_t PlayClock; // 0 internal, 1 ADAT input, 2 SyncBus
    std::uint8_t Reserved64[8];
    std::uint32_t DefaultRate; // Hz, 22000 to 58000
    std::uint8_t Reserved76[16];
    std::int32_t WriteIsPlayCursor;
    std::uint32_t DsLatency;     // 0 automatic, 1 to 100 ms
    std::int32_t RestrictedRate; // 0, 44100 or 48000
    std::int32_t RestrictedRes;  // 0, 1 (8 bit) or 2 (16 bit)
    std::int32_t RestrictedDev;
    std::int32_t RestrictedDevice; // -1 none, 0 to 3 the pair
    std::uint8_t Reserved116[12];
    std::int32_t GsifKerning; // 0 fine to 3 coarse
    std::int32_t GsifPreload; // 2 to 50
    std::uint8_t Reserved136[4];
};

// The settings of all four cards, card n at n * 140.
struct TDriverConfig {
    TCardConfig Cards[4];
};

// Record of "setconfig_onthefly".
struct TGsifOnTheFly {
    std::uint8_t Reserved[40]; // sent as zeros
    std::int32_t GsifKerning;
    std::int32_t GsifPreload;
};

static_assert(sizeof(TDriverStates) == 20);
static_assert(offsetof(TDriverStates, CardStatus) == 4);
static_assert(sizeof(TCardConfig) == 140);
static_assert(offsetof(TCardConfig, RemovalNotice) == 0);
static_assert(offsetof(TCardConfig, Master) == 8);
static_assert(offsetof(TCardConfig, SyncBusClock) == 12);
static_assert(offsetof(TCardConfig, RateMessages) == 28);
static_assert(offsetof(TCardConfig, PlaySynchron) == 36);
static_assert(offsetof(TCardConfig, RecSynchron) == 40);
static_assert(offsetof(TCardConfig, SyncBusBoth) == 44);
static_assert(offsetof(TCardConfig, PlaySyncBus) == 48);
static_assert(offsetof(TCardConfig, RecSyncBus) == 52);
static_assert(offsetof(TCardConfig, PlayClock) == 60);
static_assert(offsetof(TCardConfig, DefaultRate) == 72);
static_assert(offsetof(TCardConfig, WriteIsPlayCursor) == 92);
static_assert(offsetof(TCardConfig, DsLatency) == 96);
static_assert(offsetof(TCardConfig, RestrictedRate) == 100);
static_assert(offsetof(TCardConfig, RestrictedRes) == 104);
static_assert(offsetof(TCardConfig, RestrictedDev) == 108);
static_assert(offsetof(TCardConfig, RestrictedDevice) == 112);
static_assert(offsetof(TCardConfig, GsifKerning) == 128);
static_assert(offsetof(TCardConfig, GsifPreload) == 132);
static_assert(sizeof(TDriverConfig) == 560);
static_assert(sizeof(TGsifOnTheFly) == 48);
static_assert(offsetof(TGsifOnTheFly, GsifKerning) == 40);
static_assert(offsetof(TGsifOnTheFly, GsifPreload) == 44);

} // namespace driver

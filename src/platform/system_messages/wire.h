// The records that travel over a program's message socket (a SOCK_SEQPACKET Unix socket, one
// record per packet, in the machine's byte order: both ends run on the same machine).
#pragma once

#include "platform/system_messages.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace platform::wire {

constexpr std::uint32_t kRequestMagic = 0x4D53524F; // "ORSM"
constexpr std::uint32_t kAnswerMagic = 0x4153524F;  // "ORSA"
constexpr std::uint32_t kVersion = 1;

struct RequestHeader {
    std::uint32_t magic;
    std::uint32_t version;
    std::uint32_t msg;
    std::uint32_t recordSize;
    std::uint64_t wParam;
};
static_assert(sizeof(RequestHeader) == 24);

struct Answer {
    std::uint32_t magic;
    std::uint32_t status; // DeliveryStatus
    std::int64_t result;
};
static_assert(sizeof(Answer) == 16);

// The largest packet a listener reads.
constexpr std::size_t kMaxPacket = sizeof(RequestHeader) + kMaxRecordSize;

std::vector<std::uint8_t> encodeRequest(const SystemMessage& message);
// Nothing for a packet that is not a well-formed request of this version.
std::optional<SystemMessage> decodeRequest(const std::uint8_t* data, std::size_t size);
Answer encodeAnswer(const DeliveryResult& result);
std::optional<DeliveryResult> decodeAnswer(const std::uint8_t* data, std::size_t size);

} // namespace platform::wire

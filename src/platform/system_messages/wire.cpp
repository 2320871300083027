#include "platform/system_messages/wire.h"

#include <cstring>

namespace platform {

bool isAcceptedSystemMessage(const SystemMessage& message) {
    if (message.msg != WM_DEVICECHANGE) {
        return false;
    }
    const auto& record = message.record;
    if (record.size() < sizeof(DEV_BROADCAST_HDR) || record.size() > kMaxRecordSize) {
        return false;
    }
    DEV_BROADCAST_HDR header;
    std::memcpy(&header, record.data(), sizeof header);
    return header.dbch_size == record.size();
}

namespace wire {

std::vector<std::uint8_t> encodeRequest(const SystemMessage& message) {
    RequestHeader header{kRequestMagic, kVersion, message.msg,
                         static_cast<std::uint32_t>(message.record.size()),
                         static_cast<std::uint64_t>(message.wParam)};
    std::vector<std::uint8_t> packet(sizeof header + message.record.size());
    std::memcpy(packet.data(), &header, sizeof header);
    if (!message.record.empty()) {
        std::memcpy(packet.data() + sizeof header, message.record.data(), message.record.size());
    }
    return packet;
}

std::optional<SystemMessage> decodeRequest(const std::uint8_t* data, std::size_t size) {
    RequestHeader header;
    if (size < sizeof header) {
        return std::nullopt;
    }
    std::memcpy(&header, data, sizeof header);
    if (header.magic != kRequestMagic || header.version != kVersion ||
        header.recordSize > kMaxRecordSize || size != sizeof header + header.recordSize) {
        return std::nullopt;
    }
    SystemMessage message;
    message.msg = header.msg;
    message.wParam = static_cast<WPARAM>(header.wParam);
    message.record.assign(data + sizeof header, data + size);
    return message;
}

Answer encodeAnswer(const DeliveryResult& result) {
    return {kAnswerMagic, static_cast<std::uint32_t>(result.status),
            static_cast<std::int64_t>(result.result)};
}

std::optional<DeliveryResult> decodeAnswer(const std::uint8_t* data, std::size_t size) {
    Answer answer;
    if (size != sizeof answer) {
        return std::nullopt;
    }
    std::memcpy(&answer, data, sizeof answer);
    if (answer.magic != kAnswerMagic || answer.status > 2) {
        return std::nullopt;
    }
    return DeliveryResult{static_cast<DeliveryStatus>(answer.status),
                          static_cast<LRESULT>(answer.result)};
}

} // namespace wire
} // namespace platform

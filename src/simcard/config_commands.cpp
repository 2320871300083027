#include "simcard/config_commands.h"

#include <atomic>
#include <cstring>

namespace simcard {

bool runConfigCommand(ConfigCommand command, std::span<unsigned char> record,
                      const HardwareDescription& description, const SettingsStore& store,
                      std::string& warning, std::string& error) {
    if (record.size() < recordSize(command)) {
        error = "record too small for " + std::string(commandName(command));
        return false;
    }
    switch (command) {
    case ConfigCommand::GetStates:
        writeInt32(record, 0, description.driverStatus);
        for (int card = 0; card < kMaxCards; ++card) {
            writeInt32(record, 4 + 4 * static_cast<std::size_t>(card),
                       description.cardStatus[card]);
        }
        return true;
    case ConfigCommand::Reconfigurable:
        writeInt32(record, 0, description.inUse ? 0 : 1);
        return true;
    case ConfigCommand::GetConfig: {
        const DriverConfig config = store.load(warning);
        std::memcpy(record.data(), config.data(), kDriverConfigSize);
        return true;
    }
    case ConfigCommand::SetConfig: {
        DriverConfig incoming;
        std::memcpy(incoming.data(), record.data(), kDriverConfigSize);
        return store.update([&](DriverConfig& config) { config = incoming; }, warning, error);
    }
    case ConfigCommand::SetConfigOnTheFly: {
        const std::int32_t kerning = readInt32(record, kOnTheFlyKerning);
        const std::int32_t preload = readInt32(record, kOnTheFlyPreload);
        return store.update(
            [&](DriverConfig& config) {
                for (std::size_t card = 0; card < 4; ++card) {
                    std::span<unsigned char> cardRecord(config.data() + card * kCardConfigSize,
                                                        kCardConfigSize);
                    writeInt32(cardRecord, kGsifKerning, kerning);
                    writeInt32(cardRecord, kGsifPreload, preload);
                }
            },
            warning, error);
    }
    }
    error = "unknown command";
    return false;
}

void setCompletionFlag(void* flag) {
    auto* word = static_cast<std::uint32_t*>(flag);
    if (reinterpret_cast<std::uintptr_t>(word) %
            std::atomic_ref<std::uint32_t>::required_alignment ==
        0) {
        std::atomic_ref<std::uint32_t>(*word).store(1, std::memory_order_release);
        return;
    }
    // A flag at an odd offset cannot be an atomic object; fence, then store the bytes.
    std::atomic_thread_fence(std::memory_order_release);
    const std::uint32_t one = 1;
    std::memcpy(flag, &one, sizeof one);
}

} // namespace simcard

// The hardware that the simulated card pretends to be: how many cards, what "getstates" reports,
// device nodes, signal sources, other makers' devices and fault switches. An embedded default
// (two healthy cards) serves unless $ORVANE_SIMCARD names a description file; the file format is
// documented in DESCRIPTION.md beside this header.
#pragma once

#include "platform/win_types.h"
#include "simcard/records.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace simcard {

// The manufacturer id under which the card's maker is registered; every wave device of the card
// reports it.
constexpr WORD kCardMakerId = 0x4B56;
// The maker of the simulated "system" device.
constexpr WORD kSystemMakerId = 1;
constexpr WORD kInputProductId = 46;
constexpr WORD kOutputProductId = 45;

constexpr int kMaxCards = 4;
constexpr int kPairsPerCard = 4;
constexpr int kChannelsPerCard = 8;
constexpr int kMaxChannels = kMaxCards * kChannelsPerCard;
constexpr std::int32_t kFullScale = 32767;

enum class Direction { In, Out };

enum class SourceKind { Synthetic, Silence, Constant, Sine, Noise, Clip, File, Capture };

struct SignalSource {
    SourceKind kind = SourceKind::Synthetic;
    std::int32_t level = 0; // peak amplitude for Constant, Sine and Noise, 0 to kFullScale
    double hz = 1000.0;     // frequency of Sine
    // File and Capture: the sound file or the ALSA capture device; one level line is one source,
    // told apart by line, and feeds its n-th channel (index) from the source's channel
    // first + index (both 0-based).
    std::string target{};
    int line = 0;
    int first = 0;
    int index = 0;

    bool measured() const { return kind == SourceKind::File || kind == SourceKind::Capture; }
};

enum class EntryFault {
    None,
    NeverSetsFlag, // the command runs, the process ends without setting the flag
    Crashes,       // the process dies from a signal before it touches memory
    Hangs,         // the process never ends and never sets the flag
};

struct DeviceEntry {
    Direction direction;
    WORD mid;
    WORD pid;
    std::string name; // at most 31 characters
};

struct HardwareDescription {
    int cards = 2;
    std::int32_t driverStatus = 1;
    // Card statuses of "getstates" (cards 1 to 4); without a card-status line: 1 for each present
    // card, then 0.
    std::array<std::int32_t, kMaxCards> cardStatus{1, 1, 0, 0};
    std::array<std::uint32_t, kMaxCards> devNodes{0xC1A30000, 0xC1A30400, 0xC1A30800, 0xC1A30C00};
    bool inUse = false;
    bool systemDevice = false;
    std::uint32_t seed = 1;
    // By channel over all cards (card * 8 + channel).
    std::array<SignalSource, kMaxChannels> inputs{};
    std::array<SignalSource, kMaxChannels> outputs{};
    std::array<EntryFault, kConfigCommandCount> entryFaults{};
    std::array<bool, kMaxCards> devNodeUnanswered{};
    std::array<bool, kMaxCards> controlOpenRefused{};
    // [direction][card * 4 + pair]: the device's name has a blank where its hyphen belongs.
    std::array<std::array<bool, kMaxCards * kPairsPerCard>, 2> nameWithoutHyphen{};
    // An explicit device list that replaces the generated one (and the system device).
    std::optional<std::vector<DeviceEntry>> devices;

    const SignalSource& source(Direction direction, int channel) const {
        return direction == Direction::In ? inputs[channel] : outputs[channel];
    }
};

struct DescriptionResult {
    std::optional<HardwareDescription> description;
    std::string error; // "<source>:<line>: <message>" when the text is not a valid description
};

// Parses a description; sourceName names it in error messages.
DescriptionResult parseDescription(std::string_view text, std::string_view sourceName);
// The text of the embedded default description.
std::string_view defaultDescriptionText();
// The description named by $ORVANE_SIMCARD, or the embedded default when it is not set. Sound
// files named by a relative path are found beside the description file.
DescriptionResult loadDescription();
// Makes the relative paths of the description's sound files relative to folder instead.
void resolveSoundFiles(HardwareDescription& description, const std::string& folder);

} // namespace simcard

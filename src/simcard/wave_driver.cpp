#include "simcard/wave_driver.h"

#include "platform/wow16.h"
#include "simcard/audio_sources.h"
#include "simcard/levels.h"
#include "simcard/sim_clock.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace simcard {
namespace {

struct Device {
    Direction direction;
    WORD mid;
    WORD pid;
    std::string name;
    int card = 0;
    int pair = 0;
};

struct ControlHandle {
    Direction direction;
    int card;
    int pair;
    bool metering = false;
};

constexpr int kPairs = kMaxCards * kPairsPerCard;

struct Driver {
    std::mutex mutex;
    HardwareDescription description;
    std::vector<Device> systemDevices[2]; // [direction]
    std::vector<Device> cardDevices[2];
    std::unordered_map<ControlHandle*, std::unique_ptr<ControlHandle>> handles;
    double lastRead[2][kPairs]{}; // NaN: never read
};

Driver& driver() {
    static Driver* d = [] {
        auto* created = new Driver; // never destroyed: the wave API may call in during exit
        for (auto& direction : created->lastRead) {
            for (double& t : direction) {
                t = std::nan("");
            }
        }
        return created;
    }();
    return *d;
}

int dirIndex(Direction direction) {
    return direction == Direction::In ? 0 : 1;
}

// The card and pair that a name's last number gives, as the program reads device names.
void placeByName(Device& device) {
    const std::size_t hyphen = device.name.rfind('-');
    if (hyphen == std::string::npos) {
        return;
    }
    const std::string digits = device.name.substr(hyphen + 1);
    char* end = nullptr;
    const long n = std::strtol(digits.c_str(), &end, 10);
    if (digits.empty() || *end != '\0' || n < 2) {
        return;
    }
    const long card = (n - 2) / kChannelsPerCard;
    const long pair = ((n - 2) % kChannelsPerCard) / 2;
    if (card < kMaxCards) {
        device.card = static_cast<int>(card);
        device.pair = static_cast<int>(pair);
    }
}

void buildDevices(Driver& d) {
    const HardwareDescription& desc = d.description;
    for (auto& list : d.systemDevices) {
        list.clear();
    }
    for (auto& list : d.cardDevices) {
        list.clear();
    }
    if (desc.devices) {
        for (const DeviceEntry& entry : *desc.devices) {
            Device device{entry.direction, entry.mid, entry.pid, entry.name};
            placeByName(device);
            d.cardDevices[dirIndex(entry.direction)].push_back(std::move(device));
        }
        return;
    }
    if (desc.systemDevice) {
        d.systemDevices[0].push_back(
            {Direction::In, kSystemMakerId, kInputProductId, "System Audio In 1-2"});
        d.systemDevices[1].push_back(
            {Direction::Out, kSystemMakerId, kOutputProductId, "System Audio Out 1-2"});
    }
    for (int dir = 0; dir < 2; ++dir) {
        const bool in = dir == 0;
        for (int card = 0; card < desc.cards; ++card) {
            for (int pair = 0; pair < kPairsPerCard; ++pair) {
                const int second = (card * kPairsPerCard + pair) * 2 + 2;
                const char separator =
                    desc.nameWithoutHyphen[dir][card * kPairsPerCard + pair] ? ' ' : '-';
                const std::string name = std::string(in ? "Orvane ADAT In " : "Orvane ADAT Out ") +
                                         std::to_string(second - 1) + separator +
                                         std::to_string(second);
                d.cardDevices[dir].push_back({in ? Direction::In : Direction::Out, kCardMakerId,
                                              in ? kInputProductId : kOutputProductId, name, card,
                                              pair});
            }
        }
    }
}

template <typename Caps> void fillCaps(const Device& device, Caps& caps) {
    caps.wMid = device.mid;
    caps.wPid = device.pid;
    caps.vDriverVersion = 0x0105;
    std::strncpy(caps.szPname, device.name.c_str(), MAXPNAMELEN - 1);
    caps.szPname[MAXPNAMELEN - 1] = '\0';
    caps.dwFormats = 0x00000800 | 0x00008000; // 44.1 and 48 kHz, stereo, 16 bit
    caps.wChannels = 2;
}

bool isControlFormat(const WAVEFORMATEX* format) {
    if (!format || format->wFormatTag != WAVE_FORMAT_PCM || format->cbSize < 4) {
        return false;
    }
    const auto* extra = reinterpret_cast<const unsigned char*>(format) + sizeof(WAVEFORMATEX);
    return std::memcmp(extra, "CTRL", 4) == 0;
}

DWORD open(Driver& d, const Device& device, DWORD_PTR user, DWORD_PTR param1, DWORD_PTR param2) {
    const auto* desc = reinterpret_cast<const WAVEOPENDESC*>(param1);
    if (!desc) {
        return MMSYSERR_INVALPARAM;
    }
    if (device.mid != kCardMakerId || !isControlFormat(desc->lpFormat)) {
        return WAVERR_BADFORMAT;
    }
    if (d.description.controlOpenRefused[device.card]) {
        return MMSYSERR_ALLOCATED;
    }
    if (param2 & WAVE_FORMAT_QUERY) {
        return MMSYSERR_NOERROR;
    }
    auto* instance = reinterpret_cast<DWORD_PTR*>(user);
    if (!instance) {
        return MMSYSERR_INVALPARAM;
    }
    auto handle =
        std::make_unique<ControlHandle>(ControlHandle{device.direction, device.card, device.pair});
    *instance = reinterpret_cast<DWORD_PTR>(handle.get());
    d.handles.emplace(handle.get(), std::move(handle));
    return MMSYSERR_NOERROR;
}

DWORD readLevels(Driver& d, ControlHandle& handle, DWORD_PTR address) {
    auto* record = static_cast<unsigned char*>(
        WOWGetVDMPointer(static_cast<DWORD>(address), kLevelRecordSize, TRUE));
    if (!record) {
        return MMSYSERR_INVALPARAM;
    }
    std::int32_t levels[2] = {0, 0};
    if (handle.metering) {
        const int pairIndex = handle.card * kPairsPerCard + handle.pair;
        double& last = d.lastRead[dirIndex(handle.direction)][pairIndex];
        const double t1 = simNow();
        const double t0 = std::isnan(last) ? t1 - 0.1 : last;
        last = t1;
        for (int i = 0; i < 2; ++i) {
            const int channel = handle.card * kChannelsPerCard + handle.pair * 2 + i;
            const SignalSource& source = d.description.source(handle.direction, channel);
            // A sound file or capture device: the peak its reader measured since the last read.
            levels[i] = source.measured() ? takeAudioPeak(handle.direction, channel)
                                          : channelPeak(source, d.description.seed,
                                                        handle.direction, channel, t0, t1);
        }
    }
    writeInt32(std::span(record, kLevelRecordSize), 0, levels[0]);
    writeInt32(std::span(record, kLevelRecordSize), 4, levels[1]);
    return MMSYSERR_NOERROR;
}

DWORD controlMessage(Driver& d, ControlHandle& handle, UINT msg, DWORD_PTR param1) {
    const bool in = handle.direction == Direction::In;
    const UINT start = in ? kInMeterStart : kOutMeterStart;
    const UINT stop = in ? kInMeterStop : kOutMeterStop;
    const UINT read = in ? kInMeterRead : kOutMeterRead;
    if (msg == start || msg == stop) {
        handle.metering = msg == start;
        if (msg == start) {
            // A measured channel's first read covers the time since metering started, not every
            // peak since its source started playing.
            for (int i = 0; i < 2; ++i) {
                const int channel = handle.card * kChannelsPerCard + handle.pair * 2 + i;
                if (d.description.source(handle.direction, channel).measured()) {
                    takeAudioPeak(handle.direction, channel);
                }
            }
        }
        return MMSYSERR_NOERROR;
    }
    if (msg == read) {
        return readLevels(d, handle, param1);
    }
    if (msg == kDevNodeQuery && !in) {
        if (d.description.devNodeUnanswered[handle.card]) {
            return MMSYSERR_NOTSUPPORTED;
        }
        auto* block =
            static_cast<unsigned char*>(WOWGetVDMPointer(static_cast<DWORD>(param1), 4, TRUE));
        if (!block) {
            return MMSYSERR_INVALPARAM;
        }
        writeInt32(std::span(block, 4), 0,
                   static_cast<std::int32_t>(d.description.devNodes[handle.card]));
        return MMSYSERR_NOERROR;
    }
    return MMSYSERR_NOTSUPPORTED;
}

DWORD message(bool system, Direction direction, UINT id, UINT msg, DWORD_PTR user, DWORD_PTR param1,
              DWORD_PTR param2) {
    Driver& d = driver();
    std::lock_guard lock(d.mutex);
    const auto& devices = (system ? d.systemDevices : d.cardDevices)[dirIndex(direction)];
    const bool in = direction == Direction::In;
    const UINT getNumDevs = in ? WIDM_GETNUMDEVS : WODM_GETNUMDEVS;
    const UINT getDevCaps = in ? WIDM_GETDEVCAPS : WODM_GETDEVCAPS;
    const UINT openMsg = in ? WIDM_OPEN : WODM_OPEN;
    const UINT closeMsg = in ? WIDM_CLOSE : WODM_CLOSE;

    if (msg == getNumDevs) {
        return static_cast<DWORD>(devices.size());
    }
    if (msg == getDevCaps || msg == openMsg) {
        if (id >= devices.size()) {
            return MMSYSERR_BADDEVICEID;
        }
        const Device& device = devices[id];
        if (msg == openMsg) {
            return open(d, device, user, param1, param2);
        }
        if (param1 == 0) {
            return MMSYSERR_INVALPARAM;
        }
        if (in) {
            WAVEINCAPSA caps{};
            fillCaps(device, caps);
            std::memcpy(reinterpret_cast<void*>(param1), &caps,
                        std::min<DWORD_PTR>(param2, sizeof caps));
        } else {
            WAVEOUTCAPSA caps{};
            fillCaps(device, caps);
            std::memcpy(reinterpret_cast<void*>(param1), &caps,
                        std::min<DWORD_PTR>(param2, sizeof caps));
        }
        return MMSYSERR_NOERROR;
    }
    const auto it = d.handles.find(reinterpret_cast<ControlHandle*>(user));
    if (it == d.handles.end() || it->second->direction != direction) {
        return msg == closeMsg || msg >= DRV_USER ? MMSYSERR_INVALHANDLE : MMSYSERR_NOTSUPPORTED;
    }
    if (msg == closeMsg) {
        d.handles.erase(it);
        return MMSYSERR_NOERROR;
    }
    if (msg >= DRV_USER) {
        return controlMessage(d, *it->second, msg, param1);
    }
    return MMSYSERR_NOTSUPPORTED;
}

DWORD systemWid(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR p1, DWORD_PTR p2) {
    return message(true, Direction::In, id, msg, user, p1, p2);
}
DWORD systemWod(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR p1, DWORD_PTR p2) {
    return message(true, Direction::Out, id, msg, user, p1, p2);
}
DWORD cardWid(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR p1, DWORD_PTR p2) {
    return message(false, Direction::In, id, msg, user, p1, p2);
}
DWORD cardWod(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR p1, DWORD_PTR p2) {
    return message(false, Direction::Out, id, msg, user, p1, p2);
}

const WaveDriver kSystemDriver{"simulated system audio", systemWid, systemWod};
const WaveDriver kCardDriver{"simulated Orvane card", cardWid, cardWod};

} // namespace

const WaveDriver* systemWaveDriver() {
    return &kSystemDriver;
}
const WaveDriver* cardWaveDriver() {
    return &kCardDriver;
}

void setDriverDescription(const HardwareDescription& description) {
    Driver& d = driver();
    {
        std::lock_guard lock(d.mutex);
        d.description = description;
    }
    // Outside the driver's lock: the old readers take a moment to stop, and meter reads go on.
    startAudioSources(description);
    std::lock_guard lock(d.mutex);
    d.handles.clear();
    for (auto& direction : d.lastRead) {
        for (double& t : direction) {
            t = std::nan("");
        }
    }
    buildDevices(d);
}

} // namespace simcard

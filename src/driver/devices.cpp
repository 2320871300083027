#include "driver/devices.h"

#include "platform/wow16.h"
#include "toolkit/exceptions.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace driver {

std::array<std::int32_t, kDeviceTableSize> InDevices;
std::array<std::int32_t, kDeviceTableSize> OutDevices;
std::array<DWORD, kMaxCards> CardDevNodes;
std::int32_t CardCount = 0;
bool CardsPresent = false;

const TCtrlFormat& ControlFormat() {
    static const TCtrlFormat format{
        {WAVE_FORMAT_PCM, 2, 44100, 4 * 44100, 4, 16, 4}, {'C', 'T', 'R', 'L'}, 0};
    return format;
}

namespace {

// Decimal, with an optional sign; what a device name's channel number may be.
std::int32_t decimalOf(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        throw toolkit::EConvertError("'" + text + "' is not a valid integer value");
    }
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])) || value > 0x80000000LL) {
            throw toolkit::EConvertError("'" + text + "' is not a valid integer value");
        }
        value = value * 10 + (text[i] - '0');
    }
    value = negative ? -value : value;
    if (value < INT32_MIN || value > INT32_MAX) {
        throw toolkit::EConvertError("'" + text + "' is not a valid integer value");
    }
    return static_cast<std::int32_t>(value);
}

// Leading and trailing blanks and control characters removed.
std::string trim(const std::string& text) {
    auto keep = [](char c) { return static_cast<unsigned char>(c) > ' '; };
    auto first = std::find_if(text.begin(), text.end(), keep);
    auto last = std::find_if(text.rbegin(), text.rend(), keep).base();
    return first < last ? std::string(first, last) : std::string();
}

// The device-node query's 4-byte block, fixed while the query runs; released on every way out.
class NodeBlock {
public:
    NodeBlock() {
        address_ = WOWGlobalAllocLock16(GMEM_FIXED | GMEM_ZEROINIT, 4, nullptr);
        if (address_ != 0) {
            pointer_ = static_cast<DWORD*>(WOWGetVDMPointerFix(address_, 4, TRUE));
        }
    }
    ~NodeBlock() {
        if (pointer_ != nullptr) {
            WOWGetVDMPointerUnfix(address_);
        }
        if (address_ != 0) {
            WOWGlobalUnlockFree16(address_);
        }
    }
    NodeBlock(const NodeBlock&) = delete;
    NodeBlock& operator=(const NodeBlock&) = delete;
    DWORD address() const { return address_; }
    DWORD* pointer() const { return pointer_; }

private:
    DWORD address_ = 0;
    DWORD* pointer_ = nullptr;
};

template <typename Caps>
void enterDevices(UINT count, MMRESULT (*getCaps)(UINT_PTR, Caps*, UINT), WORD productId,
                  std::array<std::int32_t, kDeviceTableSize>& table, int& counted) {
    for (UINT id = 0; id < count; ++id) {
        Caps caps{};
        if (getCaps(id, &caps, sizeof caps) != MMSYSERR_NOERROR || caps.wMid != CardMakerId) {
            continue;
        }
        std::int32_t index = -1;
        if (caps.wPid == productId) {
            std::string name(caps.szPname, strnlen(caps.szPname, MAXPNAMELEN));
            std::int32_t pair = 0;
            std::int32_t card = DevNameChannelPairToCardId(name, 8, pair);
            index = card * kPairsPerCard + pair;
        }
        if (index >= 0 && index < kDeviceTableSize) {
            table[static_cast<std::size_t>(index)] = static_cast<std::int32_t>(id);
            ++counted;
        }
    }
}

} // namespace

std::int32_t DevNameChannelPairToCardId(const std::string& Name, std::int32_t ChannelsPerCard,
                                        std::int32_t& Pair) {
    auto hyphen = Name.rfind('-');
    if (hyphen == std::string::npos) {
        throw toolkit::EConvertError("DevNameChannelPairToCardId: Separator not found.");
    }
    std::string number = trim(Name.substr(hyphen + 1, 255));
    std::int32_t n = decimalOf(number);
    if (ChannelsPerCard <= 0) {
        throw toolkit::EConvertError("DevNameChannelPairToCardId: no channels per card.");
    }
    std::int64_t offset = static_cast<std::int64_t>(n) - 2;
    Pair = static_cast<std::int32_t>((offset % ChannelsPerCard) / 2);
    return static_cast<std::int32_t>(offset / ChannelsPerCard);
}

void FindDevices() {
    InDevices.fill(-1);
    OutDevices.fill(-1);
    CardDevNodes.fill(0xFFFFFFFFu);
    CardsPresent = true;
    CardCount = 0;
    int inCount = 0;
    int outCount = 0;
    enterDevices<WAVEINCAPSA>(waveInGetNumDevs(), &waveInGetDevCapsA, kInProductId, InDevices,
                              inCount);
    enterDevices<WAVEOUTCAPSA>(waveOutGetNumDevs(), &waveOutGetDevCapsA, kOutProductId, OutDevices,
                               outCount);
    // Devices that give the same index are all counted, so a driver that reports one twice
    // could make more cards than the tables (and everything sized by them) hold.
    CardCount = std::min((inCount + outCount) / 8, kMaxCards);
    if (CardCount == 0) {
        CardsPresent = false;
        return;
    }
    NodeBlock block;
    if (block.pointer() == nullptr) {
        return;
    }
    for (std::int32_t card = 0; card < CardCount; ++card) {
        HWAVE handle[1] = {nullptr};
        OpenCtrlRange(nullptr, true, 0, 0, card, card, handle);
        waveOutMessage(static_cast<HWAVEOUT>(handle[0]), DevNodeQuery, block.address(), 0);
        CardDevNodes[static_cast<std::size_t>(card)] = *block.pointer();
        CloseCtrlRange(true, 1, handle);
    }
}

namespace {

template <typename Handle>
MMRESULT openCtrl(HWND callback, std::int32_t index,
                  const std::array<std::int32_t, kDeviceTableSize>& table, Handle& handle,
                  MMRESULT (*open)(Handle*, UINT, const WAVEFORMATEX*, DWORD_PTR, DWORD_PTR,
                                   DWORD)) {
    std::int32_t id =
        (index >= 0 && index < kDeviceTableSize) ? table[static_cast<std::size_t>(index)] : -1;
    MMRESULT result = MMSYSERR_BADDEVICEID;
    if (id >= 0) {
        result = open(&handle, static_cast<UINT>(id), &ControlFormat().Format,
                      reinterpret_cast<DWORD_PTR>(callback), 0,
                      callback != nullptr ? CALLBACK_WINDOW : CALLBACK_NULL);
    }
    if (result != MMSYSERR_NOERROR) {
        toolkit::Abort();
    }
    return result;
}

} // namespace

MMRESULT OpenCtrlIn(HWND Callback, std::int32_t Index, HWAVEIN& Handle) {
    return openCtrl<HWAVEIN>(Callback, Index, InDevices, Handle, &waveInOpen);
}

MMRESULT OpenCtrlOut(HWND Callback, std::int32_t Index, HWAVEOUT& Handle) {
    return openCtrl<HWAVEOUT>(Callback, Index, OutDevices, Handle, &waveOutOpen);
}

void OpenCtrlRange(HWND Callback, bool IsOutput, std::int32_t FirstChannel,
                   std::int32_t LastChannel, std::int32_t FirstCard, std::int32_t LastCard,
                   std::span<HWAVE> Handles) {
    std::size_t k = 0;
    for (std::int32_t card = FirstCard; card <= LastCard; ++card) {
        for (std::int32_t channel = FirstChannel; channel <= LastChannel; ++channel) {
            if (k >= Handles.size()) {
                throw toolkit::ERangeError("OpenCtrlRange: more channels than handles");
            }
            std::int32_t index = card * kPairsPerCard + channel / 2;
            if (IsOutput) {
                HWAVEOUT h = nullptr;
                OpenCtrlOut(Callback, index, h);
                Handles[k] = h;
            } else {
                HWAVEIN h = nullptr;
                OpenCtrlIn(Callback, index, h);
                Handles[k] = h;
            }
            ++k;
        }
    }
}

void CloseCtrlRange(bool IsOutput, std::int32_t Count, std::span<HWAVE> Handles) {
    std::size_t count = std::min(static_cast<std::size_t>(std::max(Count, 0)), Handles.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (Handles[i] == nullptr) {
            continue;
        }
        MMRESULT result = IsOutput ? waveOutClose(static_cast<HWAVEOUT>(Handles[i]))
                                   : waveInClose(static_cast<HWAVEIN>(Handles[i]));
        if (result == MMSYSERR_NOERROR) {
            Handles[i] = nullptr;
        }
    }
}

} // namespace driver

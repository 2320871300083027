// The wave API on top of the installed wave drivers.
//
// Devices: the devices of every installed driver, numbered in installation order; each call asks
// the drivers for their current device counts. Handles: ids from a counter (never reused within a
// run), looked up in a table on every call, so a closed or unknown handle is refused with
// MMSYSERR_INVALHANDLE. Drivers are called without the table lock held; a handle that a driver
// call is using cannot be closed under it: the close waits for such calls to end, and calls that
// arrive once a close has begun see an invalid handle. A close from inside a driver call on the
// same handle and thread is refused with MMSYSERR_HANDLEBUSY instead of waiting for itself.
#include "platform/winmm_driver.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

enum class Direction { In, Out };

struct DirectionInfo {
    UINT getNumDevs;
    UINT getDevCaps;
    UINT open;
    UINT close;
    UINT openNotification;
    UINT closeNotification;
};

constexpr DirectionInfo kIn{WIDM_GETNUMDEVS, WIDM_GETDEVCAPS, WIDM_OPEN,
                            WIDM_CLOSE,      MM_WIM_OPEN,     MM_WIM_CLOSE};
constexpr DirectionInfo kOut{WODM_GETNUMDEVS, WODM_GETDEVCAPS, WODM_OPEN,
                             WODM_CLOSE,      MM_WOM_OPEN,     MM_WOM_CLOSE};

const DirectionInfo& info(Direction d) {
    return d == Direction::In ? kIn : kOut;
}

WaveDriverProc entryOf(const WaveDriver* driver, Direction d) {
    return d == Direction::In ? driver->widMessage : driver->wodMessage;
}

// Handle values start well above any device id, so a handle passed where a device id is allowed
// (the capability calls) is told apart from a device id.
constexpr std::uintptr_t kFirstHandle = 0x10000;

struct DeviceRef {
    WaveDriverProc entry;
    UINT localId;
};

struct OpenHandle {
    Direction direction;
    DeviceRef device;
    DWORD_PTR instance;
    HWND callbackWindow; // null: no notifications
    int busy = 0;        // driver calls in progress on this handle
    bool closing = false;
};

// Handles this thread is currently inside a driver call for (to refuse a self-deadlocking close).
thread_local std::vector<std::uintptr_t> tlsHandlesInUse;

class WaveSystem {
public:
    void installDriver(const WaveDriver* driver) {
        std::lock_guard lock(mutex_);
        if (driver && std::find(drivers_.begin(), drivers_.end(), driver) == drivers_.end()) {
            drivers_.push_back(driver);
        }
    }

    void removeAllDrivers() {
        std::lock_guard lock(mutex_);
        drivers_.clear();
        handles_.clear(); // calls in progress find their handle gone when they finish
        released_.notify_all();
    }

    void setPoster(WindowMessagePoster poster) { poster_.store(poster); }

    UINT numDevs(Direction d) {
        UINT total = 0;
        for (const WaveDriver* driver : driversSnapshot()) {
            if (WaveDriverProc entry = entryOf(driver, d)) {
                total += entry(0, info(d).getNumDevs, 0, 0, 0);
            }
        }
        return total;
    }

    // Resolves a device id (or, as Windows allows for the capability calls, an open handle).
    std::optional<DeviceRef> resolveDevice(Direction d, UINT_PTR id, bool acceptHandle) {
        UINT_PTR first = 0;
        for (const WaveDriver* driver : driversSnapshot()) {
            WaveDriverProc entry = entryOf(driver, d);
            if (!entry) {
                continue;
            }
            UINT count = entry(0, info(d).getNumDevs, 0, 0, 0);
            if (id >= first && id < first + count) {
                return DeviceRef{entry, static_cast<UINT>(id - first)};
            }
            first += count;
        }
        if (acceptHandle) {
            std::lock_guard lock(mutex_);
            auto it = handles_.find(id);
            if (it != handles_.end() && it->second->direction == d && !it->second->closing) {
                return it->second->device;
            }
        }
        return std::nullopt;
    }

    MMRESULT getDevCaps(Direction d, UINT_PTR id, void* caps, UINT cb, std::size_t fullSize) {
        if (!caps) {
            return MMSYSERR_INVALPARAM;
        }
        auto device = resolveDevice(d, id, true);
        if (!device) {
            return MMSYSERR_BADDEVICEID;
        }
        // The driver always fills a whole record; the caller gets as many bytes as it asked for.
        WAVEOUTCAPSA full{};
        static_assert(sizeof(WAVEOUTCAPSA) >= sizeof(WAVEINCAPSA));
        MMRESULT result = device->entry(device->localId, info(d).getDevCaps, 0,
                                        reinterpret_cast<DWORD_PTR>(&full), fullSize);
        if (result == MMSYSERR_NOERROR) {
            std::memcpy(caps, &full, std::min<std::size_t>(cb, fullSize));
        }
        return result;
    }

    // On success (and not a format query) handleOut receives the new handle.
    MMRESULT open(Direction d, bool haveOut, std::uintptr_t& handleOut, UINT deviceId,
                  const WAVEFORMATEX* format, DWORD_PTR callback, DWORD_PTR callbackInstance,
                  DWORD flags) {
        const bool query = (flags & WAVE_FORMAT_QUERY) != 0;
        if (!format || (!haveOut && !query)) {
            return MMSYSERR_INVALPARAM;
        }
        const DWORD callbackType = flags & CALLBACK_TYPEMASK;
        if ((flags & ~(CALLBACK_TYPEMASK | WAVE_FORMAT_QUERY)) != 0 ||
            (callbackType != CALLBACK_NULL && callbackType != CALLBACK_WINDOW)) {
            return MMSYSERR_INVALFLAG; // only window notifications are delivered here
        }
        auto device = resolveDevice(d, deviceId, false);
        if (!device) {
            return MMSYSERR_BADDEVICEID;
        }
        // uMappedDeviceID carries the device id the caller asked for (there is no wave mapper).
        const std::uintptr_t handle = query ? 0 : nextHandle_.fetch_add(1);
        WAVEOPENDESC desc{reinterpret_cast<void*>(handle), format, callback, callbackInstance,
                          deviceId};
        DWORD_PTR instance = 0;
        MMRESULT result =
            device->entry(device->localId, info(d).open, reinterpret_cast<DWORD_PTR>(&instance),
                          reinterpret_cast<DWORD_PTR>(&desc), flags);
        if (result != MMSYSERR_NOERROR || query) {
            return result;
        }
        HWND window = callbackType == CALLBACK_WINDOW ? reinterpret_cast<HWND>(callback) : nullptr;
        {
            std::lock_guard lock(mutex_);
            handles_[handle] =
                std::make_shared<OpenHandle>(OpenHandle{d, *device, instance, window});
        }
        handleOut = handle;
        notify(window, info(d).openNotification, handle);
        return MMSYSERR_NOERROR;
    }

    MMRESULT close(Direction d, const void* handleValue) {
        const auto handle = reinterpret_cast<std::uintptr_t>(handleValue);
        if (std::find(tlsHandlesInUse.begin(), tlsHandlesInUse.end(), handle) !=
            tlsHandlesInUse.end()) {
            return MMSYSERR_HANDLEBUSY;
        }
        std::shared_ptr<OpenHandle> entry;
        {
            std::unique_lock lock(mutex_);
            entry = find(d, handle);
            if (!entry) {
                return MMSYSERR_INVALHANDLE;
            }
            entry->closing = true;
            released_.wait(lock, [&] { return entry->busy == 0; });
            if (handles_.count(handle) == 0) {
                return MMSYSERR_INVALHANDLE; // the drivers were removed meanwhile
            }
        }
        MMRESULT result =
            entry->device.entry(entry->device.localId, info(d).close, entry->instance, 0, 0);
        {
            std::lock_guard lock(mutex_);
            if (result == MMSYSERR_NOERROR) {
                handles_.erase(handle);
            } else {
                entry->closing = false; // the driver refused; the handle stays open
            }
        }
        if (result == MMSYSERR_NOERROR) {
            notify(entry->callbackWindow, info(d).closeNotification, handle);
        }
        return result;
    }

    MMRESULT message(Direction d, const void* handleValue, UINT msg, DWORD_PTR p1, DWORD_PTR p2) {
        const auto handle = reinterpret_cast<std::uintptr_t>(handleValue);
        std::shared_ptr<OpenHandle> entry;
        {
            std::lock_guard lock(mutex_);
            entry = find(d, handle);
            if (!entry) {
                return MMSYSERR_INVALHANDLE;
            }
            if (msg < DRV_USER) {
                return MMSYSERR_NOTSUPPORTED;
            }
            ++entry->busy;
        }
        tlsHandlesInUse.push_back(handle);
        MMRESULT result = entry->device.entry(entry->device.localId, msg, entry->instance, p1, p2);
        tlsHandlesInUse.pop_back();
        {
            std::lock_guard lock(mutex_);
            if (--entry->busy == 0) {
                released_.notify_all();
            }
        }
        return result;
    }

private:
    std::vector<const WaveDriver*> driversSnapshot() {
        std::lock_guard lock(mutex_);
        return drivers_;
    }

    // Caller holds mutex_.
    std::shared_ptr<OpenHandle> find(Direction d, std::uintptr_t handle) {
        auto it = handles_.find(handle);
        if (it == handles_.end() || it->second->direction != d || it->second->closing) {
            return nullptr;
        }
        return it->second;
    }

    void notify(HWND window, UINT msg, std::uintptr_t handle) {
        WindowMessagePoster poster = poster_.load();
        if (window && poster) {
            poster(window, msg, static_cast<WPARAM>(handle), 0);
        }
    }

    std::mutex mutex_;
    std::condition_variable released_;
    std::vector<const WaveDriver*> drivers_;
    std::unordered_map<std::uintptr_t, std::shared_ptr<OpenHandle>> handles_;
    std::atomic<std::uintptr_t> nextHandle_{kFirstHandle};
    std::atomic<WindowMessagePoster> poster_{nullptr};
};

// Lives for the whole process, so wave calls made during static destruction still find it.
WaveSystem& wave() {
    static WaveSystem* system = new WaveSystem;
    return *system;
}

} // namespace

void winmmInstallDriver(const WaveDriver* driver) {
    wave().installDriver(driver);
}
void winmmRemoveAllDrivers() {
    wave().removeAllDrivers();
}
void winmmSetWindowMessagePoster(WindowMessagePoster poster) {
    wave().setPoster(poster);
}

UINT waveInGetNumDevs() {
    return wave().numDevs(Direction::In);
}
UINT waveOutGetNumDevs() {
    return wave().numDevs(Direction::Out);
}

MMRESULT waveInGetDevCapsA(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic) {
    return wave().getDevCaps(Direction::In, uDeviceID, pwic, cbwic, sizeof(WAVEINCAPSA));
}

MMRESULT waveOutGetDevCapsA(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc) {
    return wave().getDevCaps(Direction::Out, uDeviceID, pwoc, cbwoc, sizeof(WAVEOUTCAPSA));
}

namespace {

// A failed open leaves a null handle, as Windows does; a format query touches no handle.
template <typename Handle>
MMRESULT openTyped(Direction d, Handle* out, UINT deviceId, const WAVEFORMATEX* format,
                   DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    const bool query = (flags & WAVE_FORMAT_QUERY) != 0;
    if (out && !query) {
        *out = nullptr;
    }
    std::uintptr_t handle = 0;
    MMRESULT result =
        wave().open(d, out != nullptr, handle, deviceId, format, callback, instance, flags);
    if (result == MMSYSERR_NOERROR && handle != 0) {
        *out = reinterpret_cast<Handle>(handle);
    }
    return result;
}

} // namespace

MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, const WAVEFORMATEX* pwfx, DWORD_PTR dwCallback,
                    DWORD_PTR dwInstance, DWORD fdwOpen) {
    return openTyped(Direction::In, phwi, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
}

MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx,
                     DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) {
    return openTyped(Direction::Out, phwo, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
}

MMRESULT waveInClose(HWAVEIN hwi) {
    return wave().close(Direction::In, hwi);
}
MMRESULT waveOutClose(HWAVEOUT hwo) {
    return wave().close(Direction::Out, hwo);
}

MMRESULT waveInMessage(HWAVEIN hwi, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2) {
    return wave().message(Direction::In, hwi, uMsg, dw1, dw2);
}

MMRESULT waveOutMessage(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2) {
    return wave().message(Direction::Out, hwo, uMsg, dw1, dw2);
}

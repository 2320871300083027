// The wave API over installed drivers: device numbering, capability records, handles, window
// notifications and forwarding of driver messages.
#include "platform/winmm_driver.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

struct Posted {
    HWND window;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

std::mutex postedMutex;
std::vector<Posted> posted;

BOOL capturePost(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::lock_guard lock(postedMutex);
    posted.push_back({window, msg, wParam, lParam});
    return TRUE;
}

std::vector<Posted> takePosted() {
    std::lock_guard lock(postedMutex);
    return std::exchange(posted, {});
}

struct Call {
    bool output;
    UINT device;
    UINT msg;
    DWORD_PTR user;
    DWORD_PTR p1;
    DWORD_PTR p2;
};

// A wave driver with a few devices per direction; Tag makes separate drivers with separate state.
template <int Tag> struct TestDriver {
    static inline std::mutex mutex;
    static inline UINT inDevices = 0;
    static inline UINT outDevices = 0;
    static inline MMRESULT openResult = MMSYSERR_NOERROR;
    static inline MMRESULT closeResult = MMSYSERR_NOERROR;
    static inline DWORD_PTR nextInstance = 0;
    static inline std::vector<Call> calls;
    static inline std::vector<WAVEOPENDESC> opens;
    static inline std::vector<WAVEFORMATEX> openFormats;

    static void reset(UINT in, UINT out) {
        std::lock_guard lock(mutex);
        inDevices = in;
        outDevices = out;
        openResult = closeResult = MMSYSERR_NOERROR;
        nextInstance = 0x5000 + Tag * 0x100;
        calls.clear();
        opens.clear();
        openFormats.clear();
    }

    static DWORD handle(bool output, UINT device, UINT msg, DWORD_PTR user, DWORD_PTR p1,
                        DWORD_PTR p2) {
        std::lock_guard lock(mutex);
        const UINT count = output ? outDevices : inDevices;
        if (msg == (output ? WODM_GETNUMDEVS : WIDM_GETNUMDEVS)) {
            return count;
        }
        calls.push_back({output, device, msg, user, p1, p2});
        if (msg == (output ? WODM_GETDEVCAPS : WIDM_GETDEVCAPS)) {
            // Fills the whole record the size says, reserved fields included.
            auto* caps = reinterpret_cast<WAVEOUTCAPSA*>(p1);
            std::memset(caps, 0xEE, p2);
            caps->wMid = static_cast<WORD>(100 + Tag);
            caps->wPid = static_cast<WORD>(device);
            std::snprintf(caps->szPname, MAXPNAMELEN, "drv%d %s-%u", Tag, output ? "out" : "in",
                          device);
            return MMSYSERR_NOERROR;
        }
        if (msg == (output ? WODM_OPEN : WIDM_OPEN)) {
            const auto* desc = reinterpret_cast<const WAVEOPENDESC*>(p1);
            opens.push_back(*desc);
            openFormats.push_back(*desc->lpFormat);
            if (openResult == MMSYSERR_NOERROR && (p2 & WAVE_FORMAT_QUERY) == 0) {
                *reinterpret_cast<DWORD_PTR*>(user) = ++nextInstance;
            }
            return openResult;
        }
        if (msg == (output ? WODM_CLOSE : WIDM_CLOSE)) {
            return closeResult;
        }
        return msg >= DRV_USER ? 0x77 : MMSYSERR_NOTSUPPORTED;
    }

    static DWORD wid(UINT d, UINT m, DWORD_PTR u, DWORD_PTR p1, DWORD_PTR p2) {
        return handle(false, d, m, u, p1, p2);
    }
    static DWORD wod(UINT d, UINT m, DWORD_PTR u, DWORD_PTR p1, DWORD_PTR p2) {
        return handle(true, d, m, u, p1, p2);
    }
    static inline const WaveDriver driver{"test", wid, wod};

    static std::vector<Call> takeCalls() {
        std::lock_guard lock(mutex);
        return std::exchange(calls, {});
    }
};

using DriverA = TestDriver<1>;
using DriverB = TestDriver<2>;

const WAVEFORMATEX kFormat{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};

class WaveApi : public ::testing::Test {
protected:
    void SetUp() override {
        winmmRemoveAllDrivers();
        DriverA::reset(2, 1);
        DriverB::reset(3, 2);
        winmmSetWindowMessagePoster(capturePost);
        takePosted();
    }
    void TearDown() override {
        winmmRemoveAllDrivers();
        winmmSetWindowMessagePoster(nullptr);
    }

    static std::string inName(UINT id) {
        WAVEINCAPSA caps{};
        EXPECT_EQ(waveInGetDevCapsA(id, &caps, sizeof caps), MMSYSERR_NOERROR);
        return caps.szPname;
    }
};

TEST_F(WaveApi, DevicesOfAllDriversAreNumberedInInstallationOrder) {
    EXPECT_EQ(waveInGetNumDevs(), 0u);
    winmmInstallDriver(&DriverA::driver);
    winmmInstallDriver(&DriverB::driver);
    winmmInstallDriver(&DriverA::driver); // a second install changes nothing
    EXPECT_EQ(waveInGetNumDevs(), 5u);
    EXPECT_EQ(waveOutGetNumDevs(), 3u);
    EXPECT_EQ(inName(0), "drv1 in-0");
    EXPECT_EQ(inName(1), "drv1 in-1");
    EXPECT_EQ(inName(2), "drv2 in-0");
    EXPECT_EQ(inName(4), "drv2 in-2");
    WAVEOUTCAPSA out{};
    ASSERT_EQ(waveOutGetDevCapsA(1, &out, sizeof out), MMSYSERR_NOERROR);
    EXPECT_STREQ(out.szPname, "drv2 out-0");
    EXPECT_EQ(out.wMid, 102);

    WAVEINCAPSA caps{};
    EXPECT_EQ(waveInGetDevCapsA(5, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutGetDevCapsA(3, &out, sizeof out), MMSYSERR_BADDEVICEID);
    HWAVEIN in = nullptr;
    EXPECT_EQ(waveInOpen(&in, 5, &kFormat, 0, 0, 0), MMSYSERR_BADDEVICEID);

    // The counts are asked for on every call: a driver that loses a device moves the later ones.
    DriverA::reset(1, 1);
    EXPECT_EQ(waveInGetNumDevs(), 4u);
    EXPECT_EQ(inName(1), "drv2 in-0");
}

TEST_F(WaveApi, CapabilityRecordsAreCopiedUpToTheRequestedSize) {
    winmmInstallDriver(&DriverA::driver);
    // The driver fills the record's full size: 48 bytes for input, 52 for output.
    std::array<BYTE, 64> buffer;
    buffer.fill(0x11);
    ASSERT_EQ(waveInGetDevCapsA(0, reinterpret_cast<WAVEINCAPSA*>(buffer.data()), 64),
              MMSYSERR_NOERROR);
    EXPECT_EQ(buffer[47], 0xEE); // wReserved1
    EXPECT_EQ(buffer[48], 0x11);
    buffer.fill(0x11);
    ASSERT_EQ(waveOutGetDevCapsA(0, reinterpret_cast<WAVEOUTCAPSA*>(buffer.data()), 64),
              MMSYSERR_NOERROR);
    EXPECT_EQ(buffer[51], 0xEE); // dwSupport
    EXPECT_EQ(buffer[52], 0x11);

    // A shorter record gets only as many bytes as asked for.
    buffer.fill(0x11);
    ASSERT_EQ(waveInGetDevCapsA(1, reinterpret_cast<WAVEINCAPSA*>(buffer.data()), 6),
              MMSYSERR_NOERROR);
    EXPECT_EQ(buffer[0], 101); // wMid
    EXPECT_EQ(buffer[2], 1);   // wPid
    EXPECT_EQ(buffer[5], 0xEE);
    EXPECT_EQ(buffer[6], 0x11);
    buffer.fill(0x11);
    EXPECT_EQ(waveInGetDevCapsA(0, reinterpret_cast<WAVEINCAPSA*>(buffer.data()), 0),
              MMSYSERR_NOERROR);
    EXPECT_EQ(buffer[0], 0x11);

    EXPECT_EQ(waveInGetDevCapsA(0, nullptr, 48), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutGetDevCapsA(0, nullptr, 52), MMSYSERR_INVALPARAM);

    // An open handle stands for its device.
    HWAVEOUT out = nullptr;
    ASSERT_EQ(waveOutOpen(&out, 0, &kFormat, 0, 0, 0), MMSYSERR_NOERROR);
    WAVEOUTCAPSA caps{};
    EXPECT_EQ(waveOutGetDevCapsA(reinterpret_cast<UINT_PTR>(out), &caps, sizeof caps),
              MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "drv1 out-0");
    EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutGetDevCapsA(reinterpret_cast<UINT_PTR>(out), &caps, sizeof caps),
              MMSYSERR_BADDEVICEID);
}

TEST_F(WaveApi, OpenHandsTheDriverAnOpenDescriptionAndMessagesReachItUnchanged) {
    winmmInstallDriver(&DriverA::driver);
    winmmInstallDriver(&DriverB::driver);
    HWAVEIN in = nullptr;
    const DWORD_PTR callback = 0xC0FFEE;
    ASSERT_EQ(waveInOpen(&in, 3, &kFormat, callback, 0x1234, CALLBACK_WINDOW), MMSYSERR_NOERROR);
    ASSERT_NE(in, nullptr);
    ASSERT_EQ(DriverB::opens.size(), 1u);
    const WAVEOPENDESC& desc = DriverB::opens[0];
    EXPECT_EQ(desc.hWave, static_cast<void*>(in));
    EXPECT_EQ(desc.lpFormat, &kFormat);
    EXPECT_EQ(desc.dwCallback, callback);
    EXPECT_EQ(desc.dwInstance, 0x1234u);
    auto calls = DriverB::takeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].device, 1u); // device 3 is the second device of driver B
    EXPECT_EQ(calls[0].p2, CALLBACK_WINDOW);
    const DWORD_PTR instance = DriverB::nextInstance;

    const DWORD_PTR big = ~DWORD_PTR{0} - 5;
    EXPECT_EQ(waveInMessage(in, DRV_USER + 0x3A, big, 0x1A370000), 0x77u);
    EXPECT_EQ(waveInMessage(in, 0xFFFFFFFF, 1, 2), 0x77u);
    calls = DriverB::takeCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].device, 1u);
    EXPECT_EQ(calls[0].msg, DRV_USER + 0x3A);
    EXPECT_EQ(calls[0].user, instance);
    EXPECT_EQ(calls[0].p1, big);
    EXPECT_EQ(calls[0].p2, 0x1A370000u);
    EXPECT_EQ(calls[1].msg, 0xFFFFFFFFu);

    // Below the driver range nothing is forwarded.
    EXPECT_EQ(waveInMessage(in, WIDM_CLOSE, 0, 0), MMSYSERR_NOTSUPPORTED);
    EXPECT_EQ(waveInMessage(in, DRV_USER - 1, 0, 0), MMSYSERR_NOTSUPPORTED);
    EXPECT_TRUE(DriverB::takeCalls().empty());

    ASSERT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    calls = DriverB::takeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].msg, WIDM_CLOSE);
    EXPECT_EQ(calls[0].user, instance);

    // Output handles forward to the output entry with their own instance.
    HWAVEOUT out = nullptr;
    ASSERT_EQ(waveOutOpen(&out, 0, &kFormat, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutMessage(out, 0x4011, 0x1A2F0000, 0), 0x77u);
    calls = DriverA::takeCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[1].output);
    EXPECT_EQ(calls[1].msg, 0x4011u);
    EXPECT_EQ(calls[1].user, DriverA::nextInstance);
    EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
}

TEST_F(WaveApi, OpenRejectsBadArgumentsAndFormatQueriesOpenNothing) {
    winmmInstallDriver(&DriverA::driver);
    HWAVEIN in = reinterpret_cast<HWAVEIN>(0x1);
    EXPECT_EQ(waveInOpen(&in, 0, nullptr, 0, 0, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(waveInOpen(nullptr, 0, &kFormat, 0, 0, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveInOpen(&in, 0, &kFormat, 0, 0, 0x30000 /* function callback */),
              MMSYSERR_INVALFLAG);
    EXPECT_TRUE(DriverA::takeCalls().empty());

    EXPECT_EQ(waveInOpen(nullptr, 1, &kFormat, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
    auto calls = DriverA::takeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].p2, WAVE_FORMAT_QUERY);

    DriverA::openResult = WAVERR_BADFORMAT;
    in = reinterpret_cast<HWAVEIN>(0x1);
    EXPECT_EQ(waveInOpen(&in, 0, &kFormat, 0x99, 0, CALLBACK_WINDOW), WAVERR_BADFORMAT);
    EXPECT_EQ(in, nullptr);
    EXPECT_TRUE(takePosted().empty());
}

TEST_F(WaveApi, OpenAndCloseArePostedToTheCallbackWindow) {
    winmmInstallDriver(&DriverA::driver);
    const auto window = reinterpret_cast<HWND>(0x4242);
    HWAVEIN in = nullptr;
    HWAVEOUT out = nullptr;
    ASSERT_EQ(waveInOpen(&in, 0, &kFormat, reinterpret_cast<DWORD_PTR>(window), 0, CALLBACK_WINDOW),
              MMSYSERR_NOERROR);
    ASSERT_EQ(
        waveOutOpen(&out, 0, &kFormat, reinterpret_cast<DWORD_PTR>(window), 0, CALLBACK_WINDOW),
        MMSYSERR_NOERROR);
    ASSERT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    auto messages = takePosted();
    ASSERT_EQ(messages.size(), 4u);
    const UINT expected[] = {MM_WIM_OPEN, MM_WOM_OPEN, MM_WIM_CLOSE, MM_WOM_CLOSE};
    const void* handles[] = {in, out, in, out};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(messages[i].window, window);
        EXPECT_EQ(messages[i].msg, expected[i]);
        EXPECT_EQ(messages[i].wParam, reinterpret_cast<WPARAM>(handles[i]));
        EXPECT_EQ(messages[i].lParam, 0);
    }

    // No callback window, a null window, or no poster: nothing is posted.
    ASSERT_EQ(waveInOpen(&in, 0, &kFormat, reinterpret_cast<DWORD_PTR>(window), 0, 0),
              MMSYSERR_NOERROR);
    ASSERT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInOpen(&in, 0, &kFormat, 0, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    EXPECT_TRUE(takePosted().empty());
    winmmSetWindowMessagePoster(nullptr);
    ASSERT_EQ(waveInOpen(&in, 0, &kFormat, reinterpret_cast<DWORD_PTR>(window), 0, CALLBACK_WINDOW),
              MMSYSERR_NOERROR);
    ASSERT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    EXPECT_TRUE(takePosted().empty());

    // A close the driver refuses keeps the handle open and posts nothing.
    winmmSetWindowMessagePoster(capturePost);
    ASSERT_EQ(waveInOpen(&in, 0, &kFormat, reinterpret_cast<DWORD_PTR>(window), 0, CALLBACK_WINDOW),
              MMSYSERR_NOERROR);
    takePosted();
    DriverA::closeResult = MMSYSERR_ERROR;
    EXPECT_EQ(waveInClose(in), MMSYSERR_ERROR);
    EXPECT_TRUE(takePosted().empty());
    EXPECT_EQ(waveInMessage(in, DRV_USER, 0, 0), 0x77u);
    DriverA::closeResult = MMSYSERR_NOERROR;
    EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
}

TEST_F(WaveApi, ClosedUnknownAndMismatchedHandlesAreRefused) {
    winmmInstallDriver(&DriverA::driver);
    std::set<void*> seen;
    HWAVEIN in = nullptr;
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(waveInOpen(&in, i % 2, &kFormat, 0, 0, 0), MMSYSERR_NOERROR);
        EXPECT_TRUE(seen.insert(in).second) << "handle reused";
        ASSERT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    }
    DriverA::takeCalls();
    EXPECT_EQ(waveInClose(in), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInMessage(in, DRV_USER, 0, 0), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInClose(nullptr), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInMessage(reinterpret_cast<HWAVEIN>(0xDEADBEEF), DRV_USER, 0, 0),
              MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutMessage(nullptr, DRV_USER, 0, 0), MMSYSERR_INVALHANDLE);
    EXPECT_TRUE(DriverA::takeCalls().empty()) << "a refused handle must not reach the driver";

    // An input handle is no output handle.
    ASSERT_EQ(waveInOpen(&in, 0, &kFormat, 0, 0, 0), MMSYSERR_NOERROR);
    auto asOut = reinterpret_cast<HWAVEOUT>(in);
    EXPECT_EQ(waveOutMessage(asOut, DRV_USER, 0, 0), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutClose(asOut), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInMessage(in, DRV_USER, 0, 0), 0x77u);

    // Removing the drivers invalidates open handles.
    winmmRemoveAllDrivers();
    EXPECT_EQ(waveInMessage(in, DRV_USER, 0, 0), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInClose(in), MMSYSERR_INVALHANDLE);
}

// A driver that checks that it is never sent a message for an instance it has already closed,
// and that can try to close its own handle from inside a message.
struct StrictDriver {
    static inline std::mutex mutex;
    static inline std::set<DWORD_PTR> open;
    static inline std::unordered_map<DWORD_PTR, void*> handleOf;
    static inline DWORD_PTR next = 0;
    static inline std::atomic<int> staleCalls{0};
    static inline std::atomic<int> messages{0};
    static constexpr UINT kCloseYourself = DRV_USER + 1;

    static DWORD wid(UINT, UINT msg, DWORD_PTR user, DWORD_PTR p1, DWORD_PTR) {
        if (msg == WIDM_GETNUMDEVS) {
            return 1;
        }
        std::unique_lock lock(mutex);
        if (msg == WIDM_OPEN) {
            *reinterpret_cast<DWORD_PTR*>(user) = ++next;
            open.insert(next);
            handleOf[next] = reinterpret_cast<const WAVEOPENDESC*>(p1)->hWave;
            return MMSYSERR_NOERROR;
        }
        if (!open.count(user)) {
            ++staleCalls;
            return MMSYSERR_ERROR;
        }
        if (msg == WIDM_CLOSE) {
            open.erase(user);
            return MMSYSERR_NOERROR;
        }
        ++messages;
        if (msg == kCloseYourself) {
            void* self = handleOf[user];
            lock.unlock();
            return waveInClose(static_cast<HWAVEIN>(self));
        }
        lock.unlock();
        std::this_thread::yield(); // widen the window for a concurrent close
        return MMSYSERR_NOERROR;
    }
    static inline const WaveDriver driver{"strict", wid, nullptr};
};

TEST_F(WaveApi, ConcurrentMessagesAndClosesNeverReachAClosedInstance) {
    winmmInstallDriver(&StrictDriver::driver);
    EXPECT_EQ(waveOutGetNumDevs(), 0u); // the driver has no output entry

    constexpr int kSlots = 4;
    std::array<std::atomic<HWAVEIN>, kSlots> slots{};
    std::atomic<bool> stop{false};
    std::atomic<int> invalid{0};
    std::vector<std::thread> senders;
    for (int t = 0; t < 3; ++t) {
        senders.emplace_back([&, t] {
            for (int i = t; !stop; ++i) {
                MMRESULT rc = waveInMessage(slots[i % kSlots].load(), DRV_USER, 0, 0);
                if (rc == MMSYSERR_INVALHANDLE) {
                    ++invalid;
                }
            }
        });
    }
    // Opens and closes until the senders have delivered plenty of messages in between.
    // (On a busy machine the senders may need a while; the bound only keeps a broken build
    // from hanging.)
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (int round = 0; round < 2000 || (StrictDriver::messages < 2000 &&
                                         std::chrono::steady_clock::now() < giveUp);
         ++round) {
        HWAVEIN handle = nullptr;
        ASSERT_EQ(waveInOpen(&handle, 0, &kFormat, 0, 0, 0), MMSYSERR_NOERROR);
        HWAVEIN old = slots[round % kSlots].exchange(handle);
        if (old) {
            ASSERT_EQ(waveInClose(old), MMSYSERR_NOERROR);
        }
    }
    stop = true;
    for (auto& sender : senders) {
        sender.join();
    }
    for (auto& slot : slots) {
        EXPECT_EQ(waveInClose(slot.load()), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(StrictDriver::staleCalls.load(), 0);
    EXPECT_GE(StrictDriver::messages.load(), 2000);
    EXPECT_TRUE(StrictDriver::open.empty());

    // A driver closing its own handle from inside a message is refused instead of deadlocking.
    HWAVEIN self = nullptr;
    ASSERT_EQ(waveInOpen(&self, 0, &kFormat, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInMessage(self, StrictDriver::kCloseYourself, 0, 0), MMSYSERR_HANDLEBUSY);
    EXPECT_EQ(waveInClose(self), MMSYSERR_NOERROR);
}

} // namespace

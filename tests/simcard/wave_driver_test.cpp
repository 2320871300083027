// The simulated wave drivers, talked to through their message entry points as the wave API does.
#include "simcard/wave_driver.h"
#include "support/simcard_env.h"

#include <cstring>

namespace {

using namespace simcard;

DWORD send(const WaveDriver* driver, Direction direction, UINT id, UINT msg, DWORD_PTR user = 0,
           DWORD_PTR p1 = 0, DWORD_PTR p2 = 0) {
    return (direction == Direction::In ? driver->widMessage : driver->wodMessage)(id, msg, user, p1,
                                                                                  p2);
}

UINT numDevs(const WaveDriver* driver, Direction direction) {
    return send(driver, direction, 0,
                direction == Direction::In ? WIDM_GETNUMDEVS : WODM_GETNUMDEVS);
}

// The capabilities as far as both records share them.
WAVEINCAPSA caps(const WaveDriver* driver, Direction direction, UINT id) {
    WAVEOUTCAPSA out{};
    const UINT msg = direction == Direction::In ? WIDM_GETDEVCAPS : WODM_GETDEVCAPS;
    const UINT size = direction == Direction::In ? sizeof(WAVEINCAPSA) : sizeof(WAVEOUTCAPSA);
    EXPECT_EQ(send(driver, direction, id, msg, 0, reinterpret_cast<DWORD_PTR>(&out), size), 0u);
    WAVEINCAPSA in{};
    std::memcpy(&in, &out, sizeof in);
    return in;
}

// The control format: an 18-byte PCM WAVEFORMATEX, cbSize 4, "CTRL", and a zero byte.
struct ControlFormat {
    unsigned char bytes[23] = {1, 0, 2,  0, 0x44, 0xAC, 0,   0,   0x10, 0xB1, 2, 0,
                               4, 0, 16, 0, 4,    0,    'C', 'T', 'R',  'L',  0};
    const WAVEFORMATEX* format() const { return reinterpret_cast<const WAVEFORMATEX*>(bytes); }
};

// Opens a handle; the driver's instance, or 0 with the result in rc.
DWORD_PTR open(const WaveDriver* driver, Direction direction, UINT id, const WAVEFORMATEX* format,
               DWORD* rc = nullptr, DWORD flags = 0) {
    WAVEOPENDESC desc{nullptr, format, 0, 0, id};
    DWORD_PTR instance = 0;
    const DWORD result =
        send(driver, direction, id, direction == Direction::In ? WIDM_OPEN : WODM_OPEN,
             reinterpret_cast<DWORD_PTR>(&instance), reinterpret_cast<DWORD_PTR>(&desc), flags);
    if (rc) {
        *rc = result;
    }
    return result == 0 ? instance : 0;
}

DWORD close(const WaveDriver* driver, Direction direction, DWORD_PTR instance) {
    return send(driver, direction, 0, direction == Direction::In ? WIDM_CLOSE : WODM_CLOSE,
                instance);
}

HardwareDescription described(const std::string& text) {
    auto result = parseDescription(text, "test.desc");
    EXPECT_TRUE(result.description) << result.error;
    return result.description.value_or(HardwareDescription{});
}

class WaveDriverTest : public orv_test::SimcardTest {
protected:
    void SetUp() override {
        SimcardTest::SetUp();
        setDriverDescription(described(""));
    }
    void TearDown() override {
        setDriverClock(nullptr);
        SimcardTest::TearDown();
    }
    const WaveDriver* card_ = cardWaveDriver();
    ControlFormat control_;
};

TEST_F(WaveDriverTest, EachCardHasFourPairsPerDirectionNamedOverAllCards) {
    setDriverDescription(described("cards 4"));
    ASSERT_EQ(numDevs(card_, Direction::In), 16u);
    ASSERT_EQ(numDevs(card_, Direction::Out), 16u);
    EXPECT_EQ(numDevs(systemWaveDriver(), Direction::In), 0u);
    for (UINT id = 0; id < 16; ++id) {
        const auto in = caps(card_, Direction::In, id);
        const auto out = caps(card_, Direction::Out, id);
        EXPECT_EQ(in.wMid, kCardMakerId);
        EXPECT_NE(kCardMakerId, 1) << "not Microsoft's id";
        EXPECT_EQ(in.wPid, 46);
        EXPECT_EQ(out.wMid, kCardMakerId);
        EXPECT_EQ(out.wPid, 45);
        const std::string pair = std::to_string(2 * id + 1) + "-" + std::to_string(2 * id + 2);
        EXPECT_EQ(std::string(in.szPname), "Orvane ADAT In " + pair);
        EXPECT_EQ(std::string(out.szPname), "Orvane ADAT Out " + pair);
        EXPECT_EQ(in.wChannels, 2);
    }
    EXPECT_EQ(send(card_, Direction::In, 16, WIDM_GETDEVCAPS, 0, 0, 0), MMSYSERR_BADDEVICEID);

    unsigned char buffer[sizeof(WAVEOUTCAPSA) + 4];
    std::memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(
        send(card_, Direction::Out, 0, WODM_GETDEVCAPS, 0, reinterpret_cast<DWORD_PTR>(buffer), 6),
        0u);
    EXPECT_EQ(buffer[0] | buffer[1] << 8, kCardMakerId);
    EXPECT_EQ(buffer[6], 0xEE) << "a short record is not overrun";
}

TEST_F(WaveDriverTest, OnlyTheControlFormatOpensAHandle) {
    DWORD rc = 0;
    WAVEFORMATEX pcm{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    EXPECT_EQ(open(card_, Direction::In, 0, &pcm, &rc), 0u);
    EXPECT_EQ(rc, WAVERR_BADFORMAT);
    ControlFormat wrongTag;
    wrongTag.bytes[21] = 'X';
    EXPECT_EQ(open(card_, Direction::In, 0, wrongTag.format(), &rc), 0u);
    EXPECT_EQ(rc, WAVERR_BADFORMAT);
    ControlFormat noExtra;
    noExtra.bytes[16] = 0;
    EXPECT_EQ(open(card_, Direction::In, 0, noExtra.format(), &rc), 0u);
    EXPECT_EQ(rc, WAVERR_BADFORMAT) << "cbSize 0 hides the tag";
    EXPECT_EQ(open(card_, Direction::In, 0, nullptr, &rc), 0u);
    EXPECT_EQ(rc, WAVERR_BADFORMAT);
    EXPECT_EQ(open(card_, Direction::In, 0, control_.format(), &rc, WAVE_FORMAT_QUERY), 0u);
    EXPECT_EQ(rc, MMSYSERR_NOERROR) << "a query opens nothing";
    EXPECT_EQ(open(card_, Direction::Out, 8, control_.format(), &rc), 0u);
    EXPECT_EQ(rc, MMSYSERR_BADDEVICEID);

    for (Direction direction : {Direction::In, Direction::Out}) {
        for (UINT id = 0; id < 8; ++id) {
            const DWORD_PTR first = open(card_, direction, id, control_.format(), &rc);
            const DWORD_PTR second = open(card_, direction, id, control_.format(), &rc);
            ASSERT_NE(first, 0u) << rc;
            ASSERT_NE(second, 0u) << "two handles on one pair";
            EXPECT_NE(first, second);
            EXPECT_EQ(close(card_, direction, first), 0u);
            EXPECT_EQ(close(card_, direction, first), MMSYSERR_INVALHANDLE);
            EXPECT_EQ(close(card_, direction, second), 0u);
        }
    }
}

TEST_F(WaveDriverTest, DevNodeQueryWritesTheCardsNodeIntoTheBlock) {
    setDriverDescription(described("cards 3\ndevnode 1 0x12345678\nfault devnode-unanswered 2"));
    const VPVOID vp = WOWGlobalAllocLock16(GMEM_ZEROINIT, 4, nullptr);
    auto* block = static_cast<unsigned char*>(WOWGetVDMPointer(vp, 4, TRUE));
    ASSERT_NE(block, nullptr);
    const DWORD_PTR card0 = open(card_, Direction::Out, 0, control_.format());
    const DWORD_PTR card1 = open(card_, Direction::Out, 7, control_.format());
    const DWORD_PTR card2 = open(card_, Direction::Out, 8, control_.format());
    const DWORD_PTR input = open(card_, Direction::In, 4, control_.format());
    ASSERT_TRUE(card0 && card1 && card2 && input);

    EXPECT_EQ(send(card_, Direction::Out, 0, kDevNodeQuery, card0, vp), 0u);
    EXPECT_EQ(readInt32(std::span(block, 4), 0), static_cast<std::int32_t>(0xC1A30000));
    EXPECT_EQ(send(card_, Direction::Out, 7, kDevNodeQuery, card1, vp), 0u);
    EXPECT_EQ(readInt32(std::span(block, 4), 0), 0x12345678) << "pair 3 of card 1";
    EXPECT_NE(send(card_, Direction::Out, 8, kDevNodeQuery, card2, vp), 0u);
    EXPECT_EQ(readInt32(std::span(block, 4), 0), 0x12345678) << "unanswered: block unchanged";
    EXPECT_EQ(send(card_, Direction::In, 4, kDevNodeQuery, input, vp), MMSYSERR_NOTSUPPORTED);
    EXPECT_EQ(send(card_, Direction::Out, 0, kDevNodeQuery, card0, vp + 2), MMSYSERR_INVALPARAM)
        << "two bytes short of a block";
    EXPECT_EQ(send(card_, Direction::Out, 0, kDevNodeQuery, 12345, vp), MMSYSERR_INVALHANDLE);
    for (DWORD_PTR h : {card0, card1, card2}) {
        EXPECT_EQ(close(card_, Direction::Out, h), 0u);
    }
    EXPECT_EQ(close(card_, Direction::In, input), 0u);
    EXPECT_EQ(WOWGlobalUnlockFree16(vp), 0);
}

TEST_F(WaveDriverTest, MeterReadsGiveThePairsPinnedLevels) {
    std::string text = "cards 2\n";
    for (int ch = 1; ch <= 16; ++ch) {
        text += "level in " + std::to_string(ch) + " constant " + std::to_string(ch * 100) + "\n";
        text += "level out " + std::to_string(ch) + " constant " + std::to_string(ch * 1000) + "\n";
    }
    setDriverDescription(described(text));
    const VPVOID vp = WOWGlobalAllocLock16(GMEM_MOVEABLE | GMEM_ZEROINIT, 8, nullptr);
    auto* record = static_cast<unsigned char*>(WOWGetVDMPointer(vp, 8, TRUE));
    ASSERT_NE(record, nullptr);
    const std::span<unsigned char> levels(record, 8);

    struct Dir {
        Direction direction;
        UINT start, stop, read;
        int scale;
    };
    for (const Dir& d : {Dir{Direction::In, 0x4038, 0x4039, 0x403A, 100},
                         Dir{Direction::Out, 0x4007, 0x4008, 0x4009, 1000}}) {
        for (UINT id = 0; id < 8; ++id) {
            const DWORD_PTR h = open(card_, d.direction, id, control_.format());
            ASSERT_NE(h, 0u);
            std::memset(record, 0xFF, 8);
            EXPECT_EQ(send(card_, d.direction, id, d.read, h, vp), 0u);
            EXPECT_EQ(readInt32(levels, 0), 0) << "metering off: nothing measured";
            EXPECT_EQ(readInt32(levels, 4), 0);

            EXPECT_EQ(send(card_, d.direction, id, d.start, h), 0u);
            EXPECT_EQ(send(card_, d.direction, id, d.read, h, vp), 0u);
            EXPECT_EQ(readInt32(levels, 0), static_cast<int>(2 * id + 1) * d.scale);
            EXPECT_EQ(readInt32(levels, 4), static_cast<int>(2 * id + 2) * d.scale);

            std::memset(record, 0xAB, 8);
            EXPECT_EQ(send(card_, d.direction, id, d.read, h, vp + 1), MMSYSERR_INVALPARAM);
            EXPECT_EQ(record[0], 0xAB) << "a bad address gets nothing written";
            const UINT otherRead = d.direction == Direction::In ? 0x4009 : 0x403A;
            EXPECT_EQ(send(card_, d.direction, id, otherRead, h, vp), MMSYSERR_NOTSUPPORTED);
            EXPECT_EQ(record[0], 0xAB);

            EXPECT_EQ(send(card_, d.direction, id, d.stop, h), 0u);
            EXPECT_EQ(send(card_, d.direction, id, d.read, h, vp), 0u);
            EXPECT_EQ(readInt32(levels, 0), 0) << "stopped";
            EXPECT_EQ(close(card_, d.direction, h), 0u);
        }
    }
    EXPECT_EQ(WOWGlobalUnlockFree16(vp), 0);
}

double testTime = 0;
double testClock() {
    return testTime;
}

TEST_F(WaveDriverTest, AReadReportsThePeakSinceThePairsLastRead) {
    setDriverDescription(described("level in 1 sine 10000 1\nlevel in 2 constant 7\n"));
    setDriverClock(testClock);
    const VPVOID vp = WOWGlobalAllocLock16(GMEM_ZEROINIT, 8, nullptr);
    const std::span<unsigned char> levels(
        static_cast<unsigned char*>(WOWGetVDMPointer(vp, 8, TRUE)), 8);
    const DWORD_PTR a = open(card_, Direction::In, 0, control_.format());
    const DWORD_PTR b = open(card_, Direction::In, 0, control_.format());
    ASSERT_TRUE(a && b);
    send(card_, Direction::In, 0, kInMeterStart, a);
    send(card_, Direction::In, 0, kInMeterStart, b);
    auto readAt = [&](double t, DWORD_PTR h) {
        testTime = t;
        EXPECT_EQ(send(card_, Direction::In, 0, kInMeterRead, h, vp), 0u);
        EXPECT_EQ(readInt32(levels, 4), 7);
        return readInt32(levels, 0);
    };
    EXPECT_EQ(readAt(0.1, a), 5878) << "the first read covers the last 100 ms";
    EXPECT_EQ(readAt(0.3, a), 10000) << "the crest at 0.25 s lies since the last read";
    EXPECT_EQ(readAt(0.35, b), 9511) << "the other handle on the pair read after 0.3 s";
    EXPECT_EQ(readAt(0.35, a), 8090) << "no time passed: the momentary value";
    close(card_, Direction::In, a);
    close(card_, Direction::In, b);
    WOWGlobalUnlockFree16(vp);
}

TEST_F(WaveDriverTest, TheSystemDeviceOfAnotherMakerComesFirst) {
    setDriverDescription(described("system-device yes\ncards 1"));
    const WaveDriver* system = systemWaveDriver();
    for (Direction direction : {Direction::In, Direction::Out}) {
        ASSERT_EQ(numDevs(system, direction), 1u);
        ASSERT_EQ(numDevs(card_, direction), 4u);
        const auto c = caps(system, direction, 0);
        EXPECT_EQ(c.wMid, 1);
        EXPECT_EQ(c.wPid, direction == Direction::In ? 46 : 45) << "only the maker tells";
        DWORD rc = 0;
        EXPECT_EQ(open(system, direction, 0, control_.format(), &rc), 0u);
        EXPECT_EQ(rc, WAVERR_BADFORMAT);
    }
    EXPECT_NE(std::string(caps(system, Direction::In, 0).szPname).find("System"),
              std::string::npos);
}

TEST_F(WaveDriverTest, AnExplicitDeviceListReplacesTheGeneratedDevices) {
    setDriverDescription(described(R"(
        system-device yes
        devnode 1 0xAB
        device in 0x4B56 46 "Orvane ADAT In 1-2"
        device in 1 46 "Other In 3-4"
        device in 0x4B56 47 "Orvane ADAT In 5-6"
        device out 0x4B56 45 "Orvane ADAT Out 9-10"
        device out 0x4B56 45 "Orvane ADAT Out 33-34"
        device out 0x4B56 45 "No hyphen"
    )"));
    EXPECT_EQ(numDevs(systemWaveDriver(), Direction::In), 0u);
    ASSERT_EQ(numDevs(card_, Direction::In), 3u);
    ASSERT_EQ(numDevs(card_, Direction::Out), 3u);
    EXPECT_EQ(caps(card_, Direction::In, 1).wMid, 1);
    EXPECT_EQ(caps(card_, Direction::In, 2).wPid, 47);
    EXPECT_EQ(std::string(caps(card_, Direction::Out, 2).szPname), "No hyphen");

    const VPVOID vp = WOWGlobalAllocLock16(GMEM_ZEROINIT, 4, nullptr);
    const std::span<unsigned char> node(static_cast<unsigned char*>(WOWGetVDMPointer(vp, 4, TRUE)),
                                        4);
    const DWORD_PTR h = open(card_, Direction::Out, 0, control_.format());
    ASSERT_NE(h, 0u);
    EXPECT_EQ(send(card_, Direction::Out, 0, kDevNodeQuery, h, vp), 0u);
    EXPECT_EQ(readInt32(node, 0), 0xAB) << "'9-10' belongs to card 1";
    for (UINT id : {1u, 2u}) {
        const DWORD_PTR other = open(card_, Direction::Out, id, control_.format());
        ASSERT_NE(other, 0u) << "the maker's devices all open";
        EXPECT_EQ(send(card_, Direction::Out, id, kDevNodeQuery, other, vp), 0u);
        EXPECT_EQ(readInt32(node, 0), static_cast<std::int32_t>(0xC1A30000)) << "card 0";
        close(card_, Direction::Out, other);
    }
    DWORD rc = 0;
    EXPECT_EQ(open(card_, Direction::In, 1, control_.format(), &rc), 0u);
    EXPECT_EQ(rc, WAVERR_BADFORMAT) << "another maker's device";
    close(card_, Direction::Out, h);
    WOWGlobalUnlockFree16(vp);
}

TEST_F(WaveDriverTest, FaultSwitchesBreakNamesAndOpens) {
    setDriverDescription(described("cards 2\nfault name-without-hyphen out 0 3\n"
                                   "fault name-without-hyphen in 1 0\n"
                                   "fault control-open-refused 1\n"));
    EXPECT_EQ(std::string(caps(card_, Direction::Out, 3).szPname), "Orvane ADAT Out 7 8");
    EXPECT_EQ(std::string(caps(card_, Direction::In, 4).szPname), "Orvane ADAT In 9 10");
    EXPECT_EQ(std::string(caps(card_, Direction::In, 3).szPname), "Orvane ADAT In 7-8");
    DWORD rc = 0;
    const DWORD_PTR fine = open(card_, Direction::In, 3, control_.format(), &rc);
    EXPECT_NE(fine, 0u);
    EXPECT_EQ(open(card_, Direction::In, 4, control_.format(), &rc), 0u);
    EXPECT_EQ(rc, MMSYSERR_ALLOCATED);
    EXPECT_EQ(open(card_, Direction::Out, 7, control_.format(), &rc), 0u);
    EXPECT_EQ(rc, MMSYSERR_ALLOCATED);
    close(card_, Direction::In, fine);
}

TEST_F(WaveDriverTest, ANewDescriptionInvalidatesOldHandles) {
    const DWORD_PTR h = open(card_, Direction::In, 0, control_.format());
    ASSERT_NE(h, 0u);
    setDriverDescription(described("cards 0"));
    EXPECT_EQ(numDevs(card_, Direction::In), 0u);
    EXPECT_EQ(send(card_, Direction::In, 0, kInMeterStart, h), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(close(card_, Direction::In, h), MMSYSERR_INVALHANDLE);
}

} // namespace

// The simulated card as the program meets it: installed into the wave API and found there.
#include "platform/winmm_driver.h"
#include "simcard/wave_driver.h"
#include "support/simcard_env.h"

#include <cstring>
#include <fstream>

namespace {

class InstalledDriversTest : public orv_test::SimcardTest {
protected:
    void TearDown() override {
        winmmRemoveAllDrivers();
        SimcardTest::TearDown();
    }
};

TEST_F(InstalledDriversTest, FourCardsGiveSixteenDevicesEachWayWithTheirCapabilities) {
    describe("cards 4\nsystem-device yes\n");
    ASSERT_TRUE(simcard::installDrivers());
    // The other maker's device comes first in each direction.
    ASSERT_EQ(waveInGetNumDevs(), 17u);
    ASSERT_EQ(waveOutGetNumDevs(), 17u);
    WAVEINCAPSA system{};
    ASSERT_EQ(waveInGetDevCapsA(0, &system, sizeof system), MMSYSERR_NOERROR);
    EXPECT_EQ(system.wMid, 1);
    for (UINT i = 0; i < 16; ++i) {
        WAVEINCAPSA in{};
        WAVEOUTCAPSA out{};
        ASSERT_EQ(waveInGetDevCapsA(i + 1, &in, sizeof in), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutGetDevCapsA(i + 1, &out, sizeof out), MMSYSERR_NOERROR);
        const std::string pair = std::to_string(2 * i + 1) + "-" + std::to_string(2 * i + 2);
        EXPECT_EQ(in.wMid, simcard::kCardMakerId);
        EXPECT_EQ(in.wPid, 46);
        EXPECT_EQ(std::string(in.szPname), "Orvane ADAT In " + pair);
        EXPECT_EQ(out.wMid, simcard::kCardMakerId);
        EXPECT_EQ(out.wPid, 45);
        EXPECT_EQ(std::string(out.szPname), "Orvane ADAT Out " + pair);
    }
}

TEST_F(InstalledDriversTest, OnlyAControlOpenSucceeds) {
    describe("cards 1\n");
    ASSERT_TRUE(simcard::installDrivers());
    WAVEFORMATEX pcm{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    HWAVEIN in = nullptr;
    EXPECT_EQ(waveInOpen(&in, 0, &pcm, 0, 0, 0), WAVERR_BADFORMAT);
    // The same format with "CTRL" after it.
    unsigned char control[23] = {};
    WAVEFORMATEX tagged = pcm;
    tagged.cbSize = 4;
    std::memcpy(control, &tagged, sizeof tagged);
    std::memcpy(control + sizeof tagged, "CTRL", 4);
    auto* format = reinterpret_cast<const WAVEFORMATEX*>(control);
    ASSERT_EQ(waveInOpen(&in, 0, format, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    HWAVEOUT out = nullptr;
    ASSERT_EQ(waveOutOpen(&out, 3, format, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
}

TEST_F(InstalledDriversTest, ABadDescriptionInstallsNothing) {
    describe("cards 9\n");
    EXPECT_FALSE(simcard::installDrivers());
    EXPECT_EQ(waveInGetNumDevs(), 0u);
    EXPECT_EQ(waveOutGetNumDevs(), 0u);
}

} // namespace

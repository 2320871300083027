// Live capture devices as signal sources of the simulated card, through ALSA: a test-made ALSA
// configuration defines capture devices that read their samples from files (the file plugin over
// the null device), so no sound hardware is needed.
#include "meter_reads.h"
#include "simcard/audio_sources.h"
#include "support/simcard_env.h"

#include <cmath>
#include <fstream>

namespace {

using orv_test::levelOfDb;
using orv_test::meterTestTime;
using simcard::Direction;

constexpr double kPi = 3.14159265358979323846;
constexpr double kStart = 500.0;

// Raw 16-bit little-endian samples, 48 kHz, 3 channels, 2 s: a -6 dB sine, silence, full scale.
void writeRawCapture(const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary);
    for (int frame = 0; frame < 96000; ++frame) {
        const auto sine = static_cast<std::int16_t>(
            std::lround(32767 * std::pow(10.0, -6.0 / 20) * std::sin(2 * kPi * frame / 48.0)));
        const std::int16_t values[3] = {
            sine, 0, (frame / 24) % 2 ? std::int16_t{-32768} : std::int16_t{32767}};
        for (const std::int16_t v : values) {
            const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
            out.write(bytes, 2);
        }
    }
}

class CaptureSourceTest : public orv_test::SimcardTest {
protected:
    void SetUp() override {
        SimcardTest::SetUp();
        writeRawCapture(dir_.path() / "capture.raw");
        std::ofstream(dir_.path() / "asoundrc") << device("orvtest", dir_.path() / "capture.raw")
                                                << device("orvlater", dir_.path() / "later.raw");
        alsaConfig_.emplace("ALSA_CONFIG_PATH", (dir_.path() / "asoundrc").string());
        meterTestTime = kStart;
        simcard::setDriverClock(orv_test::meterTestClock);
    }
    void TearDown() override {
        simcard::setDriverDescription(simcard::HardwareDescription{});
        simcard::setDriverClock(nullptr);
        alsaConfig_.reset();
        SimcardTest::TearDown();
    }
    static std::string device(const std::string& name, const std::filesystem::path& samples) {
        return "pcm." + name + " {\n    type file\n    slave.pcm { type null }\n" +
               "    file \"/dev/null\"\n    infile \"" + samples.string() +
               "\"\n    format \"raw\"\n}\n";
    }
    void serve(const std::string& text) {
        auto result = simcard::parseDescription(text, "test.desc");
        ASSERT_TRUE(result.description) << result.error;
        simcard::setDriverDescription(*result.description);
        ASSERT_TRUE(simcard::settleAudioSources());
    }
    void at(double t) {
        meterTestTime = kStart + t;
        ASSERT_TRUE(simcard::settleAudioSources());
    }
    std::optional<orv_test::ScopedEnv> alsaConfig_;
};

TEST_F(CaptureSourceTest, ACaptureDevicesChannelsGiveTheirPeaksFromFirstOnwards) {
    serve("level in * silence\nlevel out * silence\n"
          "level in 1-3 capture orvtest\nlevel out 2 capture orvtest 3\n");
    orv_test::MeterReader meters;
    at(0.05);
    const auto pair1 = meters.read(Direction::In, 1);
    EXPECT_EQ(pair1[0], levelOfDb(-6)) << "the -6 dB sine";
    EXPECT_EQ(pair1[1], 0) << "the silent channel";
    EXPECT_EQ(meters.read(Direction::In, 3), (std::array<std::int32_t, 2>{32767, 0}))
        << "full scale; channel 4 reads no device";
    EXPECT_EQ(meters.read(Direction::Out, 1), (std::array<std::int32_t, 2>{0, 32767}))
        << "the device's third channel on output 2";
    EXPECT_EQ(meters.level(Direction::In, 1), 0) << "the read took the peak";
    at(0.06);
    EXPECT_EQ(meters.level(Direction::In, 1), levelOfDb(-6));
}

TEST_F(CaptureSourceTest, ADeviceThatCannotBeOpenedReadsSilentIsReportedOnceAndTriedAgain) {
    testing::internal::CaptureStderr();
    serve("level in * silence\nlevel in 1-2 capture hw:57\nlevel in 3-5 capture orvlater\n"
          "level in 7 constant 5\n");
    orv_test::MeterReader meters;
    at(1.0);
    EXPECT_EQ(meters.read(Direction::In, 1), (std::array<std::int32_t, 2>{0, 0}));
    EXPECT_EQ(meters.level(Direction::In, 3), 0);
    EXPECT_EQ(meters.level(Direction::In, 7), 5) << "the other channels go on";
    at(2.0);
    const std::string first = testing::internal::GetCapturedStderr();
    EXPECT_NE(first.find("capture hw:57: cannot open"), std::string::npos) << first;
    EXPECT_NE(first.find("capture orvlater: cannot open"), std::string::npos) << first;
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 2) << "one line each:\n" << first;

    std::filesystem::copy_file(dir_.path() / "capture.raw", dir_.path() / "later.raw");
    testing::internal::CaptureStderr();
    at(3.5); // past the next attempt
    at(3.6);
    const std::string second = testing::internal::GetCapturedStderr();
    EXPECT_EQ(meters.read(Direction::In, 3), (std::array<std::int32_t, 2>{levelOfDb(-6), 0}))
        << "the device appeared";
    EXPECT_EQ(meters.level(Direction::In, 5), 32767);
    EXPECT_EQ(meters.read(Direction::In, 1), (std::array<std::int32_t, 2>{0, 0}));
    EXPECT_NE(second.find("orvlater: reading again"), std::string::npos) << second;
    EXPECT_EQ(second.find("hw:57"), std::string::npos) << "no new line for the same fault";
}

} // namespace

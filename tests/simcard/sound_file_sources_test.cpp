// Sound files as signal sources of the simulated card, read through the wave API's meter
// messages: the peaks of real samples, played in real time on the card's clock and looped.
#include "meter_reads.h"
#include "simcard/audio_sources.h"
#include "support/simcard_env.h"

#include <cmath>
#include <fstream>

namespace {

using orv_test::levelOfDb;
using orv_test::meterTestTime;
using orv_test::writeSound;
using simcard::Direction;

constexpr double kPi = 3.14159265358979323846;
constexpr double kStart = 1000.0;

class SoundFileSourceTest : public orv_test::SimcardTest {
protected:
    void SetUp() override {
        SimcardTest::SetUp();
        meterTestTime = kStart;
        simcard::setDriverClock(orv_test::meterTestClock);
    }
    void TearDown() override {
        simcard::setDriverDescription(described(""));
        simcard::setDriverClock(nullptr);
        SimcardTest::TearDown();
    }
    static simcard::HardwareDescription described(const std::string& text) {
        auto result = simcard::parseDescription(text, "test.desc");
        EXPECT_TRUE(result.description) << result.error;
        return result.description.value_or(simcard::HardwareDescription{});
    }
    // Serves the description and lets its readers open what they read.
    void serve(const std::string& text) {
        simcard::setDriverDescription(described(text));
        ASSERT_TRUE(simcard::settleAudioSources());
    }
    // Moves the clock to kStart + t and lets the readers read up to it.
    void at(double t) {
        meterTestTime = kStart + t;
        ASSERT_TRUE(simcard::settleAudioSources());
    }
    std::filesystem::path file(const std::string& name) const { return dir_.path() / name; }
};

// Channel 1 a -6 dB sine of 1 kHz, channel 2 silence, channel 3 a full-scale square wave.
double knownPeaks(long frame, int channel) {
    switch (channel) {
    case 0:
        return std::pow(10.0, -6.0 / 20) * std::sin(2 * kPi * 1000.0 * frame / 48000.0);
    case 1:
        return 0.0;
    default:
        return (frame / 24) % 2 == 0 ? 1.0 : -1.0;
    }
}

struct Format {
    const char* name;
    int format;
    const char* extension;
    int tolerance; // the format stores fewer or other steps than the meter's
};

class SoundFileFormats : public SoundFileSourceTest,
                         public ::testing::WithParamInterface<Format> {};

TEST_P(SoundFileFormats, AReadGivesEachChannelsPeakSinceTheLastReadAndStartsAgainFromZero) {
    const Format format = GetParam();
    const auto path = file(std::string("known.") + format.extension);
    writeSound(path, format.format, 3, 48000, 48000, knownPeaks);
    serve("level in * silence\nlevel in 1-3 file " + path.string() + "\n");
    orv_test::MeterReader meters;
    at(0.05);
    const auto pair1 = meters.read(Direction::In, 1);
    const auto pair2 = meters.read(Direction::In, 3);
    EXPECT_NEAR(pair1[0], levelOfDb(-6), format.tolerance) << "the -6 dB sine";
    EXPECT_EQ(pair1[1], 0) << "the silent channel";
    EXPECT_NEAR(pair2[0], 32767, format.tolerance) << "full scale";
    EXPECT_EQ(pair2[1], 0) << "channel 4 is no channel of the file";

    const auto again = meters.read(Direction::In, 1);
    EXPECT_EQ(again[0], 0) << "the read took the peak; nothing was played since";
    EXPECT_EQ(meters.level(Direction::In, 3), 0);

    at(0.06); // 10 ms: ten crests of the sine
    EXPECT_NEAR(meters.level(Direction::In, 1), levelOfDb(-6), format.tolerance);
    EXPECT_NEAR(meters.level(Direction::In, 3), 32767, format.tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SoundFileFormats,
    ::testing::Values(Format{"Wav16", SF_FORMAT_WAV | SF_FORMAT_PCM_16, "wav", 0},
                      Format{"Flac16", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "flac", 0},
                      Format{"Wav24", SF_FORMAT_WAV | SF_FORMAT_PCM_24, "wav", 1},
                      Format{"Flac24", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "flac", 1},
                      Format{"WavFloat", SF_FORMAT_WAV | SF_FORMAT_FLOAT, "wav", 1},
                      Format{"OggVorbis", SF_FORMAT_OGG | SF_FORMAT_VORBIS, "ogg", 1200}),
    [](const auto& instance) { return std::string(instance.param.name); });

TEST_F(SoundFileSourceTest, TheFileIsPlayedInRealTimeAndFromItsStartAgainWhenItEnds) {
    // 100 ms: a full-scale burst in the first 10 ms, then -20 dB.
    const auto path = file("burst.wav");
    writeSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 48000, 4800,
               [](long frame, int) { return frame < 480 ? 1.0 : 0.1; });
    serve("level out 1 file " + path.string() + "\n");
    orv_test::MeterReader meters;
    at(0.05);
    EXPECT_EQ(meters.level(Direction::Out, 1), 32767) << "the burst";
    at(0.09);
    EXPECT_EQ(meters.level(Direction::Out, 1), 3277) << "only what was played since: -20 dB";
    at(0.115);
    EXPECT_EQ(meters.level(Direction::Out, 1), 32767) << "the file began again with its burst";
    at(0.15);
    EXPECT_EQ(meters.level(Direction::Out, 1), 3277);
}

TEST_F(SoundFileSourceTest, TheFirstReadCoversTheTimeSinceMeteringStarted) {
    const auto path = file("burst.wav");
    writeSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 48000, 4800,
               [](long frame, int) { return frame < 480 ? 1.0 : 0.1; });
    serve("level in 1 file " + path.string() + "\n");
    at(0.05); // the burst plays before any meter looks
    orv_test::MeterReader meters;
    at(0.06);
    EXPECT_EQ(meters.level(Direction::In, 1), 3277);
}

TEST_F(SoundFileSourceTest, ChannelsFromFirstOnwardsFeedTheListedChannelsAndAMonoFileFeedsAll) {
    // Four channels of steady levels 1000, 2000, 3000, 4000.
    const auto four = file("four.wav");
    writeSound(four, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 4, 48000, 4800,
               [](long, int channel) { return (channel + 1) * 1000 / 32767.0; });
    const auto mono = file("mono.flac");
    writeSound(mono, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 44100, 4410,
               [](long, int) { return 5000 / 32767.0; });
    testing::internal::CaptureStderr();
    serve("level in * silence\nlevel out * silence\n"
          "level in 1-4 file " +
          four.string() + "\nlevel in 3 constant 7\nlevel in 9-10 file " + four.string() +
          " 3\nlevel out 5-8 file " + four.string() + " 2\nlevel out 11-13 file " + mono.string() +
          "\n");
    orv_test::MeterReader meters;
    at(0.02);
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_EQ(meters.read(Direction::In, 1), (std::array<std::int32_t, 2>{1000, 2000}));
    EXPECT_EQ(meters.read(Direction::In, 3), (std::array<std::int32_t, 2>{7, 4000}))
        << "a later line takes channel 3 from the file";
    EXPECT_EQ(meters.read(Direction::In, 9), (std::array<std::int32_t, 2>{3000, 4000}));
    EXPECT_EQ(meters.read(Direction::Out, 5), (std::array<std::int32_t, 2>{2000, 3000}));
    EXPECT_EQ(meters.read(Direction::Out, 7), (std::array<std::int32_t, 2>{4000, 0}))
        << "the file has no fifth channel";
    EXPECT_EQ(meters.read(Direction::Out, 11), (std::array<std::int32_t, 2>{5000, 5000}));
    EXPECT_EQ(meters.read(Direction::Out, 13), (std::array<std::int32_t, 2>{5000, 0}));
    EXPECT_NE(messages.find("channel 5 is not there"), std::string::npos) << messages;
}

TEST_F(SoundFileSourceTest, FloatingPointSamplesKeepTheirScaleAndClipAtFullScale) {
    const auto path = file("float.wav");
    writeSound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, 4800,
               [](long, int channel) { return channel == 0 ? 0.25 : 1.5; });
    serve("level in 1-2 file " + path.string() + "\n");
    orv_test::MeterReader meters;
    at(0.02);
    EXPECT_EQ(meters.read(Direction::In, 1), (std::array<std::int32_t, 2>{8192, 32767}));
}

TEST_F(SoundFileSourceTest, AMissingOrUnreadableFileReadsSilentIsReportedOnceAndTriedAgain) {
    const auto missing = file("later.wav");
    const auto text = file("notes.txt");
    std::ofstream(text) << "not a sound file\n";
    testing::internal::CaptureStderr();
    serve("level in * silence\nlevel in 1 file " + missing.string() + "\nlevel in 2 file " +
          text.string() + "\nlevel in 3 constant 99\n");
    orv_test::MeterReader meters;
    at(1.0);
    EXPECT_EQ(meters.read(Direction::In, 1), (std::array<std::int32_t, 2>{0, 0}));
    EXPECT_EQ(meters.level(Direction::In, 3), 99) << "the other channels go on";
    at(2.0);
    const std::string first = testing::internal::GetCapturedStderr();
    EXPECT_NE(first.find(missing.string()), std::string::npos) << first;
    EXPECT_NE(first.find(text.string()), std::string::npos) << first;
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 2) << "one line each:\n" << first;

    writeSound(missing, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 48000, 4800,
               [](long, int) { return 0.25; });
    testing::internal::CaptureStderr();
    at(3.5); // past the next attempt
    at(3.6);
    const std::string second = testing::internal::GetCapturedStderr();
    EXPECT_EQ(meters.level(Direction::In, 1), 8192) << "the file is read now";
    EXPECT_EQ(meters.level(Direction::In, 2), 0);
    EXPECT_NE(second.find("reading again"), std::string::npos) << second;
}

TEST_F(SoundFileSourceTest, ARelativePathIsFoundBesideTheDescriptionFile) {
    writeSound(file("beside.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 48000, 480,
               [](long, int) { return 0.5; });
    describe("level in 2 file beside.wav\nlevel out 1 file \"" + file("beside.wav").string() +
             "\"\n");
    const auto loaded = simcard::loadDescription();
    ASSERT_TRUE(loaded.description) << loaded.error;
    EXPECT_EQ(loaded.description->inputs[1].target, file("beside.wav").string());
    EXPECT_EQ(loaded.description->outputs[0].target, file("beside.wav").string());
}

} // namespace

// The reader of an audio source, driven pass by pass on a scripted stream: how much it reads
// against the clock, and what it does when the stream is lost.
#include "simcard/source_reader.h"

#include <gtest/gtest.h>

namespace {

using simcard::PeakBank;
using simcard::SourceReader;

// A stream of 2 channels at 1000 frames a second whose samples are frame numbers (channel 1)
// and a steady 100 (channel 2); it can be told to fail.
class ScriptedStream : public simcard::SampleStream {
public:
    bool playedByClockValue = true;
    bool openFails = false;
    bool lost = false;
    long framesRead = 0;
    long opens = 0;

    std::string open() override {
        ++opens;
        return openFails ? "no such device" : "";
    }
    void close() override {}
    int channels() const override { return 2; }
    double rate() const override { return 1000; }
    bool playedByClock() const override { return playedByClockValue; }
    long read(std::int16_t* samples, long maxFrames) override {
        if (lost) {
            return -1;
        }
        for (long f = 0; f < maxFrames; ++f) {
            samples[2 * f] = static_cast<std::int16_t>((framesRead + f) % 30000);
            samples[2 * f + 1] = 100;
        }
        framesRead += maxFrames;
        return maxFrames;
    }
    std::string lostReason() const override { return "the device went away"; }
};

class SourceReaderTest : public ::testing::Test {
protected:
    SourceReader& make(bool playedByClock) {
        auto owned = std::make_unique<ScriptedStream>();
        owned->playedByClockValue = playedByClock;
        stream_ = owned.get();
        reader_.emplace(
            std::move(owned), "test source",
            std::vector<SourceReader::Feed>{{PeakBank::slot(simcard::Direction::In, 0), 0},
                                            {PeakBank::slot(simcard::Direction::In, 1), 1}},
            bank_);
        return *reader_;
    }
    std::int32_t take(int channel) {
        return bank_.take(PeakBank::slot(simcard::Direction::In, channel));
    }

    PeakBank bank_;
    ScriptedStream* stream_ = nullptr;
    std::optional<SourceReader> reader_;
};

TEST(RaisePeaks, TakesTheLargestMagnitudeAndCountsTheLowestValueAsFullScale) {
    const std::int16_t samples[] = {5, -7, -3, 2, -32768, 0};
    std::int32_t peaks[2] = {4, 0};
    simcard::raisePeaks(samples, 3, 2, peaks);
    EXPECT_EQ(peaks[0], 32767);
    EXPECT_EQ(peaks[1], 7);
}

TEST(RaisePeaks, WideFramesGiveEachChannelItsOwnPeak) {
    // 17 channels: a group of sixteen and one more; channel c peaks at c * 1000 in frame c % 3,
    // negative in odd channels, channel 5 and the last at -32768.
    constexpr int kChannels = 17;
    std::int16_t samples[3 * kChannels] = {};
    for (int c = 0; c < kChannels; ++c) {
        const int value = c == 5 || c == 16 ? -32768 : (c % 2 ? -c * 1000 : c * 1000);
        samples[(c % 3) * kChannels + c] = static_cast<std::int16_t>(value);
    }
    std::int32_t peaks[kChannels] = {};
    peaks[2] = 2500;
    simcard::raisePeaks(samples, 3, kChannels, peaks);
    for (int c = 0; c < kChannels; ++c) {
        const int expected = c == 5 || c == 16 ? 32767 : c == 2 ? 2500 : c * 1000;
        EXPECT_EQ(peaks[c], expected) << "channel " << c;
    }
}

TEST_F(SourceReaderTest, AFileIsReadAsFarAsTheClockAndSkipsAheadWhenFarBehind) {
    SourceReader& reader = make(true);
    reader.pass(10.0);
    EXPECT_EQ(stream_->framesRead, 0) << "nothing played at the start";
    reader.pass(10.5);
    EXPECT_EQ(stream_->framesRead, 500);
    EXPECT_EQ(take(0), 499);
    EXPECT_EQ(take(1), 100);
    reader.pass(10.5);
    EXPECT_EQ(stream_->framesRead, 500);
    EXPECT_EQ(take(0), 0) << "nothing new";
    reader.pass(70.5); // a minute late: the machine slept
    EXPECT_EQ(stream_->framesRead, 550) << "skips ahead instead of reading a minute at once";
}

TEST_F(SourceReaderTest, ADeviceThatRunsFreeIsHeldToTheClock) {
    SourceReader& reader = make(false);
    reader.pass(10.0);
    EXPECT_EQ(stream_->framesRead, 250) << "a device may be a quarter second ahead";
    reader.pass(11.0);
    EXPECT_EQ(stream_->framesRead, 1250);
}

TEST_F(SourceReaderTest, ALostStreamReadsSilentIsReportedOnceAndOpenedAgainLater) {
    SourceReader& reader = make(false);
    reader.pass(0.0);
    ASSERT_TRUE(reader.isOpen());
    take(0);
    take(1);
    stream_->lost = true;
    stream_->openFails = true;
    testing::internal::CaptureStderr();
    reader.pass(0.1);
    EXPECT_FALSE(reader.isOpen());
    reader.pass(1.0);
    reader.pass(3.2); // the next attempt fails too
    const std::string lost = testing::internal::GetCapturedStderr();
    EXPECT_EQ(lost, "orvane: simulated card: test source: the device went away; its channels read "
                    "silent, trying again every 3 s\n");
    EXPECT_EQ(stream_->opens, 2) << "the start, and one attempt after 3 s";
    EXPECT_EQ(take(0), 0);
    EXPECT_EQ(take(1), 0);

    stream_->lost = false;
    stream_->openFails = false;
    testing::internal::CaptureStderr();
    reader.pass(6.3);
    EXPECT_TRUE(reader.isOpen());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "orvane: simulated card: test source: reading again\n");
    EXPECT_EQ(take(1), 100);
}

} // namespace

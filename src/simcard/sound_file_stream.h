// A sound file as a sample stream: anything libsndfile reads (WAV, FLAC, Ogg, AIFF, ...),
// played from its start again when it ends.
#pragma once

#include "simcard/sample_stream.h"

#include <sndfile.h>
#include <vector>

namespace simcard {

class SoundFileStream : public SampleStream {
public:
    explicit SoundFileStream(std::string path);
    ~SoundFileStream() override;
    SoundFileStream(const SoundFileStream&) = delete;
    SoundFileStream& operator=(const SoundFileStream&) = delete;

    std::string open() override;
    void close() override;
    int channels() const override { return info_.channels; }
    double rate() const override { return info_.samplerate; }
    bool playedByClock() const override { return true; }
    long read(std::int16_t* samples, long maxFrames) override;
    std::string lostReason() const override { return lost_; }

private:
    long readFloating(std::int16_t* samples, long maxFrames);

    std::string path_;
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
    std::string lost_;
    bool floating_ = false;
    std::vector<float> floats_;
};

} // namespace simcard

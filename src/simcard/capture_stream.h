// A live ALSA capture device as a sample stream ("hw:2", "default", a device of the ALSA
// configuration). It is opened without blocking, in the first sample format of a list that the
// meter converts (16, 24 and 32-bit integers, 32 and 64-bit floating point, 8-bit), at the
// device's own rate and channel count; a device that offers a range of channel counts is opened
// with as many as the metered channels need, and one that offers a range of rates at 48 kHz or
// the rate nearest to it.
#pragma once

#include "simcard/sample_stream.h"

#include <vector>

struct _snd_pcm;

namespace simcard {

class CaptureStream : public SampleStream {
public:
    // wantedChannels: the channels that the metered channels need, used where the device
    // offers a range.
    CaptureStream(std::string device, int wantedChannels);
    ~CaptureStream() override;
    CaptureStream(const CaptureStream&) = delete;
    CaptureStream& operator=(const CaptureStream&) = delete;

    std::string open() override;
    void close() override;
    int channels() const override { return channels_; }
    double rate() const override { return rate_; }
    bool playedByClock() const override { return false; }
    long read(std::int16_t* samples, long maxFrames) override;
    std::string lostReason() const override { return lost_; }

private:
    std::string configure();

    std::string device_;
    int wantedChannels_;
    _snd_pcm* pcm_ = nullptr;
    int format_ = 0; // snd_pcm_format_t
    int bytesPerSample_ = 0;
    int channels_ = 0;
    double rate_ = 0;
    std::vector<unsigned char> raw_;
    std::string lost_;
};

} // namespace simcard

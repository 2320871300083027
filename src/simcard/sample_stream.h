// A source of interleaved audio samples that an audio source meters: a sound file or a capture
// device. Samples come as 16-bit values, the meter's linear scale (32767 = full scale), whatever
// the format they are stored or captured in.
#pragma once

#include <cstdint>
#include <string>

namespace simcard {

class SampleStream {
public:
    virtual ~SampleStream() = default;

    // Opens the stream: an empty text on success, otherwise why it could not be opened.
    virtual std::string open() = 0;
    virtual void close() = 0;
    // Channels per frame and frames per second of the open stream.
    virtual int channels() const = 0;
    virtual double rate() const = 0;
    // True for a stream that yields its samples as fast as they are read (a file): the reader
    // then plays it in real time. False for one that delivers them in real time (a device).
    virtual bool playedByClock() const = 0;

    // Reads up to maxFrames frames into samples (maxFrames * channels() values). Returns the
    // frames read, 0 when none are available now, -1 when the stream is lost (lostReason()).
    virtual long read(std::int16_t* samples, long maxFrames) = 0;
    virtual std::string lostReason() const = 0;
};

} // namespace simcard

#include "simcard/capture_stream.h"

#include <algorithm>
// alsa-lib 1.2.8 declares snd_lib_error_set_local outside its C linkage block.
extern "C" {
#include <alsa/asoundlib.h>
}
#include <cmath>
#include <cstring>

namespace simcard {
namespace {

// The formats the meter converts, in the order they are tried.
constexpr snd_pcm_format_t kFormats[] = {
    SND_PCM_FORMAT_S16,   SND_PCM_FORMAT_S32,     SND_PCM_FORMAT_S24_3LE, SND_PCM_FORMAT_S24,
    SND_PCM_FORMAT_FLOAT, SND_PCM_FORMAT_FLOAT64, SND_PCM_FORMAT_U8,
};

// ALSA's own messages would go to stderr beside ours; the reason comes back in the result.
void quietAlsa(const char*, int, const char*, int, const char*, va_list) {}

std::int16_t fromFloat(double x) {
    if (!(x == x)) {
        return 0;
    }
    return static_cast<std::int16_t>(std::lround(std::clamp(x, -1.0, 1.0) * 32767.0));
}

// One sample of the format at p, on the meter's 16-bit scale.
std::int16_t toMeterScale(snd_pcm_format_t format, const unsigned char* p) {
    switch (format) {
    case SND_PCM_FORMAT_S16: {
        std::int16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    case SND_PCM_FORMAT_S32: {
        std::int32_t v;
        std::memcpy(&v, p, 4);
        return static_cast<std::int16_t>(v >> 16);
    }
    case SND_PCM_FORMAT_S24: { // 24 bits in the low three bytes of 32
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return static_cast<std::int16_t>(static_cast<std::int32_t>(v << 8) >> 16);
    }
    case SND_PCM_FORMAT_S24_3LE: {
        const std::uint32_t v =
            std::uint32_t{p[0]} << 8 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 24;
        return static_cast<std::int16_t>(static_cast<std::int32_t>(v) >> 16);
    }
    case SND_PCM_FORMAT_FLOAT: {
        float v;
        std::memcpy(&v, p, 4);
        return fromFloat(v);
    }
    case SND_PCM_FORMAT_FLOAT64: {
        double v;
        std::memcpy(&v, p, 8);
        return fromFloat(v);
    }
    case SND_PCM_FORMAT_U8:
        return static_cast<std::int16_t>((p[0] - 128) * 256);
    default:
        return 0;
    }
}

} // namespace

CaptureStream::CaptureStream(std::string device, int wantedChannels)
    : device_(std::move(device)), wantedChannels_(std::max(1, wantedChannels)) {}

CaptureStream::~CaptureStream() {
    close();
}

std::string CaptureStream::open() {
    close();
    snd_lib_error_set_local(quietAlsa);
    snd_pcm_t* pcm = nullptr;
    const int err = snd_pcm_open(&pcm, device_.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    if (err < 0) {
        snd_lib_error_set_local(nullptr);
        return std::string("cannot open the capture device: ") + snd_strerror(err);
    }
    pcm_ = pcm;
    std::string problem = configure();
    snd_lib_error_set_local(nullptr);
    if (!problem.empty()) {
        close();
        return problem;
    }
    lost_.clear();
    return {};
}

std::string CaptureStream::configure() {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    int err = snd_pcm_hw_params_any(pcm_, hw);
    if (err < 0) {
        return std::string("the device tells no parameters: ") + snd_strerror(err);
    }
    if (snd_pcm_hw_params_set_access(pcm_, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0) {
        return "the device does not deliver interleaved samples";
    }
    bool found = false;
    for (const snd_pcm_format_t format : kFormats) {
        if (snd_pcm_hw_params_test_format(pcm_, hw, format) == 0) {
            snd_pcm_hw_params_set_format(pcm_, hw, format);
            format_ = format;
            found = true;
            break;
        }
    }
    if (!found) {
        return "the device delivers no sample format the meters read";
    }
    unsigned minChannels = 0;
    unsigned maxChannels = 0;
    snd_pcm_hw_params_get_channels_min(hw, &minChannels);
    snd_pcm_hw_params_get_channels_max(hw, &maxChannels);
    const unsigned channels =
        std::clamp(static_cast<unsigned>(wantedChannels_), minChannels, maxChannels);
    if ((err = snd_pcm_hw_params_set_channels(pcm_, hw, channels)) < 0) {
        return std::string("cannot set the channel count: ") + snd_strerror(err);
    }
    unsigned rate = 48000;
    if ((err = snd_pcm_hw_params_set_rate_near(pcm_, hw, &rate, nullptr)) < 0) {
        return std::string("cannot set the rate: ") + snd_strerror(err);
    }
    unsigned bufferTime = 250000; // microseconds: the reader comes every 20 ms or so
    snd_pcm_hw_params_set_buffer_time_near(pcm_, hw, &bufferTime, nullptr);
    unsigned periodTime = 10000;
    snd_pcm_hw_params_set_period_time_near(pcm_, hw, &periodTime, nullptr);
    if ((err = snd_pcm_hw_params(pcm_, hw)) < 0) {
        return std::string("the device refuses its parameters: ") + snd_strerror(err);
    }
    channels_ = static_cast<int>(channels);
    rate_ = rate;
    bytesPerSample_ = snd_pcm_format_physical_width(static_cast<snd_pcm_format_t>(format_)) / 8;
    if ((err = snd_pcm_start(pcm_)) < 0) {
        return std::string("the device does not start: ") + snd_strerror(err);
    }
    return {};
}

void CaptureStream::close() {
    if (pcm_) {
        snd_pcm_close(pcm_);
        pcm_ = nullptr;
    }
}

long CaptureStream::read(std::int16_t* samples, long maxFrames) {
    if (!pcm_) {
        lost_ = "not open";
        return -1;
    }
    const std::size_t bytes =
        static_cast<std::size_t>(maxFrames) * static_cast<std::size_t>(channels_ * bytesPerSample_);
    if (raw_.size() < bytes) {
        raw_.resize(bytes);
    }
    const snd_pcm_sframes_t got = snd_pcm_readi(pcm_, raw_.data(), maxFrames);
    if (got < 0) {
        int err = static_cast<int>(got);
        if (err == -EAGAIN) {
            return 0;
        }
        if (err == -ESTRPIPE) {
            err = snd_pcm_resume(pcm_);
            if (err == -EAGAIN) {
                return 0; // still waking up
            }
            err = -EPIPE;
        }
        if (err == -EPIPE && snd_pcm_prepare(pcm_) == 0 && snd_pcm_start(pcm_) == 0) {
            return 0; // an overrun: the samples in between are lost, metering goes on
        }
        lost_ = std::string("the capture device failed: ") + snd_strerror(err);
        return -1;
    }
    const auto format = static_cast<snd_pcm_format_t>(format_);
    const long values = static_cast<long>(got) * channels_;
    if (format == SND_PCM_FORMAT_S16) {
        std::memcpy(samples, raw_.data(), static_cast<std::size_t>(values) * 2);
    } else {
        for (long i = 0; i < values; ++i) {
            samples[i] = toMeterScale(format, raw_.data() + i * bytesPerSample_);
        }
    }
    return static_cast<long>(got);
}

} // namespace simcard

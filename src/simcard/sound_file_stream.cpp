#include "simcard/sound_file_stream.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace simcard {

SoundFileStream::SoundFileStream(std::string path) : path_(std::move(path)) {}

SoundFileStream::~SoundFileStream() {
    close();
}

std::string SoundFileStream::open() {
    close();
    info_ = {};
    {
        // A failed open leaves its message in libsndfile's one global error text: readers that
        // open at the same time take turns.
        static std::mutex openMutex;
        std::lock_guard lock(openMutex);
        file_ = sf_open(path_.c_str(), SFM_READ, &info_);
        if (!file_) {
            return sf_strerror(nullptr);
        }
    }
    std::string problem;
    if (info_.channels < 1 || info_.samplerate < 1) {
        problem = "not a sound file the meters can read";
    } else if (info_.frames < 1) {
        problem = "the file holds no samples";
    } else if (!info_.seekable) {
        problem = "the file cannot be played again from its start";
    }
    if (!problem.empty()) {
        close();
        return problem;
    }
    // Floating-point samples are read as such and put on the meter's scale here (libsndfile's
    // own conversion to integers would either truncate them or scale them to the file's peak).
    const int subtype = info_.format & SF_FORMAT_SUBMASK;
    floating_ = subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
    lost_.clear();
    return {};
}

void SoundFileStream::close() {
    if (file_) {
        sf_close(file_);
        file_ = nullptr;
    }
}

long SoundFileStream::read(std::int16_t* samples, long maxFrames) {
    if (!file_) {
        lost_ = "not open";
        return -1;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        const sf_count_t got = floating_ ? readFloating(samples, maxFrames)
                                         : sf_readf_short(file_, samples, maxFrames);
        if (got > 0) {
            return static_cast<long>(got);
        }
        if (sf_error(file_) != SF_ERR_NO_ERROR) {
            lost_ = sf_strerror(file_);
            return -1;
        }
        // The end: the file plays again from its start.
        if (sf_seek(file_, 0, SEEK_SET) < 0) {
            lost_ = "cannot return to the start of the file";
            return -1;
        }
    }
    lost_ = "the file no longer yields samples";
    return -1;
}

long SoundFileStream::readFloating(std::int16_t* samples, long maxFrames) {
    const auto values = static_cast<std::size_t>(maxFrames) * static_cast<std::size_t>(channels());
    if (floats_.size() < values) {
        floats_.resize(values);
    }
    const sf_count_t got = sf_readf_float(file_, floats_.data(), maxFrames);
    for (std::size_t i = 0;
         i < static_cast<std::size_t>(got) * static_cast<std::size_t>(channels()); ++i) {
        const float x = floats_[i];
        // Beyond full scale reads as full scale; NaN as silence.
        samples[i] = static_cast<std::int16_t>(
            x == x ? std::lround(std::clamp(x, -1.0f, 1.0f) * 32767.0f) : 0);
    }
    return static_cast<long>(got);
}

} // namespace simcard

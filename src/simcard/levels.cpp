#include "simcard/levels.h"

#include <algorithm>
#include <cmath>

namespace simcard {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A uniform number in [0, 1) for one event of one channel.
double random01(std::uint32_t seed, Direction direction, int channel, std::int64_t event) {
    const std::uint64_t key = mix(std::uint64_t{seed} << 32 ^
                                  static_cast<std::uint64_t>(direction == Direction::In ? 0 : 64) ^
                                  static_cast<std::uint64_t>(channel));
    return static_cast<double>(mix(key ^ static_cast<std::uint64_t>(event)) >> 11) * 0x1.0p-53;
}

double fromDb(double db) {
    return std::pow(10.0, db / 20.0);
}

std::int32_t toLevel(double amplitude) {
    return static_cast<std::int32_t>(std::lround(std::clamp(amplitude, 0.0, 1.0) * kFullScale));
}

// Peak of |level * sin(2 pi hz t)| over [t0, t1].
std::int32_t sinePeak(const SignalSource& source, double t0, double t1) {
    const double phase0 = 2 * kPi * source.hz * t0;
    const double phase1 = 2 * kPi * source.hz * t1;
    if (phase1 - phase0 >= kPi) {
        return source.level;
    }
    double peak = std::max(std::fabs(std::sin(phase0)), std::fabs(std::sin(phase1)));
    // A crest lies at pi/2 + k pi.
    const double k = std::ceil((phase0 - kPi / 2) / kPi);
    if (kPi / 2 + k * kPi <= phase1) {
        peak = 1.0;
    }
    return static_cast<std::int32_t>(std::lround(source.level * peak));
}

std::int32_t noisePeak(const SignalSource& source, std::uint32_t seed, Direction direction,
                       int channel, double t0, double t1) {
    constexpr double kBucket = 0.010;
    const auto last = static_cast<std::int64_t>(std::floor(t1 / kBucket));
    const auto first = std::max(static_cast<std::int64_t>(std::floor(t0 / kBucket)), last - 255);
    double peak = 0;
    for (std::int64_t b = first; b <= last; ++b) {
        peak = std::max(peak, 0.5 + 0.5 * random01(seed, direction, channel, b));
    }
    return static_cast<std::int32_t>(std::lround(source.level * peak));
}

} // namespace

SyntheticPart syntheticPart(std::uint32_t seed, Direction direction, int channel) {
    const unsigned shift = direction == Direction::Out ? 3 : 0;
    return static_cast<SyntheticPart>((static_cast<unsigned>(channel) + shift + seed % 8) % 8);
}

namespace {

// The beat of a part in seconds at tempo 1: a drum hit, a bass note, the vocal's phrase, a guitar
// chord, a clipping burst, a hi-hat stroke; 0 for the parts without one.
double beatOf(SyntheticPart part) {
    switch (part) {
    case SyntheticPart::Drums:
        return 0.5;
    case SyntheticPart::Bass:
        return 0.25;
    case SyntheticPart::Vocal:
        return 6.0;
    case SyntheticPart::Guitar:
        return 1.0;
    case SyntheticPart::Clipping:
        return 1.2;
    case SyntheticPart::HiHat:
        return 0.125;
    case SyntheticPart::Pad:
    case SyntheticPart::Silent:
        break;
    }
    return 0.0;
}

// What a channel's synthetic signal keeps for the whole run: worked out once per read, not once
// per sample.
struct SyntheticChannel {
    std::uint32_t seed;
    Direction direction;
    int channel;
    SyntheticPart part;
    double tempo;
    double offset; // seconds
    double beat;   // beatOf(part)
};

SyntheticChannel syntheticChannel(std::uint32_t seed, Direction direction, int channel) {
    const SyntheticPart part = syntheticPart(seed, direction, channel);
    return {seed,
            direction,
            channel,
            part,
            0.9 + 0.2 * random01(seed, direction, channel, -1),
            10.0 * random01(seed, direction, channel, -2),
            beatOf(part)};
}

// The beat of the given period (in seconds at tempo 1) that t (on the channel's own clock) lies
// in, and how far into it t lies.
double beatAt(double t, double period, double tempo, std::int64_t& index) {
    const double p = period * tempo;
    index = static_cast<std::int64_t>(std::floor(t / p));
    return t - static_cast<double>(index) * p;
}

// The vocal's syllable at x seconds into its phrase.
std::int64_t syllableAt(double x, double tempo, double& into) {
    const double p = 0.18 * tempo;
    const auto syllable = static_cast<std::int64_t>(std::floor(x / p));
    into = x - static_cast<double>(syllable) * p;
    return syllable;
}

// The pad's level in dB at t (on the channel's own clock): a slow swell.
double padDb(double t, double tempo) {
    return -22 + 8 * std::sin(2 * kPi * t / (7.0 * tempo));
}

// The vocal's syllable number in the whole song: the syllable of phrase k at x seconds into it.
std::int64_t vocalSyllable(std::int64_t k, double x, double tempo, double& into) {
    return k * 64 + syllableAt(x, tempo, into); // at most 34 syllables a phrase
}

double amplitude(const SyntheticChannel& c, double t) {
    const double tempo = c.tempo;
    t += c.offset;
    std::int64_t k = 0;
    const double x = c.beat > 0 ? beatAt(t, c.beat, tempo, k) : 0.0;
    switch (c.part) {
    case SyntheticPart::Drums: {
        const double u = random01(c.seed, c.direction, c.channel, k);
        const double accent = u > 0.85 ? 1.0 : 0.7 + 0.25 * u;
        return accent * std::exp(-x / 0.09);
    }
    case SyntheticPart::Bass:
        return 0.05 + 0.3 * (0.8 + 0.2 * random01(c.seed, c.direction, c.channel, k)) *
                          std::exp(-x / 0.25);
    case SyntheticPart::Pad:
        return fromDb(padDb(t, tempo));
    case SyntheticPart::Vocal: {
        if (x > 4.0) {
            return 0.0; // the singer breathes
        }
        double xs = 0;
        const std::int64_t syllable = vocalSyllable(k, x, tempo, xs);
        const double db = -16 + 12 * random01(c.seed, c.direction, c.channel, syllable);
        return fromDb(db) * (0.6 + 0.4 * std::exp(-xs / 0.12));
    }
    case SyntheticPart::Silent:
        return 0.0;
    case SyntheticPart::Guitar:
        return (random01(c.seed, c.direction, c.channel, k) > 0.75 ? 0.9 : 0.5) *
               std::exp(-x / 0.4);
    case SyntheticPart::Clipping:
        return x < 0.3 ? 1.0 : fromDb(-9) * (0.85 + 0.15 * std::sin(2 * kPi * 3 * t));
    case SyntheticPart::HiHat:
        return 0.1 * (0.7 + 0.3 * random01(c.seed, c.direction, c.channel, k)) *
               std::exp(-x / 0.03);
    }
    return 0.0;
}

// Parts made of strokes that only fall once struck (a hit and its decay, a plucked note, one
// syllable): the stroke that the sample at t belongs to, numbered in the order of time, worked out
// as amplitude() works it out. Within one stroke no later sample is louder than the first (the
// breath at the end of a phrase falls to 0 within its last syllable). None (false) for the parts
// that swell or tremble (the pad, the clipping guitar) and the silent one.
bool strokeAt(const SyntheticChannel& c, double t, std::int64_t& stroke) {
    if (c.part == SyntheticPart::Pad || c.part == SyntheticPart::Clipping ||
        c.part == SyntheticPart::Silent) {
        return false;
    }
    const double x = beatAt(t + c.offset, c.beat, c.tempo, stroke);
    if (c.part == SyntheticPart::Vocal) {
        double into = 0;
        stroke = vocalSyllable(stroke, x, c.tempo, into);
    }
    return true;
}

} // namespace

double syntheticAmplitude(std::uint32_t seed, Direction direction, int channel, double t) {
    return amplitude(syntheticChannel(seed, direction, channel), t);
}

std::int32_t channelPeak(const SignalSource& source, std::uint32_t seed, Direction direction,
                         int channel, double t0, double t1) {
    t0 = std::min(t0, t1);
    switch (source.kind) {
    case SourceKind::Silence:
    case SourceKind::File: // measured by a reader, never computed
    case SourceKind::Capture:
        return 0;
    case SourceKind::Constant:
        return source.level;
    case SourceKind::Clip:
        return kFullScale;
    case SourceKind::Sine:
        return sinePeak(source, t0, t1);
    case SourceKind::Noise:
        return noisePeak(source, seed, direction, channel, t0, t1);
    case SourceKind::Synthetic:
        break;
    }
    const SyntheticChannel c = syntheticChannel(seed, direction, channel);
    if (c.part == SyntheticPart::Silent) {
        return 0;
    }
    // Sampled every 2 ms over at most the last two seconds. Of a stroke's samples only the first
    // is worked out, and none once one reaches full scale.
    constexpr double kStep = 0.002;
    const double start = std::max(t0, t1 - 2.0);
    if (c.part == SyntheticPart::Pad) {
        // The sample highest on the swell is the loudest: one conversion from dB.
        double db = padDb(t1 + c.offset, c.tempo);
        for (double t = start; t < t1; t += kStep) {
            db = std::max(db, padDb(t + c.offset, c.tempo));
        }
        return toLevel(fromDb(db));
    }
    double peak = amplitude(c, t1);
    std::int64_t lastStroke = 0;
    bool struck = false;
    for (double t = start; t < t1 && peak < 1.0; t += kStep) {
        std::int64_t stroke = 0;
        if (strokeAt(c, t, stroke)) {
            if (struck && stroke == lastStroke) {
                continue;
            }
            lastStroke = stroke;
            struck = true;
        }
        peak = std::max(peak, amplitude(c, t));
    }
    return toLevel(peak);
}

} // namespace simcard

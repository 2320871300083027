// Writes a song for the simulated card's meters to play: a multichannel sound file of generated
// music (no music files needed), one instrument a channel, so that each meter moves in its own
// way: drums, bass, guitar chords, a pad that swells, a singer with pauses, hi-hat ticks, a
// string section and a lead that sometimes clips. Channels past eight repeat the band with other
// notes and levels.
//
// Usage: make-song OUT [--channels N] [--seconds S] [--rate HZ]
//   OUT            the file to write; its ending picks the format (.wav, .flac, .ogg)
//   --channels N   1 to 64 (default 8)
//   --seconds S    length (default 16)
//   --rate HZ      sample rate (default 48000)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sndfile.h>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kBeat = 0.5; // 120 beats a minute

double noteHz(int semitonesFromA4) {
    return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0);
}

// A small deterministic noise source.
struct Noise {
    std::uint32_t state;
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }
};

// The chord roots of the song, one a bar of four beats: Am F C G.
constexpr int kRoots[] = {0, -4, 3, -2};

int rootAt(double t) {
    return kRoots[static_cast<int>(t / (4 * kBeat)) % 4];
}

double envelope(double x, double decay) {
    return x < 0 ? 0.0 : std::exp(-x / decay);
}

// One instrument's sample at time t; variant shifts notes and levels for channels past eight.
double instrument(int part, int variant, double t, Noise& noise) {
    const double beatPos = std::fmod(t, kBeat);
    const double gain = 1.0 - 0.15 * variant;
    const int root = rootAt(t) + 12 * (variant % 2);
    switch (part) {
    case 0: { // drums: kick on every beat, snare on 2 and 4
        const int beat = static_cast<int>(t / kBeat) % 4;
        const double kick = std::sin(2 * kPi * (50 + 80 * envelope(beatPos, 0.03)) * beatPos) *
                            envelope(beatPos, 0.12);
        const double snare = (beat % 2 == 1) ? 0.6 * noise.next() * envelope(beatPos, 0.08) : 0;
        return gain * 0.95 * std::clamp(kick + snare, -1.0, 1.0);
    }
    case 1: { // bass: eighth notes on the root
        const double x = std::fmod(t, kBeat / 2);
        const double hz = noteHz(root - 24);
        const double saw = 2 * std::fmod(t * hz, 1.0) - 1;
        return gain * 0.45 * saw * (0.4 + 0.6 * envelope(x, 0.15));
    }
    case 2: { // guitar: a strummed triad every two beats
        const double x = std::fmod(t, 2 * kBeat);
        double v = 0;
        for (const int step : {0, 3, 7}) {
            v += std::sin(2 * kPi * noteHz(root - 12 + step) * t);
        }
        return gain * 0.3 * v * envelope(x, 0.35);
    }
    case 3: { // pad: slow swells over eight seconds
        const double swell = 0.5 - 0.5 * std::cos(2 * kPi * t / 8.0);
        return gain * 0.18 * swell *
               (std::sin(2 * kPi * noteHz(root) * t) + std::sin(2 * kPi * noteHz(root + 7) * t));
    }
    case 4: { // singer: phrases of three seconds, then a breath of one
        const double phrase = std::fmod(t, 4.0);
        if (phrase > 3.0) {
            return 0.0;
        }
        const double syllable = std::fmod(phrase, 0.375);
        const int melody[] = {0, 3, 7, 5, 3, 0, -2, 0};
        const int note = root + 12 + melody[static_cast<int>(phrase / 0.375) % 8];
        const double vibrato = 1 + 0.006 * std::sin(2 * kPi * 5.5 * t);
        const double level = 0.25 + 0.3 * std::sin(kPi * phrase / 3.0);
        return gain * level * std::sin(2 * kPi * noteHz(note) * vibrato * t) *
               (0.5 + 0.5 * envelope(syllable, 0.12));
    }
    case 5: { // hi-hat: sixteenth ticks
        const double x = std::fmod(t, kBeat / 4);
        return gain * 0.12 * noise.next() * envelope(x, 0.015);
    }
    case 6: { // strings: long notes, louder in every second bar
        const bool loud = static_cast<int>(t / (4 * kBeat)) % 2 == 1;
        return gain * (loud ? 0.35 : 0.12) * std::sin(2 * kPi * noteHz(root + 4) * t);
    }
    default: { // lead: a riff that hits full scale (and beyond) on the first beat of a bar
        const double bar = std::fmod(t, 4 * kBeat);
        const double level = bar < 0.25 ? 1.3 : 0.4 * envelope(std::fmod(t, kBeat), 0.2);
        return gain * std::clamp(level * std::sin(2 * kPi * noteHz(root + 19) * t), -1.0, 1.0);
    }
    }
}

int usage() {
    std::fprintf(stderr, "usage: make-song OUT [--channels N] [--seconds S] [--rate HZ]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string out;
    int channels = 8;
    double seconds = 16;
    int rate = 48000;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--channels" || arg == "--seconds" || arg == "--rate") && i + 1 < argc) {
            const double value = std::atof(argv[++i]);
            if (arg == "--channels") {
                channels = static_cast<int>(value);
            } else if (arg == "--seconds") {
                seconds = value;
            } else {
                rate = static_cast<int>(value);
            }
        } else if (out.empty() && !arg.empty() && arg[0] != '-') {
            out = arg;
        } else {
            return usage();
        }
    }
    if (out.empty() || channels < 1 || channels > 64 || !(seconds > 0 && seconds <= 3600) ||
        rate < 8000 || rate > 192000) {
        return usage();
    }
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    const std::string ext = out.substr(out.find_last_of('.') + 1);
    info.format = ext == "flac"  ? SF_FORMAT_FLAC | SF_FORMAT_PCM_16
                  : ext == "ogg" ? SF_FORMAT_OGG | SF_FORMAT_VORBIS
                                 : SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(out.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "make-song: %s: %s\n", out.c_str(), sf_strerror(nullptr));
        return 1;
    }
    std::vector<Noise> noise(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        noise[static_cast<std::size_t>(c)].state = 12345u + 977u * static_cast<unsigned>(c);
    }
    const auto frames = static_cast<long>(seconds * rate);
    std::vector<double> block(static_cast<std::size_t>(channels) * 4800);
    for (long start = 0; start < frames; start += 4800) {
        const long n = std::min<long>(4800, frames - start);
        for (long f = 0; f < n; ++f) {
            const double t = static_cast<double>(start + f) / rate;
            for (int c = 0; c < channels; ++c) {
                block[static_cast<std::size_t>(f * channels + c)] =
                    instrument(c % 8, (c / 8) % 4, t, noise[static_cast<std::size_t>(c)]);
            }
        }
        if (sf_writef_double(file, block.data(), n) != n) {
            std::fprintf(stderr, "make-song: %s: %s\n", out.c_str(), sf_strerror(file));
            sf_close(file);
            return 1;
        }
    }
    sf_close(file);
    std::printf("%s: %d channels, %g s at %d Hz\n", out.c_str(), channels, seconds, rate);
    return 0;
}

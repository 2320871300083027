// What metering a sound file costs: the simulated card's reader of a 32-channel, 48 kHz, 16-bit
// file (real time, looped, the peaks of every channel kept and taken by meter reads every 100 ms,
// as the meter windows poll) against a baseline that reads the same file through libsndfile in
// the same real-time passes and keeps nothing. Both run in this process, interleaved in rounds,
// so both see the same load. Prints each one's CPU as a share of one core, and the ratio.
// A second figure reads 60 s of the file as fast as possible both ways: nanoseconds per frame.
//
//   audio_reader_bench [ROUNDS] [SECONDS]     (default 3 rounds of 2 s each way)
#include "simcard/audio_sources.h"
#include "simcard/sound_file_stream.h"
#include "simcard/source_reader.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sndfile.h>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kChannels = 32;
constexpr int kRate = 48000;
constexpr double kFileSeconds = 4.0;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& tv) { return tv.tv_sec + tv.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool writeFile(const std::string& path) {
    SF_INFO info{};
    info.channels = kChannels;
    info.samplerate = kRate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        return false;
    }
    std::vector<short> frame(kChannels);
    for (long f = 0; f < static_cast<long>(kFileSeconds * kRate); ++f) {
        for (int c = 0; c < kChannels; ++c) {
            const double t = static_cast<double>(f) / kRate;
            const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * t * (0.5 + 0.1 * c));
            frame[static_cast<std::size_t>(c)] = static_cast<short>(
                std::lround(30000 * envelope * std::sin(2 * M_PI * (110.0 + 37.0 * c) * t)));
        }
        sf_writef_short(file, frame.data(), 1);
    }
    sf_close(file);
    return true;
}

// Our reader: the simulated card's sources with every input channel on the file, and the meter
// reads of the meter windows.
double oursCpu(const std::string& path, double seconds) {
    auto parsed = simcard::parseDescription("level in * file " + path + "\n", "bench.desc");
    if (!parsed.description) {
        std::fprintf(stderr, "%s\n", parsed.error.c_str());
        std::exit(1);
    }
    simcard::startAudioSources(*parsed.description);
    simcard::settleAudioSources();
    const double cpu0 = cpuSeconds();
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::int64_t sum = 0;
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        for (int c = 0; c < kChannels; ++c) {
            sum += simcard::takeAudioPeak(simcard::Direction::In, c);
        }
    }
    const double cpu = cpuSeconds() - cpu0;
    simcard::stopAudioSources();
    if (sum == 0) {
        std::fprintf(stderr, "the reader measured nothing\n");
        std::exit(1);
    }
    return cpu;
}

// The baseline: a thread that reads the same file through libsndfile in the same real-time
// passes of 20 ms, looped, and keeps nothing.
double baselineCpu(const std::string& path, double seconds) {
    std::atomic<bool> stop{false};
    std::atomic<long> frames{0};
    std::thread reader([&] {
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        std::vector<short> buffer(static_cast<std::size_t>(1024 * info.channels));
        const auto start = std::chrono::steady_clock::now();
        long done = 0;
        while (!stop) {
            const double elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            long allowed = static_cast<long>(elapsed * info.samplerate) - done;
            while (allowed > 0) {
                sf_count_t got = sf_readf_short(file, buffer.data(), std::min(allowed, 1024L));
                if (got <= 0) {
                    sf_seek(file, 0, SEEK_SET);
                    continue;
                }
                done += got;
                allowed -= got;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        frames = done;
        sf_close(file);
    });
    const double cpu0 = cpuSeconds();
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    stop = true;
    reader.join();
    return cpuSeconds() - cpu0;
}

// Reading 60 s of the file as fast as the processor allows: our reader's passes against bare
// libsndfile reads. Nanoseconds per frame.
void throughput(const std::string& path) {
    constexpr double kSeconds = 60;
    constexpr long kFrames = static_cast<long>(kSeconds * kRate);
    simcard::PeakBank bank;
    std::vector<simcard::SourceReader::Feed> feeds;
    for (int c = 0; c < kChannels; ++c) {
        feeds.push_back({simcard::PeakBank::slot(simcard::Direction::In, c), c});
    }
    double ours = 0;
    double base = 0;
    for (int round = 0; round < 3; ++round) {
        {
            simcard::SourceReader reader(std::make_unique<simcard::SoundFileStream>(path), "bench",
                                         feeds, bank);
            const double cpu0 = cpuSeconds();
            for (double t = 0; t <= kSeconds + 1e-9; t += 0.02) {
                reader.pass(t);
            }
            ours += cpuSeconds() - cpu0;
        }
        {
            SF_INFO info{};
            SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
            std::vector<short> buffer(static_cast<std::size_t>(1024 * kChannels));
            const double cpu0 = cpuSeconds();
            long done = 0;
            while (done < kFrames) {
                const sf_count_t got =
                    sf_readf_short(file, buffer.data(), std::min(1024L, kFrames - done));
                if (got <= 0) {
                    sf_seek(file, 0, SEEK_SET);
                    continue;
                }
                done += got;
            }
            base += cpuSeconds() - cpu0;
            sf_close(file);
        }
    }
    const double perFrame = 1e9 / (3.0 * kFrames);
    std::printf("60 s of 32 channels as fast as possible: ours %.1f ns/frame, baseline "
                "(libsndfile reads alone) %.1f ns/frame, ratio %.2f\n",
                ours * perFrame, base * perFrame, ours / base);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const double seconds = argc > 2 ? std::max(0.5, std::atof(argv[2])) : 2.0;
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("audio-reader-bench-" + std::to_string(getpid()) + ".wav"))
                                 .string();
    if (!writeFile(path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    double ours = 0;
    double base = 0;
    for (int round = 0; round < rounds; ++round) {
        ours += oursCpu(path, seconds);
        base += baselineCpu(path, seconds);
    }
    const double total = rounds * seconds;
    std::printf("reader of 32 channels at 48 kHz, 16-bit WAV, real time (%d x %.1f s each way):\n",
                rounds, seconds);
    std::printf("  ours (peaks kept, meter reads every 100 ms) %.3f %% of one core\n",
                100 * ours / total);
    std::printf("  baseline (libsndfile reads alone, same passes) %.3f %% of one core\n",
                100 * base / total);
    std::printf("  ratio %.2f (goal: ours <= 1 %% of one core)\n", ours / base);
    throughput(path);
    std::filesystem::remove(path);
    return 0;
}

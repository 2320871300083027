#include "simcard/audio_sources.h"

#include "simcard/capture_stream.h"
#include "simcard/peak_bank.h"
#include "simcard/sound_file_stream.h"
#include "simcard/source_reader.h"

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

namespace simcard {
namespace {

struct Sources {
    std::mutex mutex; // guards readers; the peak bank needs no lock
    PeakBank bank;
    std::vector<std::unique_ptr<SourceReader>> readers;
};

Sources& sources() {
    // Never destroyed: a meter read may come in during exit; the readers stop at exit.
    static Sources* s = [] {
        auto* created = new Sources;
        std::atexit(stopAudioSources);
        return created;
    }();
    return *s;
}

std::unique_ptr<SourceReader> makeReader(const SignalSource& source, Direction direction,
                                         std::vector<SourceReader::Feed> feeds, PeakBank& bank) {
    int wanted = 0;
    for (const auto& f : feeds) {
        wanted = std::max(wanted, f.streamChannel + 1);
    }
    std::unique_ptr<SampleStream> stream;
    if (source.kind == SourceKind::File) {
        stream = std::make_unique<SoundFileStream>(source.target);
    } else {
        stream = std::make_unique<CaptureStream>(source.target, wanted);
    }
    const std::string label = std::string("level ") + (direction == Direction::In ? "in" : "out") +
                              " (line " + std::to_string(source.line) + ") " +
                              (source.kind == SourceKind::File ? "file " : "capture ") +
                              source.target;
    return std::make_unique<SourceReader>(std::move(stream), label, std::move(feeds), bank);
}

} // namespace

void startAudioSources(const HardwareDescription& description) {
    // One reader per level line that still feeds a channel.
    std::map<std::tuple<int, int>, std::vector<SourceReader::Feed>> groups;
    std::map<std::tuple<int, int>, std::pair<SignalSource, Direction>> first;
    for (const Direction direction : {Direction::In, Direction::Out}) {
        for (int channel = 0; channel < kMaxChannels; ++channel) {
            const SignalSource& source = description.source(direction, channel);
            if (!source.measured()) {
                continue;
            }
            const auto key = std::make_tuple(direction == Direction::In ? 0 : 1, source.line);
            groups[key].push_back(
                {PeakBank::slot(direction, channel), source.first + source.index});
            first.try_emplace(key, source, direction);
        }
    }
    Sources& s = sources();
    std::vector<std::unique_ptr<SourceReader>> old;
    {
        std::lock_guard lock(s.mutex);
        old.swap(s.readers);
    }
    old.clear(); // stops them
    s.bank.clear();
    std::lock_guard lock(s.mutex);
    for (auto& [key, feeds] : groups) {
        const auto& [source, direction] = first.at(key);
        s.readers.push_back(makeReader(source, direction, std::move(feeds), s.bank));
        s.readers.back()->start();
    }
}

void stopAudioSources() {
    Sources& s = sources();
    std::vector<std::unique_ptr<SourceReader>> old;
    {
        std::lock_guard lock(s.mutex);
        old.swap(s.readers);
    }
}

std::int32_t takeAudioPeak(Direction direction, int channel) {
    return sources().bank.take(PeakBank::slot(direction, channel));
}

bool settleAudioSources(double timeoutSeconds) {
    Sources& s = sources();
    std::lock_guard lock(s.mutex);
    std::vector<std::uint64_t> wanted;
    for (const auto& reader : s.readers) {
        // The pass running now may have begun before the call: two more make sure.
        wanted.push_back(reader->passes() + 2);
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    for (std::size_t i = 0; i < s.readers.size(); ++i) {
        while (s.readers[i]->passes() < wanted[i]) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            s.readers[i]->wake();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return true;
}

} // namespace simcard

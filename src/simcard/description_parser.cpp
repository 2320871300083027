// The parser of hardware descriptions: one statement a line, words separated by blanks, "#" to
// the end of the line a comment, device names in double quotes. The first bad line ends parsing
// with "<source>:<line>: <message>".
#include "simcard/description.h"

#include <charconv>
#include <cmath>
#include <map>

namespace simcard {
namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

// Thrown for a bad line; caught in parseDescription, which adds source and line.
struct LineError {
    std::string message;
};

std::string shown(std::string_view word) {
    std::string text = "'";
    for (std::size_t i = 0; i < word.size() && i < 40; ++i) {
        const auto ch = static_cast<unsigned char>(word[i]);
        text += (ch >= 0x20 && ch < 0x7F) ? static_cast<char>(ch) : '?';
    }
    return text + (word.size() > 40 ? "...'" : "'");
}

bool isBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

std::vector<Token> tokenize(std::string_view line) {
    for (char ch : line) {
        const auto u = static_cast<unsigned char>(ch);
        if ((u < 0x20 && ch != '\t') || u == 0x7F) {
            throw LineError{"unexpected control character"};
        }
    }
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && isBlank(line[i])) {
            ++i;
        }
        if (i == line.size() || line[i] == '#') {
            return tokens;
        }
        Token token;
        if (line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos) {
                throw LineError{"unterminated quoted name"};
            }
            token.text = std::string(line.substr(i + 1, close - i - 1));
            token.quoted = true;
            i = close + 1;
            if (i < line.size() && !isBlank(line[i])) {
                throw LineError{"a blank must follow a quoted name"};
            }
        } else {
            const std::size_t start = i;
            while (i < line.size() && !isBlank(line[i])) {
                ++i;
            }
            token.text = std::string(line.substr(start, i - start));
        }
        tokens.push_back(std::move(token));
    }
}

std::int64_t parseInteger(const Token& token, std::int64_t min, std::int64_t max,
                          std::string_view what) {
    std::string_view text = token.text;
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (token.quoted || text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        throw LineError{std::string(what) + " must be a number, not " + shown(token.text)};
    }
    if (magnitude > (std::uint64_t{1} << 40)) {
        throw LineError{std::string(what) + " " + shown(token.text) + " is out of range"};
    }
    const auto value =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (value < min || value > max) {
        throw LineError{std::string(what) + " must be " + std::to_string(min) + " to " +
                        std::to_string(max) + ", not " + shown(token.text)};
    }
    return value;
}

double parseDecimal(std::string_view text, double min, double max, std::string_view what) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        throw LineError{std::string(what) + " must be a number, not " + shown(text)};
    }
    if (value < min || value > max) {
        throw LineError{std::string(what) + " must be " + std::to_string(static_cast<int>(min)) +
                        " to " + std::to_string(static_cast<int>(max)) + ", not " + shown(text)};
    }
    return value;
}

// A level: an amplitude 0 to 32767, or decibels below full scale ("-6dB", down to -120dB).
std::int32_t parseLevel(const Token& token) {
    std::string_view text = token.text;
    if (text.size() > 2 &&
        (text.substr(text.size() - 2) == "dB" || text.substr(text.size() - 2) == "db")) {
        const double db = parseDecimal(text.substr(0, text.size() - 2), -120, 0, "a level in dB");
        return static_cast<std::int32_t>(std::lround(kFullScale * std::pow(10.0, db / 20.0)));
    }
    return static_cast<std::int32_t>(parseInteger(token, 0, kFullScale, "a level"));
}

bool parseYesNo(const Token& token, std::string_view key) {
    if (token.text == "yes" && !token.quoted) {
        return true;
    }
    if (token.text == "no" && !token.quoted) {
        return false;
    }
    throw LineError{"'" + std::string(key) + "' must be yes or no, not " + shown(token.text)};
}

Direction parseDirection(const Token& token) {
    if (token.text == "in") {
        return Direction::In;
    }
    if (token.text == "out") {
        return Direction::Out;
    }
    throw LineError{"expected in or out, not " + shown(token.text)};
}

class Parser {
public:
    HardwareDescription description;

    void statement(const std::vector<Token>& t, int line) {
        const std::string& key = t[0].text;
        if (t[0].quoted) {
            throw LineError{"a statement cannot begin with a quoted name"};
        }
        if (key == "cards") {
            once(key, line);
            count(t, 2, 2);
            description.cards = static_cast<int>(parseInteger(t[1], 0, kMaxCards, "'cards'"));
        } else if (key == "driver-status") {
            once(key, line);
            count(t, 2, 2);
            description.driverStatus = status(t[1]);
        } else if (key == "card-status") {
            once(key, line);
            count(t, 5, 5);
            for (int i = 0; i < kMaxCards; ++i) {
                description.cardStatus[i] = status(t[1 + i]);
            }
            cardStatusGiven_ = true;
        } else if (key == "devnode") {
            count(t, 3, 3);
            const auto card = static_cast<int>(parseInteger(t[1], 0, kMaxCards - 1, "a card"));
            once("devnode " + std::to_string(card), line);
            description.devNodes[card] =
                static_cast<std::uint32_t>(parseInteger(t[2], 0, 0xFFFFFFFF, "a device node"));
        } else if (key == "in-use") {
            once(key, line);
            count(t, 2, 2);
            description.inUse = parseYesNo(t[1], key);
        } else if (key == "system-device") {
            once(key, line);
            count(t, 2, 2);
            description.systemDevice = parseYesNo(t[1], key);
        } else if (key == "seed") {
            once(key, line);
            count(t, 2, 2);
            description.seed =
                static_cast<std::uint32_t>(parseInteger(t[1], 0, 0xFFFFFFFF, "'seed'"));
        } else if (key == "level") {
            level(t, line);
        } else if (key == "fault") {
            fault(t);
        } else if (key == "device") {
            device(t);
        } else {
            throw LineError{"unknown statement " + shown(key)};
        }
    }

    void finish() {
        if (!cardStatusGiven_) {
            for (int i = 0; i < kMaxCards; ++i) {
                description.cardStatus[i] = i < description.cards ? 1 : 0;
            }
        }
    }

private:
    std::map<std::string, int> seen_;
    bool cardStatusGiven_ = false;

    void once(const std::string& key, int line) {
        const auto [it, fresh] = seen_.emplace(key, line);
        if (!fresh) {
            throw LineError{"'" + key + "' again (first on line " + std::to_string(it->second) +
                            ")"};
        }
    }

    static void count(const std::vector<Token>& t, std::size_t min, std::size_t max) {
        if (t.size() < min) {
            throw LineError{"'" + t[0].text + "' needs " + std::to_string(min - 1) +
                            (min - 1 == 1 ? " value" : " values")};
        }
        if (t.size() > max) {
            throw LineError{"unexpected " + shown(t[max].text) + " after '" + t[0].text + "'"};
        }
    }

    static std::int32_t status(const Token& token) {
        return static_cast<std::int32_t>(parseInteger(token, INT32_MIN, INT32_MAX, "a status"));
    }

    void level(const std::vector<Token>& t, int line) {
        count(t, 4, 7); // what the source takes is checked below
        const Direction direction = parseDirection(t[1]);
        int first = 1;
        int last = kMaxChannels;
        if (t[2].text != "*") {
            const std::size_t dash = t[2].text.find('-', 1);
            if (dash == std::string::npos) {
                first = last = static_cast<int>(parseInteger(t[2], 1, kMaxChannels, "a channel"));
            } else {
                first = static_cast<int>(
                    parseInteger(Token{t[2].text.substr(0, dash)}, 1, kMaxChannels, "a channel"));
                last = static_cast<int>(
                    parseInteger(Token{t[2].text.substr(dash + 1)}, 1, kMaxChannels, "a channel"));
                if (last < first) {
                    throw LineError{"channel range " + shown(t[2].text) + " runs backwards"};
                }
            }
        }
        SignalSource source;
        const std::string& kind = t[3].text;
        std::size_t args = 0;
        if (kind == "synthetic") {
            source.kind = SourceKind::Synthetic;
        } else if (kind == "silence") {
            source.kind = SourceKind::Silence;
        } else if (kind == "clip") {
            source.kind = SourceKind::Clip;
            source.level = kFullScale;
        } else if (kind == "constant" || kind == "noise" || kind == "sine") {
            source.kind = kind == "constant" ? SourceKind::Constant
                          : kind == "noise"  ? SourceKind::Noise
                                             : SourceKind::Sine;
            if (t.size() < 5) {
                throw LineError{"source '" + kind + "' needs a level"};
            }
            source.level = parseLevel(t[4]);
            args = 1;
            if (kind == "sine" && t.size() >= 6) {
                source.hz = parseDecimal(t[5].text, 0.01, 20000, "a frequency in Hz");
                args = 2;
            }
        } else if (kind == "file" || kind == "capture") {
            source.kind = kind == "file" ? SourceKind::File : SourceKind::Capture;
            if (t.size() < 5 || t[4].text.empty()) {
                throw LineError{kind == "file" ? "source 'file' needs the path of a sound file"
                                               : "source 'capture' needs an ALSA capture device"};
            }
            source.target = t[4].text;
            source.line = line;
            args = 1;
            if (t.size() >= 6) {
                source.first = static_cast<int>(parseInteger(t[5], 1, 1024, "a first channel")) - 1;
                args = 2;
            }
        } else {
            throw LineError{"unknown source " + shown(kind) +
                            " (synthetic, silence, clip, constant, sine, noise, file, capture)"};
        }
        if (t.size() > 4 + args) {
            throw LineError{"unexpected " + shown(t[4 + args].text) + " after source '" + kind +
                            "'"};
        }
        auto& sources = direction == Direction::In ? description.inputs : description.outputs;
        for (int channel = first; channel <= last; ++channel) {
            sources[channel - 1] = source;
            source.index++;
        }
    }

    void fault(const std::vector<Token>& t) {
        count(t, 2, 64);
        const std::string& kind = t[1].text;
        if (kind == "flag-never-set" || kind == "entry-crashes" || kind == "entry-hangs") {
            const EntryFault f = kind == "flag-never-set"  ? EntryFault::NeverSetsFlag
                                 : kind == "entry-crashes" ? EntryFault::Crashes
                                                           : EntryFault::Hangs;
            if (t.size() == 2) {
                description.entryFaults.fill(f);
            }
            for (std::size_t i = 2; i < t.size(); ++i) {
                const auto command = commandFromName(t[i].text);
                if (!command) {
                    throw LineError{"unknown command " + shown(t[i].text)};
                }
                description.entryFaults[static_cast<int>(*command)] = f;
            }
        } else if (kind == "devnode-unanswered" || kind == "control-open-refused") {
            auto& cards = kind == "devnode-unanswered" ? description.devNodeUnanswered
                                                       : description.controlOpenRefused;
            if (t.size() == 2) {
                cards.fill(true);
            }
            for (std::size_t i = 2; i < t.size(); ++i) {
                cards[parseInteger(t[i], 0, kMaxCards - 1, "a card")] = true;
            }
        } else if (kind == "name-without-hyphen") {
            count(t, 5, 5);
            const Direction direction = parseDirection(t[2]);
            const auto card = parseInteger(t[3], 0, kMaxCards - 1, "a card");
            const auto pair = parseInteger(t[4], 0, kPairsPerCard - 1, "a pair");
            description.nameWithoutHyphen[direction == Direction::In ? 0 : 1]
                                         [card * kPairsPerCard + pair] = true;
        } else {
            throw LineError{"unknown fault " + shown(kind)};
        }
    }

    void device(const std::vector<Token>& t) {
        count(t, 5, 5);
        DeviceEntry entry;
        entry.direction = parseDirection(t[1]);
        entry.mid = static_cast<WORD>(parseInteger(t[2], 0, 0xFFFF, "a manufacturer id"));
        entry.pid = static_cast<WORD>(parseInteger(t[3], 0, 0xFFFF, "a product id"));
        if (!t[4].quoted) {
            throw LineError{"the device name must be in double quotes"};
        }
        if (t[4].text.size() > 31) {
            throw LineError{"device name longer than 31 characters"};
        }
        entry.name = t[4].text;
        if (!description.devices) {
            description.devices.emplace();
        }
        if (description.devices->size() >= 256) {
            throw LineError{"more than 256 devices"};
        }
        description.devices->push_back(std::move(entry));
    }
};

} // namespace

DescriptionResult parseDescription(std::string_view text, std::string_view sourceName) {
    Parser parser;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        try {
            const auto tokens = tokenize(line);
            if (!tokens.empty()) {
                parser.statement(tokens, lineNumber);
            }
        } catch (const LineError& e) {
            return {std::nullopt,
                    std::string(sourceName) + ":" + std::to_string(lineNumber) + ": " + e.message};
        }
        if (end == text.size()) {
            break;
        }
        start = end + 1;
    }
    parser.finish();
    return {std::move(parser.description), {}};
}

} // namespace simcard

#include "simcard/description.h"
#include "support/build_paths.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

using simcard::Direction;
using simcard::EntryFault;
using simcard::parseDescription;
using simcard::SourceKind;

simcard::HardwareDescription parse(const std::string& text) {
    auto result = parseDescription(text, "test.desc");
    EXPECT_TRUE(result.description) << result.error;
    return result.description.value_or(simcard::HardwareDescription{});
}

TEST(Description, BuiltInDescriptionIsTwoHealthyCards) {
    const auto d = parse(std::string(simcard::defaultDescriptionText()));
    EXPECT_EQ(d.cards, 2);
    EXPECT_EQ(d.driverStatus, 1);
    EXPECT_EQ(d.cardStatus, (std::array<std::int32_t, 4>{1, 1, 0, 0}));
    EXPECT_FALSE(d.inUse);
    EXPECT_FALSE(d.systemDevice);
    EXPECT_FALSE(d.devices);
    EXPECT_EQ(d.source(Direction::In, 5).kind, SourceKind::Synthetic);
    orv_test::ScopedEnv none("ORVANE_SIMCARD", std::nullopt);
    const auto loaded = simcard::loadDescription();
    ASSERT_TRUE(loaded.description) << loaded.error;
    EXPECT_EQ(loaded.description->cards, 2);
}

TEST(Description, ReadsTheExampleFile) {
    orv_test::ScopedEnv file("ORVANE_SIMCARD",
                             (orv_test::sourceDir() / "tools/simcard/four-cards.desc").string());
    const auto loaded = simcard::loadDescription();
    ASSERT_TRUE(loaded.description) << loaded.error;
    const auto& d = *loaded.description;
    EXPECT_EQ(d.cards, 4);
    EXPECT_EQ(d.cardStatus, (std::array<std::int32_t, 4>{1, 1, -30, 1}));
    EXPECT_EQ(d.devNodes[2], 0xC1A30800u);
    EXPECT_TRUE(d.systemDevice);
    EXPECT_EQ(d.seed, 7u);
    EXPECT_EQ(d.source(Direction::In, 0).kind, SourceKind::Constant);
    EXPECT_EQ(d.source(Direction::In, 0).level, 32767);
    EXPECT_EQ(d.source(Direction::In, 1).level, 3277) << "-20dB";
    EXPECT_EQ(d.source(Direction::In, 2).kind, SourceKind::Synthetic);
    EXPECT_EQ(d.source(Direction::In, 8).kind, SourceKind::Sine);
    EXPECT_EQ(d.source(Direction::In, 15).hz, 440.0);
    EXPECT_EQ(d.source(Direction::In, 16).kind, SourceKind::Synthetic);
    EXPECT_EQ(d.source(Direction::Out, 16).kind, SourceKind::Noise);
    EXPECT_EQ(d.source(Direction::Out, 24).kind, SourceKind::Silence);
    EXPECT_EQ(d.source(Direction::Out, 25).kind, SourceKind::Clip);
}

TEST(Description, StatusesAreIndependentOfTheCardCount) {
    const auto d = parse("cards 1\r\ndriver-status -7\r\ncard-status -30 0 -25 0\r\n");
    EXPECT_EQ(d.cards, 1);
    EXPECT_EQ(d.driverStatus, -7);
    EXPECT_EQ(d.cardStatus, (std::array<std::int32_t, 4>{-30, 0, -25, 0}));
    EXPECT_EQ(parse("cards 3").cardStatus, (std::array<std::int32_t, 4>{1, 1, 1, 0}));
    EXPECT_EQ(parse("cards 0").cardStatus, (std::array<std::int32_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(parse("card-status 0x7fffffff -2147483648 1 1").cardStatus[1], INT32_MIN);
}

TEST(Description, SetsFaultsPerCommandAndCard) {
    const auto d = parse(R"(
        fault entry-hangs                       # every command
        fault flag-never-set getconfig setconfig
        fault entry-crashes reconfigurable
        fault devnode-unanswered 1
        fault control-open-refused
        fault name-without-hyphen out 0 3
    )");
    EXPECT_EQ(d.entryFaults[0], EntryFault::Hangs);
    EXPECT_EQ(d.entryFaults[1], EntryFault::Crashes);
    EXPECT_EQ(d.entryFaults[2], EntryFault::NeverSetsFlag);
    EXPECT_EQ(d.entryFaults[3], EntryFault::NeverSetsFlag);
    EXPECT_EQ(d.entryFaults[4], EntryFault::Hangs);
    EXPECT_EQ(d.devNodeUnanswered, (std::array<bool, 4>{false, true, false, false}));
    EXPECT_EQ(d.controlOpenRefused, (std::array<bool, 4>{true, true, true, true}));
    EXPECT_TRUE(d.nameWithoutHyphen[1][3]);
    EXPECT_FALSE(d.nameWithoutHyphen[0][3]);
}

TEST(Description, LevelLinesApplyInOrder) {
    const auto d = parse("level in * constant 0\nlevel in 3-4 constant 16384\n"
                         "level in 4 sine -6dB 50\nlevel out 32 noise 100\n");
    EXPECT_EQ(d.inputs[0].level, 0);
    EXPECT_EQ(d.inputs[2].level, 16384);
    EXPECT_EQ(d.inputs[3].kind, SourceKind::Sine);
    EXPECT_EQ(d.inputs[3].level, 16422);
    EXPECT_EQ(d.inputs[3].hz, 50.0);
    EXPECT_EQ(d.inputs[4].kind, SourceKind::Constant);
    EXPECT_EQ(d.outputs[31].kind, SourceKind::Noise);
    EXPECT_EQ(d.outputs[30].kind, SourceKind::Synthetic);
}

TEST(Description, AFileOrCaptureLineIsOneSourceFeedingItsChannelsFromFirstOnwards) {
    const auto d = parse("level in 1-8 file \"my song.wav\"\nlevel in 3 silence\n"
                         "level out 7-8 capture hw:2 3\n");
    EXPECT_EQ(d.inputs[0].kind, SourceKind::File);
    EXPECT_EQ(d.inputs[0].target, "my song.wav");
    EXPECT_EQ(d.inputs[2].kind, SourceKind::Silence);
    EXPECT_EQ(d.inputs[7].index, 7);
    EXPECT_EQ(d.inputs[7].first, 0);
    EXPECT_EQ(d.inputs[7].line, 1);
    EXPECT_EQ(d.inputs[8].kind, SourceKind::Synthetic);
    EXPECT_EQ(d.outputs[6].kind, SourceKind::Capture);
    EXPECT_EQ(d.outputs[7].first + d.outputs[7].index, 3) << "the device's fourth channel";
    EXPECT_EQ(d.outputs[7].line, 3);
}

TEST(Description, AnExplicitDeviceListKeepsItsOrder) {
    const auto d = parse("device in 1 2 \"Onboard # not a comment\"\n"
                         "device out 0x4B56 45 \"\"\n"
                         "device in 19286 47 \"Orvane ADAT In 1-2 with 31 char\"\n");
    ASSERT_TRUE(d.devices);
    ASSERT_EQ(d.devices->size(), 3u);
    EXPECT_EQ((*d.devices)[0].name, "Onboard # not a comment");
    EXPECT_EQ((*d.devices)[1].direction, Direction::Out);
    EXPECT_EQ((*d.devices)[1].mid, simcard::kCardMakerId);
    EXPECT_EQ((*d.devices)[2].pid, 47);
}

TEST(Description, EachKindOfBadLineIsNamedByFileAndLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"cards 5", "'cards' must be 0 to 4"},
        {"cards two", "must be a number"},
        {"cards", "'cards' needs 1 value"},
        {"cards 1 2", "unexpected '2'"},
        {"cards 1\ncards 2", "'cards' again (first on line 3)"},
        {"card-status 1 1 1", "needs 4 values"},
        {"card-status 1 1 1 0x100000000", "must be -2147483648 to 2147483647"},
        {"driver-status 99999999999999999999", "must be a number"},
        {"devnode 4 1", "a card must be 0 to 3"},
        {"devnode 0 1\ndevnode 0 2", "'devnode 0' again"},
        {"in-use maybe", "must be yes or no"},
        {"colour blue", "unknown statement 'colour'"},
        {"level sideways 1 silence", "expected in or out"},
        {"level in 33 silence", "a channel must be 1 to 32"},
        {"level in 5-3 silence", "runs backwards"},
        {"level in 1 loud", "unknown source 'loud'"},
        {"level in 1 constant", "needs a level"},
        {"level in 1 constant 40000", "a level must be 0 to 32767"},
        {"level in 1 constant 3dB", "a level in dB must be -120 to 0"},
        {"level in 1 sine 100 0", "a frequency in Hz must be"},
        {"level in 1 silence 5", "unexpected '5'"},
        {"level in 1 sine 100 1000 5", "unexpected '5' after source 'sine'"},
        {"level in 1 file", "needs the path of a sound file"},
        {"level in 1 file \"\"", "needs the path of a sound file"},
        {"level in 1 capture", "needs an ALSA capture device"},
        {"level in 1 capture hw:1 0", "a first channel must be 1 to 1024"},
        {"level in 1 file a.wav 2 3", "unexpected '3' after source 'file'"},
        {"fault meltdown", "unknown fault 'meltdown'"},
        {"fault entry-hangs getconfig sing", "unknown command 'sing'"},
        {"fault name-without-hyphen in 0 4", "a pair must be 0 to 3"},
        {"device in 1 2 Unquoted", "must be in double quotes"},
        {"device in 1 2 \"open", "unterminated quoted name"},
        {"device in 1 2 \"a\"b", "a blank must follow"},
        {"device in 0x10000 2 \"x\"", "a manufacturer id must be 0 to 65535"},
        {"device in 1 2 \"12345678901234567890123456789012\"", "longer than 31 characters"},
        {"seed 1\x01", "unexpected control character"},
    };
    for (const auto& [line, expected] : cases) {
        const std::string text = "# header comment\n\n" + std::string(line) + "\n";
        const auto result = parseDescription(text, "bad.desc");
        EXPECT_FALSE(result.description) << line;
        const int lineNumber = std::string(line).find("\ncards 2") != std::string::npos ||
                                       std::string(line).find("\ndevnode") != std::string::npos
                                   ? 4
                                   : 3;
        const std::string prefix = "bad.desc:" + std::to_string(lineNumber) + ": ";
        EXPECT_EQ(result.error.rfind(prefix, 0), 0u) << line << " gave: " << result.error;
        EXPECT_NE(result.error.find(expected), std::string::npos)
            << line << " gave: " << result.error;
    }
}

TEST(Description, AFileThatCannotBeReadIsReported) {
    orv_test::TempDir dir;
    {
        orv_test::ScopedEnv missing("ORVANE_SIMCARD", (dir.path() / "none.desc").string());
        const auto loaded = simcard::loadDescription();
        EXPECT_FALSE(loaded.description);
        EXPECT_NE(loaded.error.find("none.desc: cannot read"), std::string::npos) << loaded.error;
    }
    {
        orv_test::ScopedEnv folder("ORVANE_SIMCARD", dir.path().string());
        const auto loaded = simcard::loadDescription();
        EXPECT_FALSE(loaded.description);
        EXPECT_NE(loaded.error.find("not a file"), std::string::npos) << loaded.error;
    }
    {
        const auto bad = dir.path() / "bad.desc";
        std::ofstream(bad) << "cards 1\nlevel in 1 constant 1\ncards 3\n";
        orv_test::ScopedEnv file("ORVANE_SIMCARD", bad.string());
        const auto loaded = simcard::loadDescription();
        EXPECT_FALSE(loaded.description);
        EXPECT_EQ(loaded.error, bad.string() + ":3: 'cards' again (first on line 1)");
    }
}

} // namespace

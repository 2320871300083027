// The card tool: the stored settings field by field, and its command line's errors.
#include "simcard/config_report.h"
#include "support/simcard_env.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace simcard;

namespace {

class CardToolTest : public orv_test::SimcardTest {
protected:
    orv_test::ProcessResult tool(std::vector<std::string> args) {
        args.insert(args.begin(), (orv_test::binDir() / "orvane-simcard").string());
        return orv_test::runProcess(args, std::chrono::seconds(30));
    }
    orv_test::ScopedEnv runtime_{"XDG_RUNTIME_DIR", dir_.path().string()};
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(ConfigReport, EveryFieldOfEveryCardByNameWithUnnamedBytesAsWritten) {
    DriverConfig config = defaultDriverConfig();
    writeInt32(config, 0, -1);                               // card 0 RemovalNotice
    writeInt32(config, 2 * kCardConfigSize + kDsLatency, 7); // card 2
    writeInt32(config, 3 * kCardConfigSize + kDefaultRate, static_cast<std::int32_t>(0xFFFFFFF0));
    auto lines = linesOf(formatDriverConfig(config));
    // Four cards of a heading and 27 entries each (19 fields, 8 unnamed runs).
    ASSERT_EQ(lines.size(), 4u * 28u);
    EXPECT_EQ(lines[0], "Card 0");
    EXPECT_EQ(lines[1], "  RemovalNotice      -1");
    EXPECT_EQ(lines[2], "  Reserved4          84 85 86 87"); // 0x80 | offset
    EXPECT_EQ(lines[28], "Card 1");
    EXPECT_EQ(lines[29], "  RemovalNotice      0");
    EXPECT_EQ(lines[30], "  Reserved4          8B 8C 8D 8E"); // 0x80 | (offset + 7)
    EXPECT_EQ(lines[2 * 28 + 19], "  DsLatency          7");
    EXPECT_EQ(lines[3 * 28 + 16], "  DefaultRate        4294967280"); // unsigned
    EXPECT_EQ(lines[0 * 28 + 16], "  DefaultRate        44100");
    EXPECT_EQ(lines[27], "  Reserved136        88 89 8A 8B"); // 136..139 & 0x7F
}

TEST_F(CardToolTest, ShowPrintsTheStoredSettings) {
    DriverConfig config = defaultDriverConfig();
    writeInt32(config, kCardConfigSize + kGsifPreload, 42);
    std::string error;
    ASSERT_TRUE(SettingsStore(statePath()).save(config, error)) << error;
    auto result = tool({"show"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, formatDriverConfig(config));
    EXPECT_NE(result.out.find("  GsifPreload        42\n"), std::string::npos);
}

TEST_F(CardToolTest, BadCommandLinesAreReportedWithStatusTwo) {
    describe("cards 2\n");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"remove-query"},
             {"remove-query", "x"},
             {"remove-query", "4"},
             {"remove-query", "2"}, // the simulated system has two cards
             {"arrival", "--devnode", "0xZZ"},
             {"remove-query", "0", "1"},
             {"show", "extra"},
         }) {
        auto result = tool(args);
        EXPECT_EQ(result.exitCode, 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(result.err.find("Usage: orvane-simcard"), std::string::npos);
    }
    auto help = tool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("remove-query CARD"), std::string::npos);
}

TEST_F(CardToolTest, AQueryWithNoProgramRunningSaysSo) {
    describe("cards 2\ndevnode 1 0x1234\n");
    auto result = tool({"remove-query", "1"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "no running program to tell (device node 0x00001234)\n");
}

} // namespace

// The configuration channel against the real rundll stand-in and the simulated card.
#include "driver/config_channel.h"
#include "driver/records.h"
#include "platform/kernel32.h"
#include "platform/shell.h"
#include "platform/wow16.h"
#include "support/simcard_env.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <sys/wait.h>

using namespace driver;

namespace {

class ConfigChannelTest : public orv_test::SimcardTest {
protected:
    void SetUp() override {
        SimcardTest::SetUp();
        ConfigChannelEnabled = 1;
    }
    // The command lines the entry point was started with.
    std::vector<std::string> starts() const {
        std::vector<std::string> lines;
        std::ifstream in(logPath());
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    std::filesystem::path logPath() const { return dir_.path() / "starts.log"; }
    orv_test::ScopedEnv log_{"ORVANE_SIMCARD_LOG", (dir_.path() / "starts.log").string()};
};

TEST_F(ConfigChannelTest, ParameterTextHasEightUpperCaseDigitsWithLeadingZeros) {
    EXPECT_EQ(DriverConfigParameters("getconfig", 0x1A2F0000, 0x1A370000),
              "qorva.DRV,DriverConfig getconfig $1A2F0000 #1A370000");
    EXPECT_EQ(DriverConfigParameters("getstates", 0x000F0000, 0x0abc0000),
              "qorva.DRV,DriverConfig getstates $000F0000 #0ABC0000");
}

TEST_F(ConfigChannelTest, GetStatesBringsTheDescribedStatuses) {
    describe("driver-status -7\ncard-status -30 0 -25 0\n");
    TDriverStates states{};
    ASSERT_TRUE(DriverConfigCall(ConfigChannelEnabled, kCmdGetStates, &states, sizeof states));
    EXPECT_EQ(states.Status, -7);
    EXPECT_EQ(states.CardStatus[0], -30);
    EXPECT_EQ(states.CardStatus[1], 0);
    EXPECT_EQ(states.CardStatus[2], -25);
    EXPECT_EQ(states.CardStatus[3], 0);
    ASSERT_EQ(starts().size(), 1u);
    EXPECT_EQ(starts()[0].rfind("qorva.DRV,DriverConfig getstates $", 0), 0u);
}

TEST_F(ConfigChannelTest, ReconfigurableFollowsWhetherTheCardIsInUse) {
    std::int32_t answer = 0;
    ASSERT_TRUE(DriverConfigCall(ConfigChannelEnabled, kCmdReconfigurable, &answer, 4));
    EXPECT_NE(answer, 0);
    describe("in-use yes\n");
    answer = 0;
    ASSERT_TRUE(DriverConfigCall(ConfigChannelEnabled, kCmdReconfigurable, &answer, 4));
    EXPECT_EQ(answer, 0);
}

TEST_F(ConfigChannelTest, SetConfigRoundTripKeepsEveryByteAndSurvivesInTheDriver) {
    TDriverConfig config{};
    ASSERT_TRUE(DriverConfigCall(ConfigChannelEnabled, kCmdGetConfig, &config, sizeof config));
    EXPECT_EQ(config.Cards[0].DefaultRate, 44100u);
    // Change named fields of two cards and every byte that no field names.
    config.Cards[1].DefaultRate = 48000;
    config.Cards[3].GsifPreload = 17;
    config.Cards[0].RemovalNotice = kTrue;
    for (int card = 0; card < 4; ++card) {
        config.Cards[card].Reserved16[5] = static_cast<std::uint8_t>(0x11 * (card + 1));
        config.Cards[card].Reserved136[3] = 0x5A;
    }
    TDriverConfig sent = config;
    ASSERT_TRUE(DriverConfigCall(ConfigChannelEnabled, kCmdSetConfig, &config, sizeof config));
    TDriverConfig back{};
    ASSERT_TRUE(DriverConfigCall(ConfigChannelEnabled, kCmdGetConfig, &back, sizeof back));
    EXPECT_EQ(std::memcmp(&back, &sent, sizeof back), 0);
}

TEST_F(ConfigChannelTest, OnTheFlyValuesReachTheSettings) {
    TGsifOnTheFly fly{};
    fly.GsifKerning = 1;
    fly.GsifPreload = 33;
    ASSERT_TRUE(DriverConfigCall(ConfigChannelEnabled, kCmdSetConfigOnTheFly, &fly, sizeof fly));
    TDriverConfig config{};
    ASSERT_TRUE(DriverConfigCall(ConfigChannelEnabled, kCmdGetConfig, &config, sizeof config));
    EXPECT_EQ(config.Cards[0].GsifKerning, 1);
    EXPECT_EQ(config.Cards[0].GsifPreload, 33);
}

TEST_F(ConfigChannelTest, CallsThatCannotRunLeaveTheRecordAndStartNothing) {
    TDriverConfig config{};
    std::memset(&config, 0xA5, sizeof config);
    TDriverConfig before = config;
    int blocks = platform::wow16LiveBlockCount();

    // The channel is disabled.
    EXPECT_FALSE(DriverConfigCall(0, kCmdGetConfig, &config, sizeof config));
    // A command code that is not in the table.
    EXPECT_FALSE(DriverConfigCall(ConfigChannelEnabled, 0x4006, &config, sizeof config));

    EXPECT_EQ(std::memcmp(&config, &before, sizeof config), 0);
    EXPECT_TRUE(starts().empty());
    EXPECT_EQ(platform::wow16LiveBlockCount(), blocks);
}

TEST_F(ConfigChannelTest, MissingRundllFailsAndAClearedStateRecordReadsStatusZero) {
    orv_test::ScopedEnv missing("ORVANE_RUNDLL", (dir_.path() / "no-such-rundll").string());
    TDriverStates states{};
    EXPECT_FALSE(DriverConfigCall(ConfigChannelEnabled, kCmdGetStates, &states, sizeof states));
    EXPECT_EQ(states.Status, 0);
    EXPECT_EQ(states.CardStatus[0], 0);
}

TEST_F(ConfigChannelTest, EntryPointThatEndsWithoutTheFlagOrCrashesFailsAtOnce) {
    for (const char* fault : {"fault flag-never-set\n", "fault entry-crashes\n"}) {
        SCOPED_TRACE(fault);
        describe(std::string("card-status -30 0 0 0\n") + fault);
        TDriverStates states{};
        states.Status = 77;
        DWORD start = GetTickCount();
        EXPECT_FALSE(DriverConfigCall(ConfigChannelEnabled, kCmdGetStates, &states, sizeof states));
        // The wait ended when the process did, well before the time limit.
        EXPECT_LT(GetTickCount() - start, kDriverConfigTimeoutMs);
        EXPECT_EQ(states.Status, 77);
        EXPECT_EQ(states.CardStatus[0], 0);
    }
}

TEST_F(ConfigChannelTest, EntryPointThatHangsIsStoppedAtTheTimeLimit) {
    describe("fault entry-hangs getconfig\n");
    TDriverConfig config{};
    config.Cards[2].DefaultRate = 12345;
    int blocks = platform::wow16LiveBlockCount();
    EXPECT_FALSE(DriverConfigCall(ConfigChannelEnabled, kCmdGetConfig, &config, sizeof config));
    EXPECT_EQ(config.Cards[2].DefaultRate, 12345u);
    EXPECT_EQ(platform::wow16LiveBlockCount(), blocks);
    // Other commands still work afterwards.
    std::int32_t answer = 0;
    EXPECT_TRUE(DriverConfigCall(ConfigChannelEnabled, kCmdReconfigurable, &answer, 4));
}

// True when this process has no child at all, running or ended and not yet collected.
bool noChildren() {
    siginfo_t info{};
    return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) != 0 && errno == ECHILD;
}

TEST_F(ConfigChannelTest, AnEntryPointThatSetsTheFlagAndRunsOnIsAnsweredWithoutWaitingForIt) {
    orv_test::ScopedEnv entry("ORVANE_RUNDLL",
                              (orv_test::binDir() / "driver_flag_then_stay").string());
    orv_test::ScopedEnv stay("FLAG_THEN_STAY_MS", "4000");
    std::int32_t answer = 0;
    EXPECT_TRUE(DriverConfigCall(ConfigChannelEnabled, kCmdReconfigurable, &answer, 4));
    EXPECT_EQ(LastConfigCallFailure(), ConfigCallFailure::None);
    siginfo_t info{};
    EXPECT_EQ(::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT), 0)
        << "the call waited for the process to end instead of for the flag";
    // Let it end, so that later tests start without children.
    EXPECT_TRUE(orv_test::waitUntil(noChildren));
}

TEST_F(ConfigChannelTest,
       FailuresSayWhetherTheEntryPointDidNotStartRejectedItsDescriptionOrWasSilent) {
    std::int32_t answer = 0;
    {
        orv_test::ScopedEnv missing("ORVANE_RUNDLL", (dir_.path() / "no-such-rundll").string());
        EXPECT_FALSE(DriverConfigCall(ConfigChannelEnabled, kCmdReconfigurable, &answer, 4));
        int code = 0;
        EXPECT_EQ(LastConfigCallFailure(&code), ConfigCallFailure::NotStarted);
        EXPECT_EQ(code, SE_ERR_FNF);
    }
    describe("cards 9\n");
    EXPECT_FALSE(DriverConfigCall(ConfigChannelEnabled, kCmdReconfigurable, &answer, 4));
    EXPECT_EQ(LastConfigCallFailure(), ConfigCallFailure::DescriptionRejected);

    describe("fault flag-never-set\n");
    EXPECT_FALSE(DriverConfigCall(ConfigChannelEnabled, kCmdReconfigurable, &answer, 4));
    int code = -5;
    EXPECT_EQ(LastConfigCallFailure(&code), ConfigCallFailure::NoAnswer);
    EXPECT_EQ(code, 0) << "it ended normally, without the flag";

    describe("in-use no\n");
    EXPECT_TRUE(DriverConfigCall(ConfigChannelEnabled, kCmdReconfigurable, &answer, 4));
    EXPECT_EQ(LastConfigCallFailure(), ConfigCallFailure::None);
    EXPECT_FALSE(DriverConfigCall(0, kCmdReconfigurable, &answer, 4));
    EXPECT_EQ(LastConfigCallFailure(), ConfigCallFailure::NotCalled);
}

TEST_F(ConfigChannelTest, AThousandCallsInARowLeaveNoBlockAndNoProcessBehind) {
#if defined(__SANITIZE_ADDRESS__)
    // Every call starts a sanitized rundll, which takes several times as long to start: fewer
    // calls keep the test within its time and still show a leak of one per call.
    constexpr int kCalls = 200;
#else
    constexpr int kCalls = 1000;
#endif
    const int blocks = platform::wow16LiveBlockCount();
    orv_test::ScopedEnv noLog("ORVANE_SIMCARD_LOG", std::nullopt); // a thousand lines: no
    TDriverConfig first{};
    ASSERT_TRUE(DriverConfigCall(ConfigChannelEnabled, kCmdGetConfig, &first, sizeof first));
    for (int i = 0; i < kCalls; ++i) {
        TDriverConfig config{};
        ASSERT_TRUE(DriverConfigCall(ConfigChannelEnabled, kCmdGetConfig, &config, sizeof config))
            << "call " << i;
        ASSERT_EQ(std::memcmp(&config, &first, sizeof config), 0) << "call " << i;
    }
    EXPECT_EQ(platform::wow16LiveBlockCount(), blocks);
    // A call may return on the flag just before its process ends; the reaper collects it then.
    EXPECT_TRUE(orv_test::waitUntil(noChildren)) << "a child was never collected";
}

} // namespace

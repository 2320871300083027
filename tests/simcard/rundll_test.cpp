// The rundll stand-in as the program uses it: a real process started with ShellExecuteA on blocks
// of the shared 16-bit memory, its completion flag polled.
#include "platform/shell.h"
#include "simcard/command_line.h"
#include "simcard/settings_store.h"
#include "support/simcard_env.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <fstream>
#include <random>

namespace {

using namespace simcard;
using orv_test::runProcess;

struct Blocks {
    VPVOID data = 0;
    VPVOID flag = 0;
    unsigned char* dataPtr = nullptr;
    std::uint32_t* flagPtr = nullptr;

    Blocks(DWORD dataSize, DWORD flagSize = 4) {
        data = WOWGlobalAllocLock16(GMEM_FIXED | GMEM_ZEROINIT, dataSize, nullptr);
        flag = WOWGlobalAllocLock16(GMEM_FIXED | GMEM_ZEROINIT, flagSize, nullptr);
        dataPtr = static_cast<unsigned char*>(WOWGetVDMPointer(data, dataSize, TRUE));
        flagPtr = static_cast<std::uint32_t*>(WOWGetVDMPointer(flag, flagSize, TRUE));
    }
    ~Blocks() {
        WOWGlobalUnlockFree16(data);
        WOWGlobalUnlockFree16(flag);
    }
    std::uint32_t flagValue() const {
        return std::atomic_ref<std::uint32_t>(*flagPtr).load(std::memory_order_acquire);
    }
};

std::string commandLine(ConfigCommand command, VPVOID data, VPVOID flag) {
    return "qorva.DRV,DriverConfig " + std::string(commandName(command)) + " $" +
           formatAddress(data) + " #" + formatAddress(flag);
}

class RundllTest : public orv_test::SimcardTest {
protected:
    // Runs a command the way the configuration channel does; returns whether the flag was set.
    bool call(ConfigCommand command, std::span<unsigned char> record) {
        Blocks blocks(static_cast<DWORD>(record.size()));
        std::memcpy(blocks.dataPtr, record.data(), record.size());
        const auto params = commandLine(command, blocks.data, blocks.flag);
        HINSTANCE token =
            ShellExecuteA(nullptr, nullptr, "rundll.exe", params.c_str(), "", SW_SHOWDEFAULT);
        EXPECT_GT(reinterpret_cast<std::uintptr_t>(token), 32u);
        EXPECT_TRUE(orv_test::waitUntil(
            [&] { return blocks.flagValue() != 0 || !platform::shellProcessRunning(token); }));
        const bool set = blocks.flagValue() != 0;
        std::memcpy(record.data(), blocks.dataPtr, record.size());
        return set;
    }
};

TEST_F(RundllTest, GetStatesReportsTheDescribedStatuses) {
    describe("driver-status -7\ncard-status -30 0 -25 0\ncards 1\n");
    std::array<unsigned char, kDriverStatesSize> states{};
    ASSERT_TRUE(call(ConfigCommand::GetStates, states));
    EXPECT_EQ(readInt32(states, 0), -7);
    EXPECT_EQ(readInt32(states, 4), -30);
    EXPECT_EQ(readInt32(states, 8), 0);
    EXPECT_EQ(readInt32(states, 12), -25);
    EXPECT_EQ(readInt32(states, 16), 0);
    EXPECT_EQ(platform::wow16LiveBlockCount(), 0);
}

TEST_F(RundllTest, ReconfigurableSaysNoWhileTheCardIsInUse) {
    std::array<unsigned char, 4> answer{};
    ASSERT_TRUE(call(ConfigCommand::Reconfigurable, answer));
    EXPECT_NE(readInt32(answer, 0), 0);
    describe("in-use yes\n");
    answer.fill(0);
    ASSERT_TRUE(call(ConfigCommand::Reconfigurable, answer));
    EXPECT_EQ(readInt32(answer, 0), 0);
}

TEST_F(RundllTest, SettingsSurviveARestartWithEveryByteKept) {
    DriverConfig config{};
    ASSERT_TRUE(call(ConfigCommand::GetConfig, config));
    EXPECT_EQ(config, defaultDriverConfig()) << "first run";

    std::mt19937 rng(42);
    for (auto& byte : config) {
        byte = static_cast<unsigned char>(rng());
    }
    DriverConfig written = config;
    ASSERT_TRUE(call(ConfigCommand::SetConfig, written));
    EXPECT_TRUE(std::filesystem::exists(statePath()));

    DriverConfig read{};
    ASSERT_TRUE(call(ConfigCommand::GetConfig, read)) << "a new process of the simulated card";
    EXPECT_EQ(read, config);

    std::array<unsigned char, kGsifOnTheFlySize> onTheFly{};
    writeInt32(onTheFly, kOnTheFlyKerning, 0);
    writeInt32(onTheFly, kOnTheFlyPreload, 50);
    ASSERT_TRUE(call(ConfigCommand::SetConfigOnTheFly, onTheFly));
    ASSERT_TRUE(call(ConfigCommand::GetConfig, read));
    for (std::size_t n = 0; n < 4; ++n) {
        const std::span<unsigned char> expected(config.data() + n * kCardConfigSize,
                                                kCardConfigSize);
        writeInt32(expected, kGsifKerning, 0);
        writeInt32(expected, kGsifPreload, 50);
    }
    EXPECT_EQ(read, config);
    EXPECT_EQ(platform::wow16LiveBlockCount(), 0);
}

TEST_F(RundllTest, MalformedCommandLinesFailWithAMessageAndTouchNothing) {
    Blocks blocks(kDriverConfigSize);
    Blocks small(kDriverStatesSize, 2);
    std::memset(blocks.dataPtr, 0x5A, kDriverConfigSize);
    std::memset(small.dataPtr, 0x5A, kDriverStatesSize);
    const VPVOID freed = WOWGlobalAllocLock16(GMEM_FIXED, 560, nullptr);
    ASSERT_EQ(WOWGlobalUnlockFree16(freed), 0);
    const std::string data = "$" + formatAddress(blocks.data);
    const std::string flag = "#" + formatAddress(blocks.flag);
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"other.DRV,DriverConfig", "getconfig", data, flag},
        {"qorva.DRV,Config", "getconfig", data, flag},
        {"qorva.DRV,DriverConfig", "getconfiguration", data, flag},
        {"qorva.DRV,DriverConfig", "getconfig"},
        {"qorva.DRV,DriverConfig", "getconfig", data},
        {"qorva.DRV,DriverConfig", "getconfig", data.substr(0, 8), flag},
        {"qorva.DRV,DriverConfig", "getconfig", flag, data},
        {"qorva.DRV,DriverConfig", "getconfig", data, flag, "more"},
        {"qorva.DRV,DriverConfig", "getconfig", "$" + formatAddress(freed), flag},
        {"qorva.DRV,DriverConfig", "getconfig", data, "#" + formatAddress(freed)},
        {"qorva.DRV,DriverConfig", "getconfig", "$" + formatAddress(small.data), flag},
        {"qorva.DRV,DriverConfig", "getconfig", data, "#" + formatAddress(small.flag)},
        {"qorva.DRV,DriverConfig", "getconfig", "$" + formatAddress(blocks.data + 8), flag},
    };
    for (const auto& words : cases) {
        std::vector<std::string> args{rundll()};
        args.insert(args.end(), words.begin(), words.end());
        const auto result = runProcess(args);
        std::string shown;
        for (const auto& word : words) {
            shown += word + " ";
        }
        EXPECT_GT(result.exitCode, 0) << shown;
        EXPECT_EQ(result.err.rfind("rundll: ", 0), 0u) << shown << ": " << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        for (std::size_t i = 0; i < kDriverConfigSize; ++i) {
            ASSERT_EQ(blocks.dataPtr[i], 0x5A) << shown;
        }
        for (std::size_t i = 0; i < kDriverStatesSize; ++i) {
            ASSERT_EQ(small.dataPtr[i], 0x5A) << shown;
        }
        EXPECT_EQ(blocks.flagValue(), 0u) << shown;
        EXPECT_EQ(small.flagPtr[0] & 0xFFFF, 0u) << shown;
    }
    EXPECT_FALSE(std::filesystem::exists(statePath())) << "no settings were written";
}

TEST_F(RundllTest, ABadDescriptionStopsTheEntryPointBeforeItTouchesMemory) {
    describe("cards 2\ncards 3\n");
    Blocks blocks(kDriverStatesSize);
    std::memset(blocks.dataPtr, 0x5A, kDriverStatesSize);
    const auto result =
        runProcess({rundll(), "qorva.DRV,DriverConfig", "getstates",
                    "$" + formatAddress(blocks.data), "#" + formatAddress(blocks.flag)});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_NE(result.err.find("card.desc:2: 'cards' again"), std::string::npos) << result.err;
    EXPECT_EQ(blocks.dataPtr[0], 0x5A);
    EXPECT_EQ(blocks.flagValue(), 0u);
}

TEST_F(RundllTest, SettingsThatCannotBeStoredLeaveTheFlagClear) {
    std::ofstream(dir_.path() / "file") << "x";
    orv_test::ScopedEnv blocked("ORVANE_SIMCARD_STATE", (dir_.path() / "file" / "s").string());
    Blocks blocks(kDriverConfigSize);
    const auto result =
        runProcess({rundll(), "qorva.DRV,DriverConfig", "setconfig",
                    "$" + formatAddress(blocks.data), "#" + formatAddress(blocks.flag)});
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_NE(result.err.find("cannot"), std::string::npos) << result.err;
    EXPECT_EQ(blocks.flagValue(), 0u) << "a failure is not reported as done";
}

TEST_F(RundllTest, FlagNeverSetRunsTheCommandAndEndsWithoutTheFlag) {
    describe("fault flag-never-set getstates\ndriver-status -17\n");
    std::array<unsigned char, kDriverStatesSize> states{};
    EXPECT_FALSE(call(ConfigCommand::GetStates, states));
    EXPECT_EQ(readInt32(states, 0), -17) << "the command itself ran";
    std::array<unsigned char, 4> answer{};
    EXPECT_TRUE(call(ConfigCommand::Reconfigurable, answer)) << "other commands are unaffected";
}

TEST_F(RundllTest, ACrashingEntryPointDiesFromASignalBeforeTouchingMemory) {
    describe("fault entry-crashes\n");
    Blocks blocks(kDriverStatesSize);
    std::memset(blocks.dataPtr, 0x5A, kDriverStatesSize);
    const auto result =
        runProcess({rundll(), "qorva.DRV,DriverConfig", "getstates",
                    "$" + formatAddress(blocks.data), "#" + formatAddress(blocks.flag)});
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_NE(result.signal, 0);
    EXPECT_EQ(blocks.dataPtr[0], 0x5A);
    EXPECT_EQ(blocks.flagValue(), 0u);
}

TEST_F(RundllTest, AHangingEntryPointNeverSetsTheFlagAndCanBeEnded) {
    describe("fault entry-hangs getconfig\n");
    Blocks blocks(kDriverConfigSize);
    const auto params = commandLine(ConfigCommand::GetConfig, blocks.data, blocks.flag);
    HINSTANCE token =
        ShellExecuteA(nullptr, nullptr, "rundll.exe", params.c_str(), "", SW_SHOWDEFAULT);
    ASSERT_GT(reinterpret_cast<std::uintptr_t>(token), 32u);
    ::usleep(300 * 1000);
    EXPECT_TRUE(platform::shellProcessRunning(token));
    EXPECT_EQ(blocks.flagValue(), 0u);
    platform::shellTerminateProcess(token);
    EXPECT_FALSE(platform::shellProcessRunning(token));
    EXPECT_EQ(blocks.flagValue(), 0u);
}

} // namespace

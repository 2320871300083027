#include "random_config.h"
#include "simcard/config_commands.h"
#include "support/build_paths.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

using namespace simcard;
using simcard_test::randomConfig;

std::span<const unsigned char> card(const DriverConfig& config, std::size_t n) {
    return std::span(config.data() + n * kCardConfigSize, kCardConfigSize);
}

TEST(DefaultSettings, AreSensibleAndMarkTheBytesNoFieldNames) {
    const DriverConfig config = defaultDriverConfig();
    for (std::size_t n = 0; n < 4; ++n) {
        const auto record = card(config, n);
        EXPECT_EQ(readInt32(record, kDefaultRate), 44100);
        EXPECT_EQ(readInt32(record, kGsifKerning), 3);
        EXPECT_EQ(readInt32(record, kGsifPreload), 8);
        EXPECT_EQ(readInt32(record, kRestrictedDevice), -1);
        EXPECT_NE(readInt32(record, kRateMessages), 0);
        EXPECT_EQ(readInt32(record, kMaster) != 0, n == 0) << "card 0 is the SyncBus master";
        EXPECT_EQ(readInt32(record, kRemovalNotice), 0);
        EXPECT_EQ(readInt32(record, kDsLatency), 0);
        for (std::size_t offset : {4u, 16u, 27u, 32u, 56u, 64u, 76u, 116u, 136u, 139u}) {
            EXPECT_EQ(record[offset], 0x80 | ((offset + 7 * n) & 0x7F)) << n << ":" << offset;
        }
    }
    EXPECT_NE(card(config, 1)[4], card(config, 0)[4]) << "cards are told apart";
}

class ConfigCommandTest : public ::testing::Test {
protected:
    bool run(ConfigCommand command, std::span<unsigned char> record,
             const HardwareDescription& description = {}) {
        return runConfigCommand(command, record, description, store_, warning_, error_);
    }
    orv_test::TempDir dir_;
    SettingsStore store_{dir_.path() / "settings"};
    std::string warning_;
    std::string error_;
};

TEST_F(ConfigCommandTest, GetStatesAndReconfigurableAnswerFromTheDescription) {
    HardwareDescription description;
    description.driverStatus = -7;
    description.cardStatus = {-30, 0, -25, 0};
    std::array<unsigned char, kDriverStatesSize> states{};
    states.fill(0xEE);
    ASSERT_TRUE(run(ConfigCommand::GetStates, states, description));
    EXPECT_EQ(readInt32(states, 0), -7);
    EXPECT_EQ(readInt32(states, 4), -30);
    EXPECT_EQ(readInt32(states, 8), 0);
    EXPECT_EQ(readInt32(states, 12), -25);
    EXPECT_EQ(readInt32(states, 16), 0);

    std::array<unsigned char, 4> answer{};
    ASSERT_TRUE(run(ConfigCommand::Reconfigurable, answer, description));
    EXPECT_NE(readInt32(answer, 0), 0);
    description.inUse = true;
    answer.fill(0xFF);
    ASSERT_TRUE(run(ConfigCommand::Reconfigurable, answer, description));
    EXPECT_EQ(readInt32(answer, 0), 0) << "in use: the settings may not change";
}

TEST_F(ConfigCommandTest, OnTheFlyChangesTheGsifFieldsOfEveryCardOnly) {
    DriverConfig config = randomConfig(3);
    ASSERT_TRUE(run(ConfigCommand::SetConfig, config)) << error_;
    std::array<unsigned char, kGsifOnTheFlySize> onTheFly{};
    writeInt32(onTheFly, kOnTheFlyKerning, 1);
    writeInt32(onTheFly, kOnTheFlyPreload, 20);
    ASSERT_TRUE(run(ConfigCommand::SetConfigOnTheFly, onTheFly)) << error_;
    DriverConfig read{};
    ASSERT_TRUE(run(ConfigCommand::GetConfig, read));
    for (std::size_t n = 0; n < 4; ++n) {
        writeInt32(std::span(config.data() + n * kCardConfigSize, kCardConfigSize), kGsifKerning,
                   1);
        writeInt32(std::span(config.data() + n * kCardConfigSize, kCardConfigSize), kGsifPreload,
                   20);
    }
    EXPECT_EQ(read, config);
}

TEST(CompletionFlag, IsSetToOneAlsoAtAnOddOffset) {
    alignas(8) unsigned char bytes[12] = {};
    setCompletionFlag(bytes);
    EXPECT_EQ(readInt32(bytes, 0), 1);
    setCompletionFlag(bytes + 5);
    EXPECT_EQ(readInt32(bytes, 5), 1);
    EXPECT_EQ(bytes[9], 0);
}

} // namespace

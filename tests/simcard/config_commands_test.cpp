#include "simcard/config_commands.h"
#include "support/build_paths.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

namespace {

using namespace simcard;

std::span<const unsigned char> card(const DriverConfig& config, std::size_t n) {
    return std::span(config.data() + n * kCardConfigSize, kCardConfigSize);
}

DriverConfig randomConfig(unsigned seed) {
    std::mt19937 rng(seed);
    DriverConfig config;
    for (auto& byte : config) {
        byte = static_cast<unsigned char>(rng());
    }
    return config;
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

class SettingsStoreTest : public ::testing::Test {
protected:
    orv_test::TempDir dir_;
    SettingsStore store_{dir_.path() / "sub" / "settings"};
    std::string warning_;
    std::string error_;
};

TEST_F(SettingsStoreTest, KeepsEveryByteAsWritten) {
    EXPECT_EQ(store_.load(warning_), defaultDriverConfig()) << "nothing stored yet";
    EXPECT_TRUE(warning_.empty()) << warning_;
    const DriverConfig config = randomConfig(1);
    ASSERT_TRUE(store_.save(config, error_)) << error_;
    EXPECT_EQ(SettingsStore(store_.file()).load(warning_), config);
    EXPECT_TRUE(warning_.empty()) << warning_;
    struct stat st {};
    ASSERT_EQ(::stat(store_.file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    for (const auto& entry : std::filesystem::directory_iterator(store_.file().parent_path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos)
            << "no temporary file is left behind";
    }
}

TEST_F(SettingsStoreTest, MovesADamagedFileAsideAndServesTheDefaults) {
    ASSERT_TRUE(store_.save(randomConfig(2), error_)) << error_;
    const std::string good = orv_test::readFile(store_.file());
    std::string flipped = good;
    flipped[100] ^= 1;
    for (const std::string& damaged :
         {flipped, good.substr(0, 300), std::string("text"), good + "x", std::string()}) {
        std::ofstream(store_.file(), std::ios::binary | std::ios::trunc) << damaged;
        warning_.clear();
        EXPECT_EQ(store_.load(warning_), defaultDriverConfig());
        EXPECT_NE(warning_.find("damaged settings file"), std::string::npos) << warning_;
        EXPECT_FALSE(std::filesystem::exists(store_.file()));
        bool keptAside = false;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path() / "sub")) {
            if (entry.path().filename().string().find(".broken-") != std::string::npos) {
                keptAside = orv_test::readFile(entry.path()) == damaged;
                std::filesystem::remove(entry.path());
            }
        }
        EXPECT_TRUE(keptAside) << "the damaged file is kept for a look";
    }
}

TEST_F(SettingsStoreTest, ReportsSettingsThatCannotBeStored) {
    std::ofstream(dir_.path() / "file") << "x";
    const SettingsStore blocked(dir_.path() / "file" / "settings");
    EXPECT_FALSE(blocked.save(defaultDriverConfig(), error_));
    EXPECT_NE(error_.find("settings"), std::string::npos) << error_;
    error_.clear();
    EXPECT_FALSE(blocked.update([](DriverConfig&) {}, warning_, error_));
    EXPECT_FALSE(error_.empty());
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

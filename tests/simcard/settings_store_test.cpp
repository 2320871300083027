// The simulated card's settings file: every byte kept, damaged or strange files moved aside (never
// replacing one moved before), no blocking on a FIFO, and saves killed at any moment.
#include "random_config.h"
#include "simcard/settings_store.h"
#include "support/temp_dir.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace {

using namespace simcard;
using simcard_test::randomConfig;
namespace fs = std::filesystem;

class SettingsStoreTest : public ::testing::Test {
protected:
    // The files in the store's folder whose names contain part, by name.
    std::vector<fs::path> filesWith(const std::string& part) const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(store_.file().parent_path())) {
            if (entry.path().filename().string().find(part) != std::string::npos) {
                found.push_back(entry.path());
            }
        }
        std::sort(found.begin(), found.end());
        return found;
    }

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

TEST_F(SettingsStoreTest, DamagedFilesMovedAsideInOneSecondAreAllKept) {
    ASSERT_TRUE(store_.save(randomConfig(4), error_)) << error_;
    const std::vector<std::string> damaged = {"first", "second", "third"};
    for (const std::string& bytes : damaged) {
        std::ofstream(store_.file(), std::ios::binary | std::ios::trunc) << bytes;
        warning_.clear();
        EXPECT_EQ(store_.load(warning_), defaultDriverConfig());
    }
    std::multiset<std::string> kept;
    for (const auto& file : filesWith(".broken-")) {
        kept.insert(orv_test::readFile(file));
    }
    EXPECT_EQ(kept, std::multiset<std::string>(damaged.begin(), damaged.end()))
        << "a damaged file moved aside replaced an earlier one";
}

TEST_F(SettingsStoreTest, FifoInPlaceOfTheFileNeitherBlocksNorStays) {
    fs::create_directories(store_.file().parent_path());
    ASSERT_EQ(::mkfifo(store_.file().c_str(), 0600), 0);
    auto loading = std::async(std::launch::async, [&] { return store_.load(warning_); });
    if (loading.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        // Let the reader go: opening the other end ends its wait.
        const int writer = ::open(store_.file().c_str(), O_WRONLY | O_NONBLOCK);
        ::close(writer); // and closing it ends a read with nothing
        loading.wait();
        FAIL() << "reading the settings blocked on a FIFO";
    }
    EXPECT_EQ(loading.get(), defaultDriverConfig());
    EXPECT_NE(warning_.find("not a regular file"), std::string::npos) << warning_;
    const auto aside = filesWith(".broken-");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_TRUE(fs::is_fifo(aside[0])) << "kept as it was";

    // The next change finds no obstacle.
    ASSERT_EQ(::mkfifo(store_.file().c_str(), 0600), 0);
    warning_.clear();
    const DriverConfig config = randomConfig(5);
    ASSERT_TRUE(store_.update([&](DriverConfig& c) { c = config; }, warning_, error_)) << error_;
    EXPECT_EQ(store_.load(warning_), config);
    EXPECT_EQ(filesWith(".broken-").size(), 2u);
}

TEST_F(SettingsStoreTest, TemporariesOfDeadProcessesAreRemovedBySaving) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0); // its process id now names no process
    fs::create_directories(store_.file().parent_path());
    const std::string base = store_.file().string();
    const std::string dead = base + ".tmp-" + std::to_string(child);
    const std::string living = base + ".tmp-" + std::to_string(::getppid());
    const std::string other = base + ".tmp-notanumber";
    for (const auto& name : {dead, living, other}) {
        std::ofstream(name) << "half a save";
    }
    ASSERT_TRUE(store_.save(randomConfig(6), error_)) << error_;
    EXPECT_FALSE(fs::exists(dead)) << "left by a save that was killed";
    EXPECT_TRUE(fs::exists(living)) << "its process may still be saving";
    EXPECT_TRUE(fs::exists(other));
}

// Settings of generation g: the generation in the first bytes, the rest derived from it.
DriverConfig generationConfig(std::uint32_t generation) {
    DriverConfig config;
    for (std::size_t i = 0; i < config.size(); ++i) {
        config[i] = static_cast<unsigned char>(generation * 131 + i * 7);
    }
    std::memcpy(config.data(), &generation, sizeof generation);
    return config;
}

std::uint32_t generationOf(const DriverConfig& config) {
    std::uint32_t generation = 0;
    std::memcpy(&generation, config.data(), sizeof generation);
    return generation;
}

TEST_F(SettingsStoreTest, SavesKilledAtAnyMomentLeaveOldOrNewSettingsAndNoTemporaries) {
    const unsigned seed = static_cast<unsigned>(std::random_device{}());
    std::mt19937 rng(seed);
    ASSERT_TRUE(store_.save(generationConfig(1), error_)) << error_;
    constexpr int kKills = 60;
    std::uint32_t last = 1;
    int leftTemporaries = 0;
    for (int round = 0; round < kKills; ++round) {
        const pid_t saver = ::fork();
        if (saver == 0) {
            for (;;) { // saves generation after generation until killed
                std::string warning;
                std::string error;
                if (!store_.update(
                        [](DriverConfig& c) { c = generationConfig(generationOf(c) + 1); }, warning,
                        error) ||
                    !warning.empty()) {
                    ::_exit(3);
                }
            }
        }
        ASSERT_GT(saver, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(200 + rng() % 60000));
        ::kill(saver, SIGKILL);
        int status = 0;
        ::waitpid(saver, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver failed on its own, round " << round;
        leftTemporaries += filesWith(".tmp-").empty() ? 0 : 1;

        warning_.clear();
        const DriverConfig stored = store_.load(warning_);
        ASSERT_TRUE(warning_.empty())
            << warning_ << " (round " << round << ", seed " << seed << ")";
        const std::uint32_t generation = generationOf(stored);
        ASSERT_EQ(stored, generationConfig(generation)) << "a mix of two saves, round " << round;
        ASSERT_GE(generation, last) << "a finished save was lost, round " << round;
        last = generation;
    }
    ASSERT_TRUE(store_.update([](DriverConfig&) {}, warning_, error_)) << error_;
    EXPECT_TRUE(filesWith(".tmp-").empty()) << "a killed save's temporary stayed";
    EXPECT_TRUE(filesWith(".broken-").empty());
    EXPECT_GT(last, 1u) << "no save finished in any round";
    std::printf("%d kills, %u saves, %d kills left a temporary (removed by the next save)\n",
                kKills, last - 1, leftTemporaries);
}

} // namespace

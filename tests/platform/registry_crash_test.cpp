// The store under real processes: a writer killed in the middle of its saves, and two writers at
// once.
#include "helpers/registry_crash_state.h"
#include "registry_test_support.h"
#include "support/build_paths.h"
#include "support/process.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <random>
#include <thread>

namespace {

namespace fs = std::filesystem;

class RegistryProcesses : public orv_test::RegistryTest {
protected:
    // The generation whose state the store holds (0 when nothing was ever saved), after checking
    // that every value, the long string and the subkey belong to that one generation.
    long long storedGeneration() {
        platform::registryCloseStore(); // open the file afresh, as a new program would
        HKEY key = nullptr;
        LSTATUS rc = RegOpenKeyExA(HKEY_CURRENT_USER, orv_test::kCrashKey, 0, KEY_READ, &key);
        if (rc == ERROR_FILE_NOT_FOUND) {
            return 0;
        }
        EXPECT_EQ(rc, ERROR_SUCCESS);
        const long long generation = readDword(key, "Generation");
        if (generation == -1) {
            EXPECT_EQ(readString(key, "Title"), "<missing>") << "a save was half done";
            RegCloseKey(key);
            return 0;
        }
        EXPECT_GT(generation, 0);
        for (const auto& value : orv_test::crashState(static_cast<DWORD>(generation))) {
            if (value.isString) {
                EXPECT_EQ(readString(key, value.name.c_str()), value.text)
                    << value.name << " of generation " << generation;
            } else {
                EXPECT_EQ(readDword(key, value.name.c_str()), value.number)
                    << value.name << " of generation " << generation;
            }
        }
        HKEY sub = nullptr;
        EXPECT_EQ(RegOpenKeyExA(key, orv_test::kCrashSubkey, 0, KEY_READ, &sub), ERROR_SUCCESS);
        EXPECT_EQ(readString(sub, "State"), std::to_string(generation));
        RegCloseKey(sub);
        RegCloseKey(key);
        return generation;
    }

    bool anyBrokenFile() const {
        for (const auto& entry : fs::directory_iterator(dir_)) {
            if (entry.path().filename().string().find(".broken-") != std::string::npos) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(RegistryProcesses, KilledWriterLeavesTheOldOrTheNewStateNeverAMix) {
    const unsigned seed = static_cast<unsigned>(std::random_device{}());
    std::printf("seed %u\n", seed);
    std::mt19937 rng(seed);
    long long committed = 0; // the newest generation known to be committed
    int inFlightFound = 0;   // kills after a commit but before its report
    constexpr int kRounds = 50;
    for (int round = 0; round < kRounds; ++round) {
        orv_test::ChildProcess writer(
            {orv_test::program("platform_registry_writer"), "save-loop", path_});
        ASSERT_TRUE(writer.started());
        std::string line;
        // Every fifth round kills the writer early: while it opens the store or in its first
        // save. The others let it save for a while.
        const bool early = round % 5 == 0;
        if (!early) {
            ASSERT_TRUE(writer.readLine(line, 20000)) << "the writer saved nothing";
            ASSERT_EQ(line.rfind("error", 0), std::string::npos) << line;
            committed = std::stoll(line);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % (early ? 5000 : 30000)));
        writer.kill(SIGKILL);
        const int status = writer.wait();
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself: " << status;
        while (writer.readLine(line, 1000)) {
            ASSERT_EQ(line.rfind("error", 0), std::string::npos) << line;
            committed = std::stoll(line);
        }

        const long long stored = storedGeneration();
        if (HasFailure()) {
            FAIL() << "round " << round << ", seed " << seed;
        }
        // Every reported save is there; at most the save in flight got in besides.
        EXPECT_GE(stored, committed) << "a committed save was lost in round " << round;
        EXPECT_LE(stored, committed + 1) << "round " << round;
        if (stored == committed + 1) {
            ++inFlightFound;
        }
        committed = stored;
    }
    std::printf("%d kills, %lld saves survived, %d kills landed between commit and report\n",
                kRounds, committed, inFlightFound);
    EXPECT_GT(committed, kRounds / 2);
    EXPECT_FALSE(anyBrokenFile()) << "a killed writer left a damaged store";
}

TEST_F(RegistryProcesses, TwoWritersAtOnceLoseNothing) {
    constexpr int kEach = 80;
    orv_test::ChildProcess first(
        {orv_test::program("platform_registry_writer"), "count", path_, "a", "80"});
    orv_test::ChildProcess second(
        {orv_test::program("platform_registry_writer"), "count", path_, "b", "80"});
    std::string line;
    ASSERT_TRUE(first.readLine(line, 60000));
    EXPECT_EQ(line, "done");
    ASSERT_TRUE(second.readLine(line, 60000));
    EXPECT_EQ(line, "done");
    EXPECT_EQ(WEXITSTATUS(first.wait()), 0);
    EXPECT_EQ(WEXITSTATUS(second.wait()), 0);

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\Count", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    // Each batch read the counter and wrote it back: no increment of the other was lost.
    EXPECT_EQ(readDword(key, "Counter"), 2 * kEach);
    for (int i = 0; i < kEach; ++i) {
        EXPECT_EQ(readDword(key, ("a-" + std::to_string(i)).c_str()), i);
        EXPECT_EQ(readDword(key, ("b-" + std::to_string(i)).c_str()), i);
    }
    RegCloseKey(key);
}

} // namespace

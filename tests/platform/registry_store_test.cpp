// The store file: what is taken for a store, what is moved aside (and reported), and what happens
// when no store can be opened at all.
#include "registry_test_support.h"

#include <fstream>
#include <iterator>
#include <sqlite3.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class RegistryStoreFile : public orv_test::RegistryTest {
protected:
    void writeFile(const std::string& bytes) {
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
    }

    static std::string readFile(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::vector<fs::path> brokenFiles() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            const std::string name = entry.path().filename().string();
            if (name.find(".broken-") != std::string::npos &&
                name.find("-wal") == std::string::npos) {
                found.push_back(entry.path());
            }
        }
        return found;
    }

    // Writes a store with some content through the registry calls and closes it, so that the
    // whole store is in the main file.
    void makeStore() {
        HKEY key = createKey(HKEY_CURRENT_USER, "software\\Kelvra\\qorvamix.ini\\ADAT Inputs");
        for (int i = 0; i < 200; ++i) {
            const std::string name = "value" + std::to_string(i);
            ASSERT_EQ(
                setString(key, name.c_str(), std::string(100, static_cast<char>('a' + i % 26))),
                ERROR_SUCCESS);
        }
        RegCloseKey(key);
        platform::registryCloseStore();
        ASSERT_FALSE(fs::exists(path_ + "-wal")) << "the last close checkpoints the store";
    }

    void runSql(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    // Opens the store through a registry call and checks that it works and is new.
    void expectFreshWorkingStore() {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software", 0, KEY_READ, &key),
                  ERROR_FILE_NOT_FOUND);
        key = createKey(HKEY_CURRENT_USER, "software\\After");
        EXPECT_EQ(setDword(key, "Top", 5), ERROR_SUCCESS);
        EXPECT_EQ(readDword(key, "Top"), 5);
        RegCloseKey(key);
    }

    // The bad file is moved aside unchanged, reported once, and a new store takes its place.
    void expectMovedAside(const std::string& original, const std::string& reason) {
        testing::internal::CaptureStderr();
        expectFreshWorkingStore();
        platform::registryCloseStore();
        HKEY key = nullptr; // the new store is kept from now on
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\After", 0, KEY_READ, &key),
                  ERROR_SUCCESS);
        EXPECT_EQ(readDword(key, "Top"), 5);
        RegCloseKey(key);
        const std::string report = testing::internal::GetCapturedStderr();
        const auto broken = brokenFiles();
        ASSERT_EQ(broken.size(), 1u);
        EXPECT_EQ(readFile(broken[0]), original) << "the bad file must be kept as it was";
        EXPECT_NE(report.find(broken[0].string()), std::string::npos) << report;
        EXPECT_NE(report.find(reason), std::string::npos) << report;
        EXPECT_EQ(report.find("orvane:"), report.rfind("orvane:")) << "reported once: " << report;
    }
};

TEST_F(RegistryStoreFile, TextFileIsMovedAside) {
    const std::string text = "[ADAT Inputs]\nTop=10\n";
    writeFile(text);
    expectMovedAside(text, "not a database");
}

TEST_F(RegistryStoreFile, ForeignDatabaseIsMovedAside) {
    runSql("CREATE TABLE settings(name TEXT, value TEXT); INSERT INTO settings VALUES('a', 'b');");
    expectMovedAside(readFile(path_), "not a settings store");
}

TEST_F(RegistryStoreFile, StoreOfAnotherVersionIsMovedAside) {
    makeStore();
    runSql("PRAGMA user_version = 2");
    expectMovedAside(readFile(path_), "version 2");
}

TEST_F(RegistryStoreFile, StoreWithAlteredTablesIsMovedAside) {
    makeStore();
    runSql("CREATE TABLE extra(x)");
    expectMovedAside(readFile(path_), "unexpected tables");
}

TEST_F(RegistryStoreFile, DamagedStoreIsMovedAside) {
    makeStore();
    std::string bytes = readFile(path_);
    ASSERT_GT(bytes.size(), 3u * 4096);
    // Scramble the header and cell pointers of every page after the first, as torn writes
    // would. (Damage inside a value's bytes cannot be seen: SQLite keeps no checksums.)
    for (std::size_t page = 4096; page < bytes.size(); page += 4096) {
        for (std::size_t i = page; i < page + 24; ++i) {
            bytes[i] = static_cast<char>(bytes[i] * 7 + 13);
        }
    }
    writeFile(bytes);
    expectMovedAside(bytes, "damaged");
}

TEST_F(RegistryStoreFile, TruncatedStoreIsMovedAside) {
    makeStore();
    const std::string bytes = readFile(path_).substr(0, 2 * 4096 + 1000);
    writeFile(bytes);
    expectMovedAside(bytes, "malformed");
}

TEST_F(RegistryStoreFile, EmptyFileBecomesAStore) {
    writeFile("");
    testing::internal::CaptureStderr();
    expectFreshWorkingStore();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(brokenFiles().empty());
}

TEST_F(RegistryStoreFile, GoodStoreIsKept) {
    makeStore();
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\Kelvra\\qorvamix.ini\\ADAT Inputs", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(readString(key, "value27"), std::string(100, 'b'));
    RegCloseKey(key);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(brokenFiles().empty());
}

TEST_F(RegistryStoreFile, StoreThatCannotBeOpenedGivesErrorsAndIsRetried) {
    // The store's path is a folder: nothing can be opened there, and nothing is moved.
    fs::create_directory(path_);
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_CANTWRITE);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software", 0, KEY_READ, &key), ERROR_CANTREAD);
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, "v", 1), ERROR_CANTWRITE);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, "v", nullptr, nullptr, nullptr, &size),
              ERROR_CANTREAD);
    char name[8];
    DWORD nameSize = sizeof name;
    EXPECT_EQ(
        RegEnumKeyExA(HKEY_CURRENT_USER, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
        ERROR_CANTREAD);
    {
        platform::RegistryBatch batch;
        EXPECT_EQ(batch.commit(), ERROR_CANTWRITE);
    }
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("settings store unavailable"), std::string::npos) << report;
    EXPECT_EQ(report.find("orvane:"), report.rfind("orvane:")) << "reported once: " << report;
    EXPECT_TRUE(fs::is_directory(path_));
    EXPECT_TRUE(brokenFiles().empty());

    // A folder that cannot be created either.
    ::setenv("ORVANE_REGISTRY", "/proc/orvane-none/registry.db", 1);
    platform::registryCloseStore();
    testing::internal::CaptureStderr();
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, "v", 1), ERROR_CANTWRITE);
    testing::internal::GetCapturedStderr();

    // Once the obstacle is gone, the next call opens the store.
    ::setenv("ORVANE_REGISTRY", path_.c_str(), 1);
    fs::remove(path_);
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, "v", 1), ERROR_SUCCESS);
    EXPECT_EQ(readDword(HKEY_CURRENT_USER, "v"), 1);
}

} // namespace

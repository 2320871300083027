// The registry calls on the settings store: keys, values, sizes, handles, access, enumeration,
// deletion and batches.
#include "registry_test_support.h"

#include <atomic>
#include <chrono>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

using Registry = orv_test::RegistryTest;

std::vector<std::string> subkeys(HKEY key) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        LSTATUS rc = RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) {
            EXPECT_EQ(rc, ERROR_NO_MORE_ITEMS);
            return names;
        }
        EXPECT_EQ(size, std::strlen(name));
        names.emplace_back(name);
    }
}

TEST_F(Registry, KeysAreCreatedWithIntermediatesAndFoundWithoutRegardToCase) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software\\Kelvra\\qorvamix.ini\\ADAT Inputs", 0,
                              nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(setDword(key, "Top", 12), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\kelvra\\QORVAMIX.INI\\adat inputs", 0,
                              nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(readDword(key, "TOP"), 12);
    RegCloseKey(key);

    // Empty components are ignored; names keep the case of their creation.
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "\\Software\\\\KELVRA\\", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys(key), std::vector<std::string>{"qorvamix.ini"});
    RegCloseKey(key);
    EXPECT_EQ(subkeys(HKEY_CURRENT_USER), std::vector<std::string>{"software"});

    key = reinterpret_cast<HKEY>(0x1);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\Nobody", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    // A null or empty subkey opens another handle on the same key.
    HKEY same = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, nullptr, 0, KEY_READ, &same), ERROR_SUCCESS);
    EXPECT_EQ(subkeys(same), std::vector<std::string>{"software"});
    RegCloseKey(same);

    // Key names are at most 255 characters.
    const std::string tooLong(256, 'k');
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, tooLong.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, nullptr, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "a", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, ValuesKeepTheirKindAndReportTheirSizes) {
    HKEY key = createKey(HKEY_CURRENT_USER, "software\\Kelvra\\qorvamix.ini\\Control");
    ASSERT_EQ(setDword(key, "Left", 0xFFFFFFF6), ERROR_SUCCESS);
    ASSERT_EQ(setString(key, "chkAdatInputs", "1"), ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExA(key, "chkadatinputs", nullptr, &type, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 2u);
    char small[1] = {'x'};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "chkAdatInputs", nullptr, &type, reinterpret_cast<BYTE*>(small),
                               &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(readString(key, "chkAdatInputs"), "1");
    EXPECT_EQ(readDword(key, "Left"), 0xFFFFFFF6);
    // Existence test without type or data.
    EXPECT_EQ(RegQueryValueExA(key, "Left", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "Right", nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);

    // The store keeps what it is told: a value written with another kind changes kind.
    ASSERT_EQ(setString(key, "LEFT", "-10"), ERROR_SUCCESS);
    EXPECT_EQ(readString(key, "Left"), "-10");
    EXPECT_EQ(readDword(key, "Left"), -2);

    // Strings: an empty string, one without a terminator in its size, one with an inner zero.
    ASSERT_EQ(setString(key, "Empty", ""), ERROR_SUCCESS);
    EXPECT_EQ(readString(key, "Empty"), "");
    ASSERT_EQ(RegSetValueExA(key, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3),
              ERROR_SUCCESS);
    EXPECT_EQ(readString(key, "Bare"), "abc");
    ASSERT_EQ(RegSetValueExA(key, "Inner", 0, REG_SZ, reinterpret_cast<const BYTE*>("ab\0cd"), 6),
              ERROR_SUCCESS);
    EXPECT_EQ(readString(key, "Inner"), "ab");
    // The default value has no name.
    ASSERT_EQ(setString(key, nullptr, "default"), ERROR_SUCCESS);
    EXPECT_EQ(readString(key, ""), "default");

    // A value of 1 MiB is kept whole.
    std::string big(1 << 20, 'x');
    for (std::size_t i = 0; i < big.size(); i += 97) {
        big[i] = static_cast<char>('a' + i % 26);
    }
    big.pop_back();
    ASSERT_EQ(setString(key, "Big", big), ERROR_SUCCESS);
    EXPECT_EQ(readString(key, "Big"), big);

    // What the store cannot keep as told is refused, and nothing is written.
    const DWORD three = 3;
    const auto* bytes = reinterpret_cast<const BYTE*>(&three);
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_DWORD, bytes, 3), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key, "v", 0, 3 /* REG_BINARY */, bytes, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, nullptr, 2), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, bytes, (1 << 20) + 1), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(setString(key, std::string(16384, 'n').c_str(), "x"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(readDword(key, "v"), -1);
    EXPECT_EQ(setString(key, std::string(16383, 'n').c_str(), "x"), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(Registry, HandlesAreValidatedAndKeepTheirAccess) {
    HKEY key = createKey(HKEY_CURRENT_USER, "software\\Test");
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(setDword(key, "v", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(readDword(key, "v"), -3);
    EXPECT_EQ(RegDeleteValueA(key, "v"), ERROR_INVALID_HANDLE);
    HKEY sub = nullptr;
    EXPECT_EQ(RegOpenKeyExA(key, nullptr, 0, KEY_READ, &sub), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExA(nullptr, "software", 0, KEY_READ, &sub), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExA(reinterpret_cast<HKEY>(0x80000002), "software", 0, KEY_READ, &sub),
              ERROR_INVALID_HANDLE); // HKEY_LOCAL_MACHINE is not kept
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);

    // A handle only does what it was opened for.
    HKEY reader = nullptr;
    HKEY writer = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\Test", 0, KEY_READ, &reader),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\Test", 0, KEY_WRITE, &writer),
              ERROR_SUCCESS);
    EXPECT_NE(reader, writer);
    EXPECT_EQ(setDword(reader, "v", 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(setDword(writer, "v", 1), ERROR_SUCCESS);
    EXPECT_EQ(readDword(writer, "v"), -3);
    EXPECT_EQ(readDword(reader, "v"), 1);
    EXPECT_EQ(RegCreateKeyExA(reader, "new", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_ACCESS_DENIED);
    HKEY most = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\Test", 0, MAXIMUM_ALLOWED, &most),
              ERROR_SUCCESS);
    EXPECT_EQ(setDword(most, "m", 1), ERROR_SUCCESS);
    EXPECT_EQ(readDword(most, "m"), 1);
    RegCloseKey(most);

    // A key deleted under an open handle.
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\TEST"), ERROR_SUCCESS);
    EXPECT_EQ(readDword(reader, "v"), -3);
    EXPECT_EQ(setDword(writer, "v", 2), ERROR_KEY_DELETED);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(reader, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    // Recreating the key does not revive the old handles.
    HKEY again = createKey(HKEY_CURRENT_USER, "software\\Test");
    EXPECT_EQ(setDword(writer, "v", 3), ERROR_KEY_DELETED);
    EXPECT_EQ(readDword(again, "v"), -1);
    RegCloseKey(reader);
    RegCloseKey(writer);
    RegCloseKey(again);

    // Closing the store invalidates every handle; handle values are not reused.
    HKEY before = createKey(HKEY_CURRENT_USER, "software\\Test");
    platform::registryCloseStore();
    EXPECT_EQ(readDword(before, "v"), -3);
    HKEY after = createKey(HKEY_CURRENT_USER, "software\\Test");
    EXPECT_NE(before, after);
    RegCloseKey(after);
}

TEST_F(Registry, DeletionAndEnumeration) {
    HKEY parent = createKey(HKEY_CURRENT_USER, "software\\Kelvra");
    HKEY child = createKey(parent, "qorvamix.ini");
    ASSERT_EQ(setDword(child, "b", 2), ERROR_SUCCESS);
    ASSERT_EQ(setString(child, "A", "one"), ERROR_SUCCESS);
    ASSERT_EQ(setDword(child, "c", 3), ERROR_SUCCESS);

    // Values in name order, ASCII case ignored.
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[16];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        BYTE data[8];
        DWORD dataSize = sizeof data;
        LSTATUS rc = RegEnumValueA(child, i, name, &nameSize, nullptr, &type, data, &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) {
            break;
        }
        ASSERT_EQ(rc, ERROR_SUCCESS);
        names.push_back(name + std::string(":") + std::to_string(type) + ":" +
                        std::to_string(dataSize));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A:1:4", "b:4:4", "c:4:4"}));
    char tiny[1];
    DWORD tinySize = sizeof tiny;
    EXPECT_EQ(RegEnumValueA(child, 0, tiny, &tinySize, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    char name[8];
    DWORD nameSize = sizeof name;
    BYTE data[2];
    DWORD dataSize = sizeof data;
    EXPECT_EQ(RegEnumValueA(child, 0, name, &nameSize, nullptr, nullptr, data, &dataSize),
              ERROR_MORE_DATA);
    EXPECT_EQ(dataSize, 4u);

    // A key with subkeys stays; a value or a leaf key goes.
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "software\\Kelvra"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED); // the root
    ASSERT_EQ(RegDeleteValueA(child, "B"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(child, "b"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(readDword(child, "b"), -1);
    ASSERT_EQ(RegDeleteKeyA(parent, "QORVAMIX.INI"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(parent, "qorvamix.ini"), ERROR_FILE_NOT_FOUND);
    HKEY recreated = createKey(parent, "qorvamix.ini");
    EXPECT_EQ(readString(recreated, "A"), "<missing>") << "values go with their key";
    RegCloseKey(recreated);
    // An empty subkey deletes the handle's own key.
    ASSERT_EQ(RegDeleteKeyA(parent, "qorvamix.ini"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(parent, ""), ERROR_SUCCESS);
    EXPECT_EQ(subkeys(HKEY_CURRENT_USER), std::vector<std::string>{"software"});
    HKEY software = createKey(HKEY_CURRENT_USER, "software");
    EXPECT_TRUE(subkeys(software).empty());
    RegCloseKey(software);
    RegCloseKey(child);
    RegCloseKey(parent);
}

TEST_F(Registry, ValuesPersistInAPrivateFile) {
    HKEY key = createKey(HKEY_CURRENT_USER, "software\\Kelvra\\qorvamix.ini\\ADAT Outputs");
    ASSERT_EQ(setDword(key, "Width", 644), ERROR_SUCCESS);
    ASSERT_EQ(setString(key, "Hints", "1"), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(platform::registryStorePath(), path_);
    platform::registryCloseStore();

    struct stat info {};
    ASSERT_EQ(::stat(path_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\Kelvra\\qorvamix.ini\\ADAT Outputs", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(readDword(key, "Width"), 644);
    EXPECT_EQ(readString(key, "Hints"), "1");
    RegCloseKey(key);

    // Without ORVANE_REGISTRY the store lives in the configuration folder.
    ::unsetenv("ORVANE_REGISTRY");
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    EXPECT_EQ(platform::registryStorePath(), (dir_ / "orvane" / "registry.db").string());
}

TEST_F(Registry, BatchWritesLandTogetherOrNotAtAll) {
    HKEY key = createKey(HKEY_CURRENT_USER, "software\\Batch");
    ASSERT_EQ(setDword(key, "Top", 1), ERROR_SUCCESS);
    {
        platform::RegistryBatch batch;
        ASSERT_EQ(setDword(key, "Top", 2), ERROR_SUCCESS);
        ASSERT_EQ(setDword(key, "Left", 2), ERROR_SUCCESS);
        EXPECT_EQ(readDword(key, "Top"), 2) << "a batch reads its own writes";
        // no commit: rolled back
    }
    EXPECT_EQ(readDword(key, "Top"), 1);
    EXPECT_EQ(readDword(key, "Left"), -1);

    std::atomic<bool> written{false};
    std::thread other;
    {
        platform::RegistryBatch outer;
        ASSERT_EQ(setDword(key, "Top", 3), ERROR_SUCCESS);
        {
            platform::RegistryBatch inner; // rolled back: only its own write goes
            ASSERT_EQ(setDword(key, "Left", 3), ERROR_SUCCESS);
        }
        {
            platform::RegistryBatch inner;
            ASSERT_EQ(setDword(key, "Width", 3), ERROR_SUCCESS);
            EXPECT_EQ(inner.commit(), ERROR_SUCCESS);
        }
        // A call that fails inside the batch leaves the rest in it.
        EXPECT_EQ(RegSetValueExA(key, "Bad", 0, REG_DWORD, nullptr, 4), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(RegDeleteValueA(key, "Nothing"), ERROR_FILE_NOT_FOUND);

        // Another thread's write waits for the batch to end.
        other = std::thread([&] {
            EXPECT_EQ(setDword(key, "Other", 1), ERROR_SUCCESS);
            written = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(written.load());
        EXPECT_EQ(outer.commit(), ERROR_SUCCESS);
        EXPECT_EQ(outer.commit(), ERROR_CANTWRITE) << "a batch commits once";
    }
    other.join();
    EXPECT_TRUE(written.load());
    platform::registryCloseStore();
    key = createKey(HKEY_CURRENT_USER, "software\\Batch");
    EXPECT_EQ(readDword(key, "Top"), 3);
    EXPECT_EQ(readDword(key, "Left"), -1);
    EXPECT_EQ(readDword(key, "Width"), 3);
    RegCloseKey(key);
}

} // namespace

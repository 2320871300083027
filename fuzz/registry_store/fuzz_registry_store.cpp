// Fuzz target: the input is the whole store file. The store is opened on it, read through every
// key and value, written and read back, and a key is deleted. It must never crash; a file it does
// not accept must be found, unchanged, under a ".broken-" name beside a new store that works; a
// file it accepts must take the writes.
#include "platform/registry.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

fs::path folder;
std::string storePath;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "registry store fuzz: %s\n", what);
        std::abort();
    }
}

// Reads every value of a key and walks its subkeys, with bounds on depth and count.
void walk(HKEY key, int depth, int& budget) {
    for (DWORD i = 0; budget > 0; ++i, --budget) {
        char name[16384];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        DWORD size = 0;
        LSTATUS rc = RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &size);
        if (rc != ERROR_SUCCESS) {
            break;
        }
        std::string data(size, '\0');
        DWORD got = size;
        rc =
            RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
        check(rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA || rc == ERROR_FILE_NOT_FOUND,
              "query of an enumerated value");
        if (rc == ERROR_SUCCESS) {
            check(got <= size, "value grew between size query and read");
            if (type == REG_SZ) {
                check(got > 0 && data[got - 1] == '\0', "string without terminating zero");
            }
        }
    }
    for (DWORD i = 0; depth < 8 && budget > 0; ++i, --budget) {
        char name[256];
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        HKEY sub = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            walk(sub, depth + 1, budget);
            RegCloseKey(sub);
        }
    }
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void clearFolder() {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        fs::remove(entry.path(), ec);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* base = fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    folder = fs::path(base) / ("orvane-registry-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    storePath = (folder / "registry.db").string();
    ::setenv("ORVANE_REGISTRY", storePath.c_str(), 1);
    std::atexit([] {
        std::error_code ec;
        fs::remove_all(folder, ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::registryCloseStore();
    clearFolder();
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::ofstream(storePath, std::ios::binary) << input;

    int budget = 500;
    walk(HKEY_CURRENT_USER, 0, budget);

    HKEY key = nullptr;
    LSTATUS rc = RegCreateKeyExA(HKEY_CURRENT_USER, "software\\Fuzz\\Key", 0, nullptr, 0,
                                 KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS) {
        const DWORD number = 0x12345678;
        const char text[] = "value";
        check(RegSetValueExA(key, "n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4) ==
                  ERROR_SUCCESS,
              "write a DWORD");
        check(RegSetValueExA(key, "s", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             sizeof text) == ERROR_SUCCESS,
              "write a string");
        DWORD back = 0;
        DWORD backSize = sizeof back;
        check(RegQueryValueExA(key, "N", nullptr, nullptr, reinterpret_cast<BYTE*>(&back),
                               &backSize) == ERROR_SUCCESS &&
                  back == number,
              "read the DWORD back");
        RegCloseKey(key);
        check(RegDeleteKeyA(HKEY_CURRENT_USER, "software\\fuzz\\key") == ERROR_SUCCESS,
              "delete the key");
    } else {
        // No store could be opened: the file must be left exactly as it was.
        check(readFile(storePath) == input, "a store that failed to open was changed");
    }

    // A file that was not accepted is kept, unchanged, beside the new store.
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".broken-") != std::string::npos && name.find("-wal") == std::string::npos) {
            check(readFile(entry.path()) == input, "the moved-aside file differs from the input");
            check(rc == ERROR_SUCCESS, "no working store after moving the file aside");
        }
    }
    return 0;
}

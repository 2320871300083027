// Writes to the settings store named on the command line, for the store's multi-process tests:
//   save-loop <store>          saves the crash-test state (registry_crash_state.h) with growing
//                              generations until killed; prints each generation once committed
//   count <store> <tag> <n>    n times: writes "<tag>-<i>" on its own, then increments "Counter"
//                              in a batch (read, pause 1 ms, write); prints "done"
// Exit code 3 on a registry error (printed as "error <where> <code>").
#include "registry_crash_state.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

[[noreturn]] void fail(const char* where, LSTATUS rc) {
    std::printf("error %s %ld\n", where, static_cast<long>(rc));
    std::fflush(stdout);
    std::exit(3);
}

void check(const char* where, LSTATUS rc) {
    if (rc != ERROR_SUCCESS) {
        fail(where, rc);
    }
}

LSTATUS setValue(HKEY key, const orv_test::CrashValue& value) {
    if (value.isString) {
        return RegSetValueExA(key, value.name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(value.text.c_str()),
                              static_cast<DWORD>(value.text.size() + 1));
    }
    return RegSetValueExA(key, value.name.c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&value.number), sizeof value.number);
}

DWORD readDword(HKEY key, const char* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    LSTATUS rc =
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    if (rc == ERROR_FILE_NOT_FOUND) {
        return 0;
    }
    check("read", rc);
    return value;
}

HKEY createKey(HKEY base, const char* path) {
    HKEY key = nullptr;
    check("create", RegCreateKeyExA(base, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr));
    return key;
}

void saveLoop() {
    HKEY key = createKey(HKEY_CURRENT_USER, orv_test::kCrashKey);
    for (DWORD generation = readDword(key, "Generation") + 1;; ++generation) {
        auto values = orv_test::crashState(generation);
        platform::RegistryBatch batch;
        // A different order every time, the subkey somewhere in between.
        for (std::size_t i = 0; i < values.size(); ++i) {
            check("set", setValue(key, values[(i + generation) % values.size()]));
            if (i == generation % values.size()) {
                LSTATUS rc = RegDeleteKeyA(key, orv_test::kCrashSubkey);
                if (rc != ERROR_FILE_NOT_FOUND) {
                    check("delete", rc);
                }
                HKEY sub = createKey(key, orv_test::kCrashSubkey);
                const std::string state = std::to_string(generation);
                check("sub", RegSetValueExA(sub, "State", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(state.c_str()),
                                            static_cast<DWORD>(state.size() + 1)));
                RegCloseKey(sub);
            }
        }
        check("commit", batch.commit());
        std::printf("%u\n", generation);
        std::fflush(stdout);
    }
}

void count(const std::string& tag, int n) {
    HKEY key = createKey(HKEY_CURRENT_USER, "software\\Count");
    for (int i = 0; i < n; ++i) {
        const std::string name = tag + "-" + std::to_string(i);
        const DWORD value = static_cast<DWORD>(i);
        check("own", RegSetValueExA(key, name.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&value), sizeof value));
        platform::RegistryBatch batch;
        const DWORD counter = readDword(key, "Counter") + 1;
        // A save that takes a moment: the other writer has time to come in between.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        check("counter", RegSetValueExA(key, "Counter", 0, REG_DWORD,
                                        reinterpret_cast<const BYTE*>(&counter), sizeof counter));
        check("commit", batch.commit());
    }
    std::printf("done\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    ::setenv("ORVANE_REGISTRY", argv[2], 1);
    const std::string mode = argv[1];
    if (mode == "save-loop") {
        saveLoop();
    } else if (mode == "count" && argc == 5) {
        count(argv[3], std::atoi(argv[4]));
    } else {
        return 2;
    }
    return 0;
}

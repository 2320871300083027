// The "state" that the store crash tests save again and again: several values, a long string and
// a subkey, all derived from a generation number and written in one batch. Shared by the writer
// program and the test that checks what a killed writer left behind.
#pragma once

#include "platform/registry.h"

#include <string>
#include <vector>

namespace orv_test {

constexpr const char* kCrashKey = "software\\CrashTest";

struct CrashValue {
    std::string name;
    bool isString;
    std::string text;
    DWORD number;
};

inline std::vector<CrashValue> crashState(DWORD generation) {
    std::string blob(6000, ' ');
    for (std::size_t i = 0; i < blob.size(); ++i) {
        blob[i] = static_cast<char>('A' + (generation + i * 7) % 26);
    }
    return {
        {"Generation", false, {}, generation},
        {"Title", true, "state " + std::to_string(generation), 0},
        {"Left", false, {}, generation * 3 + 1},
        {"Top", false, {}, generation * 5 + 2},
        {"Width", false, {}, (generation * 7) ^ 0xABCDu},
        {"Blob", true, blob, 0},
        {"Check", false, {}, generation ^ 0x5A5A5A5Au},
    };
}

// The subkey "Window" is deleted and created again in every save; its value "State" holds the
// generation as text.
constexpr const char* kCrashSubkey = "Window";

} // namespace orv_test

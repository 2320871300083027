// A fresh settings store file per test, and small helpers to read and write values.
#pragma once

#include "platform/registry.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace orv_test {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/orvane-registry-test-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        dir_ = folder;
        path_ = (dir_ / "registry.db").string();
        ::setenv("ORVANE_REGISTRY", path_.c_str(), 1);
        platform::registryCloseStore();
    }

    void TearDown() override {
        platform::registryCloseStore();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    static HKEY createKey(HKEY base, const char* path, REGSAM access = KEY_ALL_ACCESS) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(base, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS)
            << path;
        return key;
    }

    static LSTATUS setString(HKEY key, const char* name, const std::string& value) {
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1));
    }

    static LSTATUS setDword(HKEY key, const char* name, DWORD value) {
        return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                              sizeof value);
    }

    // The string value, or "<missing>" / "<type N>" / "<error N>".
    static std::string readString(HKEY key, const char* name) {
        DWORD type = 0;
        DWORD size = 0;
        LSTATUS rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
        if (rc == ERROR_FILE_NOT_FOUND) {
            return "<missing>";
        }
        if (rc != ERROR_SUCCESS) {
            return "<error " + std::to_string(rc) + ">";
        }
        if (type != REG_SZ) {
            return "<type " + std::to_string(type) + ">";
        }
        std::string text(size, '\0');
        rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                              &size);
        if (rc != ERROR_SUCCESS || size == 0 || text[size - 1] != '\0') {
            return "<error " + std::to_string(rc) + ">";
        }
        text.resize(size - 1);
        return text;
    }

    // The DWORD value, or -1 when missing, -2 for another type, -3 on error.
    static long long readDword(HKEY key, const char* name) {
        DWORD type = 0;
        DWORD value = 0;
        DWORD size = sizeof value;
        LSTATUS rc =
            RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        if (rc == ERROR_FILE_NOT_FOUND) {
            return -1;
        }
        if (rc == ERROR_MORE_DATA || (rc == ERROR_SUCCESS && type != REG_DWORD)) {
            return -2;
        }
        return rc == ERROR_SUCCESS && size == sizeof value ? static_cast<long long>(value) : -3;
    }

    std::filesystem::path dir_;
    std::string path_;
};

} // namespace orv_test

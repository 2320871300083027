// Test fixture of the meters suite: every test gets its own settings store and 16-bit memory
// file, and a simulated card described by the test.
#pragma once

#include "driver/devices.h"
#include "platform/registry.h"
#include "platform/winmm_driver.h"
#include "platform/wow16.h"
#include "simcard/wave_driver.h"
#include "support/forms.h"
#include "toolkit/application.h"
#include "toolkit/win_ui.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace meters_test {

class MetersTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/orvane-meters-test-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        dir_ = folder;
        ::setenv("ORVANE_REGISTRY", (dir_ / "registry.db").c_str(), 1);
        ::setenv("ORVANE_WOW16", (dir_ / "wow16").c_str(), 1);
        platform::registryCloseStore();
        platform::wow16Detach();
        toolkit::SetMessageBoxHandler([this](const toolkit::MessageBoxRecord& box) {
            boxes_.push_back(box);
            return IDOK;
        });
    }

    void TearDown() override {
        toolkit::Application->ProcessMessages();
        winmmRemoveAllDrivers();
        platform::registryCloseStore();
        platform::wow16Detach();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // Installs the simulated card of the description and runs discovery.
    void card(const std::string& text) {
        auto parsed = simcard::parseDescription(text, "test");
        ASSERT_TRUE(parsed.description) << parsed.error;
        winmmRemoveAllDrivers();
        simcard::installDrivers(*parsed.description);
        driver::FindDevices();
    }

    // The card changes behind the program's back: discovery is not run again.
    void redescribe(const std::string& text) {
        auto parsed = simcard::parseDescription(text, "test");
        ASSERT_TRUE(parsed.description) << parsed.error;
        simcard::setDriverDescription(*parsed.description);
    }

    std::filesystem::path dir_;
    std::vector<toolkit::MessageBoxRecord> boxes_;
};

using orv_test::Owned;

} // namespace meters_test

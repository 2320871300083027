// The simulated card's environment for a test: every test gets its own 16-bit memory file,
// settings file and (unless it writes one) no description file; child processes inherit all
// three.
#pragma once

#include "platform/wow16.h"
#include "support/build_paths.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <optional>

namespace orv_test {

class SimcardTest : public ::testing::Test {
protected:
    void SetUp() override { platform::wow16Detach(); }
    void TearDown() override { platform::wow16Detach(); }

    // Writes a description file and makes it the one in force.
    void describe(const std::string& text) {
        const auto path = dir_.path() / "card.desc";
        std::ofstream(path, std::ios::binary) << text;
        description_.emplace("ORVANE_SIMCARD", path.string());
    }
    std::filesystem::path statePath() const { return dir_.path() / "settings"; }
    std::string rundll() const { return program("rundll"); }

    TempDir dir_;
    ScopedEnv wow16_{"ORVANE_WOW16", (dir_.path() / "wow16").string()};
    ScopedEnv state_{"ORVANE_SIMCARD_STATE", (dir_.path() / "settings").string()};
    ScopedEnv noDescription_{"ORVANE_SIMCARD", std::nullopt};
    std::optional<ScopedEnv> description_;
};

} // namespace orv_test

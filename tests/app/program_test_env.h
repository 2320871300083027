// Test support for the application shell: the whole program in this process, on a simulated
// card of the test's own description, with the real rundll stand-in, its own settings store
// and runtime folder, and message boxes and popup menus answered by the test.
#pragma once

#include "app/control_window.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "controls/about_box.h"
#include "platform/registry.h"
#include "platform/winmm_driver.h"
#include "simcard/settings_store.h"
#include "simcard/wave_driver.h"
#include "support/simcard_env.h"
#include "toolkit/application.h"
#include "toolkit/menus.h"
#include "toolkit/win_ui.h"

#include <functional>

namespace orv_test {

// A window of the test's own, whose posted message runs inside the program's message loop.
class TLoopProbe : public toolkit::TForm {
public:
    TLoopProbe(toolkit::TComponent* owner, std::function<void()> work) : TForm(owner) {
        SetMessageHandler(WM_USER + 7, [work](toolkit::TMessage&) { work(); });
    }
};

class ProgramTest : public SimcardTest {
protected:
    void SetUp() override {
        SimcardTest::SetUp();
        platform::registryCloseStore(); // the next call opens this test's own store
        app::ExitRequested = false;
        toolkit::SetMessageBoxHandler([this](const toolkit::MessageBoxRecord& box) {
            boxes.push_back(box);
            return IDOK;
        });
    }
    void TearDown() override {
        // The newest first: an owner frees its own windows, which are newer than it.
        while (!toolkit::Application->Forms().empty()) {
            toolkit::Application->Forms().back()->Free();
        }
        toolkit::Application->ProcessMessages(); // nothing of this test reaches the next one
        app::frmMain = nullptr;
        app::MixControlWnd = nullptr;
        app::AboutBox = nullptr;
        app::ExitRequested = false;
        winmmRemoveAllDrivers();
        platform::registryCloseStore();
        SimcardTest::TearDown();
    }
    // The simulated card of the description, for the program and its rundll.
    void start(const std::string& description) {
        describe(description);
        auto loaded = simcard::loadDescription();
        ASSERT_TRUE(loaded.description) << loaded.error;
        simcard::installDrivers(*loaded.description);
    }
    // Creates the program's windows as the start-up does, without running the loop.
    void createWindows() {
        ASSERT_TRUE(app::StartManager(iconData));
        ASSERT_NE(app::MixControlWnd, nullptr);
    }
    // Runs the program; work runs once inside its loop (without ending it by itself).
    void runProgram(std::function<void()> work) {
        auto* probe = toolkit::TCustomForm::Create<TLoopProbe>(nullptr, std::move(work));
        PostMessageA(probe->Handle(), WM_USER + 7, 0, 0);
        app::RunManager();
        probe->Free();
    }
    // The driver's stored settings.
    simcard::DriverConfig storedConfig() const {
        std::string warning;
        return simcard::SettingsStore(statePath()).load(warning);
    }
    // Lines of the entry point's log: one per configuration call.
    std::vector<std::string> entryCalls() const {
        std::vector<std::string> lines;
        std::istringstream in(readFile(callLog()));
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    std::filesystem::path callLog() const { return dir_.path() / "calls.log"; }
    std::string tool() const { return (binDir() / "orvane-simcard").string(); }

    ScopedEnv registry_{"ORVANE_REGISTRY", (dir_.path() / "registry.db").string()};
    ScopedEnv runtime_{"XDG_RUNTIME_DIR", dir_.path().string()};
    ScopedEnv log_{"ORVANE_SIMCARD_LOG", (dir_.path() / "calls.log").string()};
    NOTIFYICONDATAA iconData{};
    std::vector<toolkit::MessageBoxRecord> boxes;
};

} // namespace orv_test

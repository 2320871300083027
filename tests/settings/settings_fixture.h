// The settings dialog's tests run against the simulated card through the real configuration
// channel: every driver command starts the rundll stand-in, and a log of its command lines
// shows which commands reached the driver, in which order.
#pragma once

#include "controls/window_messages.h"
#include "driver/config_channel.h"
#include "driver/records.h"
#include "settings/settings_dialog.h"
#include "support/forms.h"
#include "support/simcard_env.h"
#include "support/ui_logs.h"
#include "toolkit/application.h"
#include "toolkit/windowing.h"

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace orv_test {

class SettingsDialogTest : public SimcardTest {
protected:
    void SetUp() override {
        SimcardTest::SetUp();
        driver::ConfigChannelEnabled = 1;
        owner_.reset(new Owned<TDescribedForm>(makeForm()));
        // The stand-in for the control window: it notes every window that reports its close.
        owner()->SetMessageHandler(controls::WM_FORMCLOSED, [this](toolkit::TMessage& m) {
            closedWindows.push_back(reinterpret_cast<HWND>(m.LParam));
        });
    }
    void TearDown() override {
        for (auto it = dialogs_.rbegin(); it != dialogs_.rend(); ++it) {
            (*it)->Free();
        }
        dialogs_.clear();
        owner_.reset();
        pump();
        SimcardTest::TearDown();
    }

    TDescribedForm* owner() const { return owner_->get(); }

    // The driver's configuration, read through the channel.
    driver::TDriverConfig readDriver() {
        driver::TDriverConfig fromDriver{};
        EXPECT_TRUE(
            driver::DriverConfigCall(1, driver::kCmdGetConfig, &fromDriver, sizeof fromDriver));
        return fromDriver;
    }
    void writeDriver(driver::TDriverConfig toDriver) {
        ASSERT_TRUE(driver::DriverConfigCall(1, driver::kCmdSetConfig, &toDriver, sizeof toDriver));
    }
    // What the control window does before it opens the dialog: reads the configuration.
    void readConfig() { config = readDriver(); }

    // The dialog of a card on `config`, owned by the stand-in control window, not yet shown.
    settings::TdlgCfg* create(int card, int cardCount) {
        auto* dialog = settings::TdlgCfg::CreateForCard(
            owner(), config, static_cast<std::uint8_t>(card), static_cast<std::uint8_t>(cardCount));
        dialogs_.push_back(dialog);
        return dialog;
    }
    settings::TdlgCfg* open(int card, int cardCount) {
        settings::TdlgCfg* dialog = create(card, cardCount);
        dialog->Show();
        pump();
        return dialog;
    }

    // The commands that reached the driver since the last clearCommands, in order.
    std::vector<std::string> commands() const {
        std::vector<std::string> names;
        std::ifstream in(logPath());
        for (std::string line; std::getline(in, line);) {
            const std::string prefix = "qorva.DRV,DriverConfig ";
            if (line.rfind(prefix, 0) == 0) {
                line = line.substr(prefix.size());
            }
            names.push_back(line.substr(0, line.find(' ')));
        }
        return names;
    }
    void clearCommands() { std::ofstream(logPath(), std::ios::trunc); }
    std::filesystem::path logPath() const { return dir_.path() / "starts.log"; }

    // Types a default rate and leaves the edit, as the user does.
    void enterRate(settings::TdlgCfg* dialog, const std::string& text) {
        dialog->pgMain->SetActivePage(dialog->tabSync);
        dialog->edDefaultRate2->SetFocus();
        pump();
        dialog->edDefaultRate2->SetText("");
        toolkit::SimulateTyping(dialog->edDefaultRate2, text);
        dialog->chkMaster->SetFocus();
        pump();
    }

    driver::TDriverConfig config{};
    std::vector<HWND> closedWindows;
    MessageBoxLog boxes;
    BeepLog beeps;
    ScopedEnv log_{"ORVANE_SIMCARD_LOG", (dir_.path() / "starts.log").string()};

private:
    std::unique_ptr<Owned<TDescribedForm>> owner_;
    std::vector<settings::TdlgCfg*> dialogs_;
};

// The offsets of a card record that no control of the dialog edits.
inline bool isUneditedOffset(std::size_t offset) {
    struct Range {
        std::size_t from, to;
    };
    static const Range kEdited[] = {{8, 16},  {28, 32},  {36, 56},  {60, 64},
                                    {72, 76}, {92, 116}, {128, 136}};
    for (const Range& r : kEdited) {
        if (offset >= r.from && offset < r.to) {
            return false;
        }
    }
    return true;
}

inline const unsigned char* bytesOf(const driver::TCardConfig& card) {
    return reinterpret_cast<const unsigned char*>(&card);
}

} // namespace orv_test

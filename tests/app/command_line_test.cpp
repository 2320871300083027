// The program's command line: help and version, the autostart entry, and what is rejected; run
// through the handler and through the real program.
#include "app/command_line.h"
#include "support/build_paths.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace app;
using orv_test::runProcess;

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome handle(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    int status = HandleCommandLine(args, out, err);
    return {status, out.str(), err.str()};
}

std::string program() {
    return (orv_test::binDir() / "orvane-manager").string();
}

// desktop-file-validate's verdict on a file: empty when it finds nothing to say.
std::string validate(const std::filesystem::path& file) {
    auto r = runProcess({"/usr/bin/desktop-file-validate", file.string()});
    return r.exitCode == 0 ? r.out + r.err
                           : "exit " + std::to_string(r.exitCode) + ": " + r.out + r.err;
}

TEST(CommandLine, NoArgumentsRunsTheProgram) {
    EXPECT_EQ(handle({}).status, kRunProgram);
}

TEST(CommandLine, HelpAndVersionPrintAndEnd) {
    auto help = handle({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.err.empty());
    for (const char* option :
         {"--help", "--version", "--install-autostart", "--remove-autostart"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(handle({"-h"}).out, help.out);

    auto version = handle({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.err.empty());
    ASSERT_EQ(version.out.rfind("Orvane Manager ", 0), 0u) << version.out;
    EXPECT_NE(version.out.find_first_of("0123456789"), std::string::npos);
    EXPECT_EQ(version.out.back(), '\n');
}

TEST(CommandLine, UnknownOptionsAndArgumentsAreRejectedWithStatusTwo) {
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"--frobnicate"}, {"-x"}, {"file.desc"}, {"--help", "--version"}, {"--HELP"}, {""}}) {
        auto r = handle(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_TRUE(r.out.empty()) << args[0];
        // The first line names what was wrong; the second points to the help.
        EXPECT_EQ(r.err.rfind("orvane-manager: ", 0), 0u) << r.err;
        const std::string named = args.size() > 1 ? args[1] : args[0];
        EXPECT_NE(r.err.find("'" + named + "'"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
    }
}

TEST(CommandLine, ExecValuesAreQuotedAsDesktopEntriesRequire) {
    EXPECT_EQ(DesktopExecQuote("/usr/bin/orvane-manager"), "/usr/bin/orvane-manager");
    EXPECT_EQ(DesktopExecQuote("/opt/my apps/orvane-manager"), "\"/opt/my apps/orvane-manager\"");
    EXPECT_EQ(DesktopExecQuote("/opt/100%/x"), "/opt/100%%/x");
    EXPECT_EQ(DesktopExecQuote("/a\"b"), "\"/a\\\\\"b\"");
    EXPECT_EQ(DesktopExecQuote("/a$b"), "\"/a\\\\$b\"");
    EXPECT_EQ(DesktopExecQuote("/a\\b"), "\"/a\\\\\\\\b\"");
}

class Autostart : public ::testing::Test {
protected:
    orv_test::TempDir home;
    orv_test::ScopedEnv config{"XDG_CONFIG_HOME", (home.path() / "config").string()};
    std::filesystem::path entry() const {
        return home.path() / "config" / "autostart" / "orvane-manager.desktop";
    }
};

TEST_F(Autostart, InstallWritesAValidEntryThatRemoveTakesAway) {
    EXPECT_EQ(AutostartEntryPath(), entry());
    auto installed = handle({"--install-autostart"});
    ASSERT_EQ(installed.status, 0) << installed.err;
    EXPECT_NE(installed.out.find(entry().string()), std::string::npos);
    ASSERT_TRUE(std::filesystem::exists(entry()));
    const std::string text = orv_test::readFile(entry());
    // The entry starts this very program, wherever it is installed.
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_NE(text.find("\nExec=" + DesktopExecQuote(self.string()) + "\n"), std::string::npos)
        << text;
    EXPECT_EQ(validate(entry()), "");

    // Installing again replaces it; nothing else lies in the folder.
    EXPECT_EQ(handle({"--install-autostart"}).status, 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(entry().parent_path()), {}), 1);

    auto removed = handle({"--remove-autostart"});
    EXPECT_EQ(removed.status, 0);
    EXPECT_FALSE(std::filesystem::exists(entry()));
    auto again = handle({"--remove-autostart"});
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.out.find("no autostart entry"), std::string::npos) << again.out;
}

TEST_F(Autostart, EntriesForAwkwardPathsStillValidate) {
    for (const char* exec : {"/opt/my apps/orvane-manager", "/opt/a\"b$c`d\\e%f/orvane-manager"}) {
        const auto probe = home.path() / "probe.desktop";
        std::ofstream(probe) << AutostartEntryText(exec);
        EXPECT_EQ(validate(probe), "") << exec;
    }
}

TEST_F(Autostart, AnUnwritableFolderIsReportedAndNothingIsLeftBehind) {
    // The autostart folder cannot be made: a file stands in its place.
    std::filesystem::create_directories(entry().parent_path().parent_path());
    std::ofstream(entry().parent_path()) << "not a folder";
    auto r = handle({"--install-autostart"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("orvane-manager: cannot write the autostart entry", 0), 0u) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(entry().parent_path()));
}

TEST(CommandLineProgram, TheRealProgramAnswersWithoutADisplay) {
    // No display and no windowing: the options are done before either is needed.
    orv_test::ScopedEnv noDisplay("DISPLAY", std::nullopt);
    orv_test::ScopedEnv noWayland("WAYLAND_DISPLAY", std::nullopt);
    orv_test::ScopedEnv xcb("QT_QPA_PLATFORM", "xcb");
    auto version = runProcess({program(), "--version"}, std::chrono::seconds(30));
    EXPECT_EQ(version.exitCode, 0) << version.err;
    EXPECT_EQ(version.out.rfind("Orvane Manager ", 0), 0u);

    auto bad = runProcess({program(), "--bogus"}, std::chrono::seconds(30));
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.out.empty());
    EXPECT_EQ(bad.err.substr(0, bad.err.find('\n')), "orvane-manager: unknown option '--bogus'");
}

} // namespace

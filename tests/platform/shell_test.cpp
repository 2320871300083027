#include "platform/shell.h"
#include "support/build_paths.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace {

using orv_test::waitUntil;

std::string probe() {
    return (orv_test::binDir() / "platform_shell_probe").string();
}

std::uintptr_t run(const std::string& file, const std::string& params, const char* dir = "") {
    return reinterpret_cast<std::uintptr_t>(
        ShellExecuteA(nullptr, nullptr, file.c_str(), params.c_str(), dir, SW_SHOWDEFAULT));
}

bool running(std::uintptr_t token) {
    return platform::shellProcessRunning(reinterpret_cast<HINSTANCE>(token));
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

TEST(ShellSplitParameters, SplitsAtBlanksAndKeepsQuotedBlanks) {
    using V = std::vector<std::string>;
    EXPECT_EQ(platform::shellSplitParameters(""), V{});
    EXPECT_EQ(platform::shellSplitParameters("  \t "), V{});
    EXPECT_EQ(
        platform::shellSplitParameters("qorva.DRV,DriverConfig getconfig $1A2F0000 #1A370000"),
        (V{"qorva.DRV,DriverConfig", "getconfig", "$1A2F0000", "#1A370000"}));
    EXPECT_EQ(platform::shellSplitParameters(" a\t\tb  c "), (V{"a", "b", "c"}));
    EXPECT_EQ(platform::shellSplitParameters("\"two words\" x\"y z\" \"\""),
              (V{"two words", "xy z", ""}));
    EXPECT_EQ(platform::shellSplitParameters("\"open ended"), (V{"open ended"}));
}

TEST(ShellExecute, StartsTheProgramWithItsArgumentsInItsFolder) {
    orv_test::TempDir dir;
    const auto out = dir.path() / "record";
    const auto token =
        run(probe(), "record " + out.string() + " one \"two three\"  four", dir.path().c_str());
    ASSERT_GT(token, 32u);
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(out); }));
    const auto recorded = lines(orv_test::readFile(out));
    EXPECT_EQ(recorded, (std::vector<std::string>{std::filesystem::canonical(dir.path()).string(),
                                                  "one", "two three", "four"}));
    EXPECT_TRUE(waitUntil([&] { return !running(token); }));
}

TEST(ShellExecute, FindsBareNamesInPath) {
    orv_test::TempDir dir;
    orv_test::ScopedEnv path("PATH", "/nonexistent:" + orv_test::binDir().string());
    const auto out = dir.path() / "record";
    const auto token = run("platform_shell_probe", "record " + out.string());
    ASSERT_GT(token, 32u);
    EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(out); }));
    EXPECT_EQ(run("no-such-program-anywhere", ""), static_cast<std::uintptr_t>(SE_ERR_FNF));
}

TEST(ShellExecute, ReportsWhyAProgramCannotStart) {
    orv_test::TempDir dir;
    const auto text = dir.path() / "text";
    { std::ofstream(text) << "no program\n"; }
    const auto script = dir.path() / "garbage";
    {
        std::ofstream(script) << "\x7f"
                                 "ELF garbage that is no program\n";
    }
    ::chmod(script.c_str(), 0755);
    EXPECT_EQ(run((dir.path() / "missing").string(), ""), static_cast<std::uintptr_t>(SE_ERR_FNF));
    EXPECT_EQ(run(text.string(), ""), static_cast<std::uintptr_t>(SE_ERR_ACCESSDENIED));
    EXPECT_EQ(run(dir.path().string(), ""), static_cast<std::uintptr_t>(SE_ERR_ACCESSDENIED));
    EXPECT_EQ(run(script.string(), ""), static_cast<std::uintptr_t>(ERROR_BAD_FORMAT));
    EXPECT_EQ(run((text / "below").string(), ""), static_cast<std::uintptr_t>(SE_ERR_PNF));
    EXPECT_EQ(run(probe(), "exit 0", (dir.path() / "missing").c_str()),
              static_cast<std::uintptr_t>(SE_ERR_PNF));
    EXPECT_EQ(run("", ""), static_cast<std::uintptr_t>(SE_ERR_FNF));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(
                  ShellExecuteA(nullptr, "print", probe().c_str(), "exit 0", "", SW_SHOWDEFAULT)),
              static_cast<std::uintptr_t>(SE_ERR_NOASSOC));
    EXPECT_GT(reinterpret_cast<std::uintptr_t>(
                  ShellExecuteA(nullptr, "open", probe().c_str(), "exit 0", "", SW_SHOWDEFAULT)),
              32u);
}

TEST(ShellExecute, ReturnsWhileTheProgramRunsAndCanEndIt) {
    const auto token = run(probe(), "sleep 600000");
    ASSERT_GT(token, 32u);
    EXPECT_TRUE(running(token)) << "ShellExecuteA does not wait for the program";
    platform::shellTerminateProcess(reinterpret_cast<HINSTANCE>(token));
    EXPECT_FALSE(running(token)) << "terminate waits until the process is collected";
    platform::shellTerminateProcess(reinterpret_cast<HINSTANCE>(token)); // a no-op now
    EXPECT_FALSE(running(12345)) << "a token that names no process";
}

int threadCount() {
    std::istringstream status(orv_test::readFile("/proc/self/status"));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Threads:", 0) == 0) {
            return std::stoi(line.substr(8));
        }
    }
    return -1;
}

TEST(ShellExecute, WaitingEndsWhenTheProgramEndsAndTellsItsExitCode) {
    const auto quick = reinterpret_cast<HINSTANCE>(run(probe(), "exit 7"));
    ASSERT_GT(reinterpret_cast<std::uintptr_t>(quick), 32u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(platform::shellWaitProcess(quick, 60000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_FALSE(running(reinterpret_cast<std::uintptr_t>(quick)));
    int code = -5;
    ASSERT_TRUE(platform::shellProcessExitCode(quick, code));
    EXPECT_EQ(code, 7);

    const auto slow = reinterpret_cast<HINSTANCE>(run(probe(), "sleep 600000"));
    ASSERT_GT(reinterpret_cast<std::uintptr_t>(slow), 32u);
    EXPECT_FALSE(platform::shellWaitProcess(slow, 30)) << "the time limit ends the wait";
    EXPECT_FALSE(platform::shellProcessExitCode(slow, code)) << "no exit code while it runs";
    platform::shellTerminateProcess(slow);
    ASSERT_TRUE(platform::shellProcessExitCode(slow, code));
    EXPECT_EQ(code, -1) << "ended by a signal";
    EXPECT_TRUE(platform::shellWaitProcess(slow, 0));
}

TEST(ShellExecute, OneReaperServesEveryProgram) {
    ASSERT_GT(run(probe(), "exit 0"), 32u); // the reaper exists from here on
    const int threads = threadCount();
    std::vector<HINSTANCE> tokens;
    for (int i = 0; i < 16; ++i) {
        tokens.push_back(reinterpret_cast<HINSTANCE>(run(probe(), "sleep 300")));
        ASSERT_GT(reinterpret_cast<std::uintptr_t>(tokens.back()), 32u);
    }
    EXPECT_EQ(threadCount(), threads) << "a thread per program";
    for (HINSTANCE token : tokens) {
        EXPECT_TRUE(platform::shellWaitProcess(token, 60000));
    }
}

TEST(ShellExecute, CollectsItsChildrenWithoutTakingOthers) {
    // A child of the test's own, started before ShellExecuteA's children and ending after them.
    const pid_t own = ::fork();
    ASSERT_GE(own, 0);
    if (own == 0) {
        ::usleep(300 * 1000);
        ::_exit(42);
    }
    std::set<std::uintptr_t> tokens;
    for (int i = 0; i < 8; ++i) {
        const auto token = run(probe(), "exit " + std::to_string(i));
        ASSERT_GT(token, 32u);
        EXPECT_TRUE(tokens.insert(token).second) << "tokens are never reused";
    }
    for (auto token : tokens) {
        EXPECT_TRUE(waitUntil([&] { return !running(token); }));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(own, &status, 0), own) << "our own child's status was not taken";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 42);
    errno = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1) << "no child is left uncollected";
    EXPECT_EQ(errno, ECHILD);
}

} // namespace

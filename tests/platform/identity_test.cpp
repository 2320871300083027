// The platform layer names its folders, files and variables after the identity it is handed.
#include "platform/identity.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/wow16.h"
#include "platform/wow16/wow16_file.h"
#include "support/build_paths.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class IdentityTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = platform::appIdentity();
        platform::setAppIdentity({"probe-app", "PROBE_APP_", "probe.db", "probe-memory"});
    }
    void TearDown() override { platform::setAppIdentity(saved_); }

    platform::AppIdentity saved_;
};

TEST_F(IdentityTest, FoldersFilesAndVariablesFollowTheIdentity) {
    orv_test::TempDir dir;
    orv_test::ScopedEnv config("XDG_CONFIG_HOME", dir.path().string());
    orv_test::ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
    orv_test::ScopedEnv noStore("PROBE_APP_REGISTRY", std::nullopt);
    orv_test::ScopedEnv noMemory("PROBE_APP_WOW16", std::nullopt);
    EXPECT_EQ(platform::registryStorePath(), (dir.path() / "probe-app" / "probe.db").string());
    const auto memory = platform::wow16::mappingPath();
    EXPECT_EQ(memory.filename(), "probe-memory");
    EXPECT_EQ(memory.parent_path().filename(), "probe-app-" + std::to_string(::geteuid()));

    orv_test::ScopedEnv store("PROBE_APP_REGISTRY", (dir.path() / "named.db").string());
    orv_test::ScopedEnv named("PROBE_APP_WOW16", (dir.path() / "named-memory").string());
    EXPECT_EQ(platform::registryStorePath(), (dir.path() / "named.db").string());
    EXPECT_EQ(platform::wow16::mappingPath(), dir.path() / "named-memory");
    EXPECT_STREQ(platform::appEnv("WOW16"), (dir.path() / "named-memory").c_str());
    EXPECT_EQ(platform::appEnv("NOT_SET_ANYWHERE"), nullptr);
}

TEST(ShellProgramPaths, ANamePlacedByTheCallerStartsThatProgramAndNoOtherNameIsSpecial) {
    const auto probe = orv_test::binDir() / "platform_shell_probe";
    orv_test::ScopedEnv path("PATH", "/nonexistent");
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(
                  ShellExecuteA(nullptr, nullptr, "rundll.exe", "exit 3", "", SW_SHOWDEFAULT)),
              static_cast<std::uintptr_t>(SE_ERR_FNF))
        << "no name is known to the layer by itself";

    platform::shellSetProgramPath("Helper.EXE", probe);
    const auto token = ShellExecuteA(nullptr, nullptr, "helper.exe", "exit 3", "", SW_SHOWDEFAULT);
    ASSERT_GT(reinterpret_cast<std::uintptr_t>(token), 32u);
    ASSERT_TRUE(platform::shellWaitProcess(token, 60000));
    int code = -5;
    ASSERT_TRUE(platform::shellProcessExitCode(token, code));
    EXPECT_EQ(code, 3);

    platform::shellSetProgramPath("helper.exe", "/nonexistent/helper");
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(
                  ShellExecuteA(nullptr, nullptr, "HELPER.exe", "exit 3", "", SW_SHOWDEFAULT)),
              static_cast<std::uintptr_t>(SE_ERR_FNF));
    platform::shellSetProgramPath("helper.exe", {});
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(
                  ShellExecuteA(nullptr, nullptr, "helper.exe", "exit 3", "", SW_SHOWDEFAULT)),
              static_cast<std::uintptr_t>(SE_ERR_FNF));
}

} // namespace

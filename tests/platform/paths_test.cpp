#include "platform/paths.h"
#include "support/build_paths.h"
#include "support/temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

mode_t modeOf(const std::filesystem::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// The fallback runtime folder must be ours alone: a folder someone else made (however open) or a
// link is passed over for the next name, a folder of ours open to others is closed.
TEST(RuntimeFolder, OnlyAFolderOfOursAloneIsUsed) {
    orv_test::TempDir base;
    const auto name = base.path() / "app-7";
    EXPECT_EQ(platform::firstPrivateFolder({base.path()}, "app-7"), name) << "made when missing";
    EXPECT_EQ(modeOf(name), 0700u);

    ASSERT_EQ(::chmod(name.c_str(), 01777), 0);
    EXPECT_EQ(platform::firstPrivateFolder({base.path()}, "app-7"), name);
    EXPECT_EQ(modeOf(name), 0700u) << "ours, but left open to others";

    std::filesystem::remove(name);
    std::filesystem::create_directory(base.path() / "elsewhere");
    std::filesystem::create_directory_symlink(base.path() / "elsewhere", name);
    EXPECT_EQ(platform::firstPrivateFolder({base.path()}, "app-7"), base.path() / "app-7-1")
        << "a link is never followed";

    if (::geteuid() == 0) {
        // Made beforehand by another user, open to all (as in a shared /tmp).
        const auto foreign = base.path() / "app-8";
        std::filesystem::create_directory(foreign);
        ASSERT_EQ(::chmod(foreign.c_str(), 01777), 0);
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
        EXPECT_EQ(platform::firstPrivateFolder({base.path()}, "app-8"), base.path() / "app-8-1");
        EXPECT_EQ(modeOf(foreign), 01777u) << "someone else's folder is left alone";
    }
    // A plain file in the way, and a base where nothing can be made.
    std::ofstream(base.path() / "app-9") << "x";
    EXPECT_EQ(platform::firstPrivateFolder({base.path()}, "app-9"), base.path() / "app-9-1");
    EXPECT_TRUE(platform::firstPrivateFolder({base.path() / "missing" / "deeper"}, "x").empty());
}

TEST(RuntimeFolder, WithoutTheXdgVariableItIsPrivateAndMemoryBacked) {
    orv_test::ScopedEnv unset("XDG_RUNTIME_DIR", std::nullopt);
    const auto dir = platform::runtimeDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(modeOf(dir), 0700u);
    EXPECT_EQ(dir.parent_path(), "/dev/shm");
    orv_test::ScopedEnv set("XDG_RUNTIME_DIR", "/run/user/4321");
    EXPECT_EQ(platform::runtimeDir(), "/run/user/4321");
}

TEST(PrivateFolders, MissingFoldersAreMadeForTheOwnerAloneAndExistingParentsAreLeftAlone) {
    orv_test::TempDir home;
    const auto shared = home.path() / "shared";
    std::filesystem::create_directory(shared);
    ASSERT_EQ(::chmod(shared.c_str(), 0755), 0);
    const auto leaf = shared / ".local" / "share" / "app";
    ASSERT_TRUE(platform::makePrivateFolders(leaf));
    EXPECT_EQ(modeOf(shared / ".local"), 0700u);
    EXPECT_EQ(modeOf(shared / ".local" / "share"), 0700u);
    EXPECT_EQ(modeOf(leaf), 0700u);
    EXPECT_EQ(modeOf(shared), 0755u);

    // A folder of ours made open by an older version is closed; a file in the way fails.
    ASSERT_EQ(::chmod(leaf.c_str(), 0755), 0);
    ASSERT_TRUE(platform::makePrivateFolders(leaf));
    EXPECT_EQ(modeOf(leaf), 0700u);
    std::ofstream(home.path() / "file") << "x";
    EXPECT_FALSE(platform::makePrivateFolders(home.path() / "file"));
    EXPECT_FALSE(platform::makePrivateFolders(home.path() / "file" / "below"));
}

} // namespace

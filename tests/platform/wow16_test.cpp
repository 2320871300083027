#include "platform/wow16.h"
#include "support/build_paths.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <sys/stat.h>

namespace {

using orv_test::binDir;
using orv_test::runProcess;

// Every test gets its own mapping file; child processes inherit the variable.
class Wow16Test : public ::testing::Test {
protected:
    void SetUp() override { platform::wow16Detach(); }
    void TearDown() override { platform::wow16Detach(); }

    std::filesystem::path file() const { return dir_.path() / "wow16"; }
    std::string peer() const { return (binDir() / "platform_wow16_peer").string(); }

    orv_test::TempDir dir_;
    orv_test::ScopedEnv env_{"ORVANE_WOW16", (dir_.path() / "wow16").string()};
};

std::string hex(VPVOID vp) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", vp);
    return text;
}

TEST_F(Wow16Test, AllocatesZeroedBlocksUnderLdtStyleSelectors) {
    HMEM16 handle = 0;
    const VPVOID vp = WOWGlobalAllocLock16(GMEM_MOVEABLE | GMEM_ZEROINIT, 300, &handle);
    ASSERT_NE(vp, 0u);
    EXPECT_EQ(vp & 0xFFFF, 0u) << "blocks start at offset 0";
    EXPECT_EQ((vp >> 16) & 7, 7u) << "LDT selector, ring 3";
    EXPECT_EQ(handle, vp >> 16);
    auto* p = static_cast<unsigned char*>(WOWGetVDMPointer(vp, 300, TRUE));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(p[i], 0) << i;
    }
    std::memset(p, 0xAB, 300);
    EXPECT_EQ(WOWGetVDMPointerFix(vp, 300, TRUE), p) << "blocks stay where they are";
    WOWGetVDMPointerUnfix(vp);
    EXPECT_EQ(platform::wow16LiveBlockCount(), 1);
    EXPECT_EQ(WOWGlobalUnlockFree16(vp), 0);
    EXPECT_EQ(WOWGetVDMPointer(vp, 1, TRUE), nullptr) << "a freed block maps to nothing";
    EXPECT_NE(WOWGlobalUnlockFree16(vp), 0) << "a second free fails";
    EXPECT_EQ(platform::wow16LiveBlockCount(), 0);
}

TEST_F(Wow16Test, BlockSizesRunFromOneByteToOneSegment) {
    EXPECT_EQ(WOWGlobalAllocLock16(GMEM_FIXED, 0, nullptr), 0u);
    EXPECT_EQ(WOWGlobalAllocLock16(GMEM_FIXED, kWow16MaxBlockSize + 1, nullptr), 0u);
    const VPVOID one = WOWGlobalAllocLock16(GMEM_FIXED, 1, nullptr);
    const VPVOID full = WOWGlobalAllocLock16(GMEM_ZEROINIT, kWow16MaxBlockSize, nullptr);
    ASSERT_NE(one, 0u);
    ASSERT_NE(full, 0u);
    auto* p = static_cast<unsigned char*>(WOWGetVDMPointer(full, kWow16MaxBlockSize, TRUE));
    ASSERT_NE(p, nullptr);
    p[kWow16MaxBlockSize - 1] = 1;
    EXPECT_EQ(WOWGlobalUnlockFree16(one), 0);
    EXPECT_EQ(WOWGlobalUnlockFree16(full), 0);
}

TEST_F(Wow16Test, AddressesOutsideLiveBlocksMapToNothing) {
    const VPVOID vp = WOWGlobalAllocLock16(GMEM_FIXED, 16, nullptr);
    ASSERT_NE(vp, 0u);
    auto* base = static_cast<unsigned char*>(WOWGetVDMPointer(vp, 16, TRUE));
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(WOWGetVDMPointer(vp + 8, 8, TRUE), base + 8);
    EXPECT_EQ(WOWGetVDMPointer(vp, 17, TRUE), nullptr) << "size past the end";
    EXPECT_EQ(WOWGetVDMPointer(vp + 8, 9, TRUE), nullptr) << "offset plus size past the end";
    EXPECT_EQ(WOWGetVDMPointer(vp + 16, 0, TRUE), nullptr) << "offset at the end";
    EXPECT_EQ(WOWGetVDMPointer(vp + 0xFFFF, 0xFFFFFFFF, TRUE), nullptr) << "no wrap-around";
    EXPECT_EQ(WOWGetVDMPointer(vp, 16, FALSE), nullptr) << "no real-mode addresses";
    EXPECT_EQ(WOWGetVDMPointer(vp ^ 0x00010000, 1, TRUE), nullptr) << "not an LDT selector";
    EXPECT_EQ(WOWGetVDMPointer(vp + 0x00080000, 1, TRUE), nullptr) << "an unallocated selector";
    EXPECT_EQ(WOWGetVDMPointer(0xFFFF0000, 1, TRUE), nullptr) << "past the selector table";
    EXPECT_EQ(WOWGetVDMPointer(0, 1, TRUE), nullptr);
    EXPECT_NE(WOWGlobalUnlockFree16(vp + 4), 0) << "free needs the block's start";
    EXPECT_NE(WOWGlobalUnlockFree16(0), 0);
    EXPECT_EQ(WOWGlobalUnlockFree16(vp), 0);
}

TEST_F(Wow16Test, FreedSelectorsComeBackOnlyAfterAllOthers) {
    const VPVOID first = WOWGlobalAllocLock16(GMEM_FIXED, 8, nullptr);
    ASSERT_NE(first, 0u);
    ASSERT_EQ(WOWGlobalUnlockFree16(first), 0);
    std::set<VPVOID> seen;
    for (int i = 0; i < 500; ++i) {
        const VPVOID vp = WOWGlobalAllocLock16(GMEM_FIXED, 8, nullptr);
        ASSERT_NE(vp, 0u);
        EXPECT_NE(vp, first) << "after " << i << " allocations";
        EXPECT_TRUE(seen.insert(vp).second);
        ASSERT_EQ(WOWGlobalUnlockFree16(vp), 0);
    }
}

TEST_F(Wow16Test, AReusedSegmentIsZeroFilledWhenAskedAndItsStorageIsReturnedOnlyForTheDead) {
    const VPVOID first = WOWGlobalAllocLock16(GMEM_FIXED, 4096, nullptr);
    ASSERT_NE(first, 0u);
    std::memset(WOWGetVDMPointer(first, 4096, TRUE), 0xAA, 4096);
    ASSERT_EQ(WOWGlobalUnlockFree16(first), 0);
    // Go once round all selectors, so the first one comes back.
    VPVOID again = 0;
    for (int i = 0; i < 4096 && again != first; ++i) {
        again = WOWGlobalAllocLock16(GMEM_FIXED | GMEM_ZEROINIT, 4096, nullptr);
        ASSERT_NE(again, 0u);
        if (again != first) {
            ASSERT_EQ(WOWGlobalUnlockFree16(again), 0);
        }
    }
    ASSERT_EQ(again, first);
    const auto* p = static_cast<const unsigned char*>(WOWGetVDMPointer(again, 4096, TRUE));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::count(p, p + 4096, 0), 4096) << "the old content shows through";
    ASSERT_EQ(WOWGlobalUnlockFree16(again), 0);

    // A block of an ended process has its storage handed back when it is reclaimed.
    auto leaked = runProcess({peer(), "leak", "8"});
    ASSERT_EQ(leaked.exitCode, 0) << leaked.err;
    struct stat used {};
    ASSERT_EQ(::stat(file().c_str(), &used), 0);
    EXPECT_EQ(platform::wow16ReclaimDeadBlocks(), 8);
    struct stat after {};
    ASSERT_EQ(::stat(file().c_str(), &after), 0);
    EXPECT_LT(after.st_blocks, used.st_blocks) << "the reclaimed segments kept their pages";
}

TEST_F(Wow16Test, RunningOutOfSelectorsFailsCleanly) {
    std::vector<VPVOID> blocks;
    for (;;) {
        const VPVOID vp = WOWGlobalAllocLock16(GMEM_FIXED, 4, nullptr);
        if (vp == 0) {
            break;
        }
        blocks.push_back(vp);
        ASSERT_LT(blocks.size(), 100000u);
    }
    EXPECT_GE(blocks.size(), 256u);
    EXPECT_EQ(std::set<VPVOID>(blocks.begin(), blocks.end()).size(), blocks.size());
    for (VPVOID vp : blocks) {
        ASSERT_EQ(WOWGlobalUnlockFree16(vp), 0);
    }
    EXPECT_NE(WOWGlobalAllocLock16(GMEM_FIXED, 4, nullptr), 0u) << "usable again";
}

TEST_F(Wow16Test, OneAddressNamesOneBlockInEveryProcess) {
    const VPVOID vp = WOWGlobalAllocLock16(GMEM_ZEROINIT, 64, nullptr);
    ASSERT_NE(vp, 0u);
    auto* p = static_cast<char*>(WOWGetVDMPointer(vp, 64, TRUE));
    ASSERT_NE(p, nullptr);

    auto written = runProcess({peer(), "write", hex(vp + 10), "from the peer"});
    ASSERT_EQ(written.exitCode, 0) << written.err;
    EXPECT_EQ(std::string(p + 10, 13), "from the peer");

    std::memcpy(p, "from the test", 13);
    auto read = runProcess({peer(), "read", hex(vp), "13"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.out, "from the test");

    auto tooLong = runProcess({peer(), "read", hex(vp), "65"});
    EXPECT_EQ(tooLong.exitCode, 1) << "the block's size holds in the other process too";
    ASSERT_EQ(WOWGlobalUnlockFree16(vp), 0);
    auto freed = runProcess({peer(), "read", hex(vp), "1"});
    EXPECT_EQ(freed.exitCode, 1) << "a block freed here is gone there too";
}

TEST_F(Wow16Test, ProcessesAllocatingAtOnceCorruptNothing) {
    // Two peers and this process allocate, fill, check and free blocks at the same time; a block
    // handed out twice, or written by the wrong process, shows as changed content.
    auto first = std::async(std::launch::async, [&] {
        return runProcess({peer(), "stress", "3000", "1"});
    });
    auto second = std::async(std::launch::async, [&] {
        return runProcess({peer(), "stress", "3000", "2"});
    });
    std::vector<std::pair<VPVOID, unsigned char>> mine;
    for (int round = 0; round < 1500; ++round) {
        const VPVOID vp = WOWGlobalAllocLock16(GMEM_FIXED, 256, nullptr);
        ASSERT_NE(vp, 0u);
        const auto fill = static_cast<unsigned char>(round);
        std::memset(WOWGetVDMPointer(vp, 256, TRUE), fill, 256);
        mine.emplace_back(vp, fill);
        if (mine.size() > 6) {
            auto [old, oldFill] = mine.front();
            mine.erase(mine.begin());
            auto* p = static_cast<unsigned char*>(WOWGetVDMPointer(old, 256, TRUE));
            ASSERT_NE(p, nullptr);
            for (int i = 0; i < 256; ++i) {
                ASSERT_EQ(p[i], oldFill);
            }
            ASSERT_EQ(WOWGlobalUnlockFree16(old), 0);
        }
    }
    for (auto [vp, fill] : mine) {
        ASSERT_EQ(WOWGlobalUnlockFree16(vp), 0);
    }
    const auto a = first.get();
    const auto b = second.get();
    EXPECT_EQ(a.exitCode, 0) << a.err;
    EXPECT_EQ(b.exitCode, 0) << b.err;
    EXPECT_EQ(platform::wow16LiveBlockCount(), 0);
}

TEST_F(Wow16Test, BlocksOfEndedProcessesAreReclaimed) {
    const VPVOID mine = WOWGlobalAllocLock16(GMEM_FIXED, 8, nullptr);
    ASSERT_NE(mine, 0u);
    auto leaked = runProcess({peer(), "leak", "5"});
    ASSERT_EQ(leaked.exitCode, 0) << leaked.err;
    std::istringstream lines(leaked.out);
    std::vector<VPVOID> addresses;
    for (std::string line; std::getline(lines, line);) {
        addresses.push_back(static_cast<VPVOID>(std::stoul(line, nullptr, 16)));
    }
    ASSERT_EQ(addresses.size(), 5u);
    EXPECT_EQ(platform::wow16ReclaimDeadBlocks(), 5);
    for (VPVOID vp : addresses) {
        EXPECT_EQ(WOWGetVDMPointer(vp, 1, TRUE), nullptr);
    }
    EXPECT_NE(WOWGetVDMPointer(mine, 8, TRUE), nullptr) << "a live process keeps its blocks";
    EXPECT_EQ(platform::wow16LiveBlockCount(), 1);
}

TEST_F(Wow16Test, TheFileIsPrivateToItsUser) {
    ASSERT_NE(WOWGlobalAllocLock16(GMEM_FIXED, 8, nullptr), 0u);
    struct stat st {};
    ASSERT_EQ(::stat(file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    platform::wow16Detach();
    ASSERT_EQ(::chmod(file().c_str(), 0644), 0);
    ASSERT_NE(WOWGlobalAllocLock16(GMEM_FIXED, 8, nullptr), 0u);
    ASSERT_EQ(::stat(file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "an opened file is made private again";
}

// A file that is not a 16-bit memory file is never changed and never crashes anyone.
TEST_F(Wow16Test, ForeignOrDamagedFilesAreLeftAlone) {
    ASSERT_NE(WOWGlobalAllocLock16(GMEM_FIXED, 8, nullptr), 0u);
    platform::wow16Detach();
    const std::string valid = orv_test::readFile(file());

    struct Case {
        const char* what;
        std::string content;
    };
    std::string badMagic = valid;
    badMagic[0] = 'X';
    std::string badVersion = valid;
    badVersion[8] = 99;
    std::string badLayout = valid;
    badLayout[24] = 0x33; // the slot count
    const std::vector<Case> cases = {
        {"text file", "just some text\n"}, {"truncated", valid.substr(0, 4096)},
        {"wrong magic", badMagic},         {"wrong version", badVersion},
        {"foreign layout", badLayout},     {"one byte longer", valid + "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            std::ofstream out(file(), std::ios::binary | std::ios::trunc);
            out << c.content;
        }
        platform::wow16Detach();
        testing::internal::CaptureStderr();
        EXPECT_EQ(WOWGlobalAllocLock16(GMEM_FIXED, 8, nullptr), 0u);
        EXPECT_EQ(WOWGetVDMPointer(0x000F0000, 1, TRUE), nullptr);
        EXPECT_EQ(platform::wow16LiveBlockCount(), -1);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(file().string()), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "reported once: " << err;
        EXPECT_TRUE(orv_test::readFile(file()) == c.content) << "the file was changed";
        auto peerRun = runProcess({peer(), "leak", "1"});
        EXPECT_EQ(peerRun.exitCode, 1) << "another process fails cleanly too";
    }
}

} // namespace

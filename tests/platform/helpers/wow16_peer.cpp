// A second process for the 16-bit memory tests.
//   write <vp> <text>         writes text at the 16:16 address vp (hex)
//   read <vp> <n>             prints n bytes at vp
//   leak <n>                  allocates n blocks, fills each with its selector's low byte, prints
//                             their addresses and ends without freeing them
//   hold <ms> <file>          opens the 16-bit memory, creates file, and ends after ms
//   stress <rounds> <tag>     allocates, fills, checks and frees blocks at random; exits 1 if a
//                             block ever holds bytes that this process did not write
#include "platform/wow16.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int fail(const char* message) {
    std::fprintf(stderr, "wow16_peer: %s\n", message);
    return 1;
}

struct Block {
    VPVOID vp;
    DWORD size;
    unsigned char fill;
};

bool intact(const Block& block) {
    auto* p = static_cast<unsigned char*>(WOWGetVDMPointer(block.vp, block.size, TRUE));
    if (!p) {
        return false;
    }
    for (DWORD i = 0; i < block.size; ++i) {
        if (p[i] != static_cast<unsigned char>(block.fill + i)) {
            return false;
        }
    }
    return true;
}

int stress(int rounds, int tag) {
    std::mt19937 rng(static_cast<unsigned>(tag) * 7919u);
    std::vector<Block> live;
    for (int round = 0; round < rounds; ++round) {
        if (live.size() < 12 && (live.empty() || rng() % 2 == 0)) {
            const DWORD size = 1 + rng() % 8192;
            const VPVOID vp = WOWGlobalAllocLock16(GMEM_FIXED, size, nullptr);
            if (vp == 0) {
                return fail("allocation failed");
            }
            for (const Block& other : live) {
                if (other.vp == vp) {
                    return fail("a live block's selector was handed out again");
                }
            }
            Block block{vp, size, static_cast<unsigned char>(tag * 16 + round)};
            auto* p = static_cast<unsigned char*>(WOWGetVDMPointer(vp, size, TRUE));
            if (!p) {
                return fail("a new block cannot be mapped");
            }
            for (DWORD i = 0; i < size; ++i) {
                p[i] = static_cast<unsigned char>(block.fill + i);
            }
            live.push_back(block);
        } else {
            const std::size_t at = rng() % live.size();
            if (!intact(live[at])) {
                return fail("a block was changed by someone else");
            }
            if (WOWGlobalUnlockFree16(live[at].vp) != 0) {
                return fail("free failed");
            }
            live.erase(live.begin() + static_cast<long>(at));
        }
    }
    for (const Block& block : live) {
        if (!intact(block) || WOWGlobalUnlockFree16(block.vp) != 0) {
            return fail("a block was changed by someone else");
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return fail("usage: write|read|leak|stress ...");
    }
    const std::string mode = argv[1];
    if (mode == "write" && argc == 4) {
        const auto vp = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 16));
        const DWORD n = static_cast<DWORD>(std::strlen(argv[3]));
        void* p = WOWGetVDMPointer(vp, n, TRUE);
        if (!p) {
            return fail("address does not map");
        }
        std::memcpy(p, argv[3], n);
        return 0;
    }
    if (mode == "read" && argc == 4) {
        const auto vp = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 16));
        const auto n = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
        const void* p = WOWGetVDMPointer(vp, n, TRUE);
        if (!p) {
            return fail("address does not map");
        }
        std::fwrite(p, 1, n, stdout);
        return 0;
    }
    if (mode == "leak") {
        const int n = std::atoi(argv[2]);
        for (int i = 0; i < n; ++i) {
            HMEM16 handle = 0;
            const VPVOID vp = WOWGlobalAllocLock16(GMEM_FIXED, 64, &handle);
            if (vp == 0) {
                return fail("allocation failed");
            }
            std::memset(WOWGetVDMPointer(vp, 64, TRUE), handle & 0xFF, 64);
            std::printf("%08X\n", vp);
        }
        return 0;
    }
    if (mode == "hold" && argc == 4) {
        // Opens the file, says so by creating the named file, and keeps it open for a minute.
        if (platform::wow16LiveBlockCount() < 0) {
            return fail("the file cannot be opened");
        }
        std::fclose(std::fopen(argv[3], "w"));
        ::usleep(static_cast<useconds_t>(std::atoi(argv[2])) * 1000);
        return 0;
    }
    if (mode == "stress" && argc == 4) {
        return stress(std::atoi(argv[2]), std::atoi(argv[3]));
    }
    return fail("bad arguments");
}

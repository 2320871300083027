// 16-bit global memory: blocks named by 16:16 addresses (selector:offset) that mean the same block
// in every process of the user. Allocation, mapping and release follow the WOW thunk interface.
#pragma once

#include "platform/win_types.h"

using VPVOID = DWORD; // a 16:16 address: selector in the high word, offset in the low word
using HMEM16 = WORD;  // a 16-bit memory handle

constexpr WORD GMEM_FIXED = 0x0000;
constexpr WORD GMEM_MOVEABLE = 0x0002;
constexpr WORD GMEM_ZEROINIT = 0x0040;

// Largest block: one 16-bit segment.
constexpr DWORD kWow16MaxBlockSize = 0x10000;

// Allocates and locks a block of cb bytes; returns its 16:16 address (0 on failure) and, if
// phMem is given, its handle.
VPVOID WOWGlobalAllocLock16(WORD wFlags, DWORD cb, HMEM16* phMem);
// Maps dwBytes at the 16:16 address vp into this process; nullptr unless [vp, vp + dwBytes) lies
// inside a live block. fProtectedMode must be TRUE (real-mode addresses do not exist here).
LPVOID WOWGetVDMPointer(DWORD vp, DWORD dwBytes, BOOL fProtectedMode);
// As WOWGetVDMPointer, and keeps the block from moving until WOWGetVDMPointerUnfix.
LPVOID WOWGetVDMPointerFix(DWORD vp, DWORD dwBytes, BOOL fProtectedMode);
void WOWGetVDMPointerUnfix(DWORD vp);
// Unlocks and frees the block at vpMem; returns 0 on success, the block's handle on failure.
HMEM16 WOWGlobalUnlockFree16(DWORD vpMem);

namespace platform {

// The blocks live in one file that every process of the user maps: $<prefix>WOW16 when set, else
// the identity's memory file in runtimeDir() (see identity.h). A file that is not such a mapping
// (wrong magic, version or size) is left alone: it is reported once on stderr and every allocation
// fails.

// Frees the blocks of processes that have ended and returns how many; -1 when the mapping is
// unavailable. Every allocation does this too.
int wow16ReclaimDeadBlocks();
// Number of live blocks of all processes; -1 when the mapping is unavailable.
int wow16LiveBlockCount();
// For tests: forgets this process's mapping (pointers into it become invalid) so that the next
// call opens the file that the environment names then. This process's blocks are reclaimed as
// those of an ended process.
void wow16Detach();

} // namespace platform

// The layout of the shared 16-bit memory file and its opening.
//
// The file starts with a header (magic, version, sizes, a robust process-shared mutex, the table of
// registered processes and the table of selectors) followed by one 64 KiB segment per selector.
// Selector index i (1 to kSlotCount) owns segment i - 1; a selector reads (i << 3) | 7, like an LDT
// selector. Every table access happens under the header's mutex.
//
// A process that allocates registers in the process table and holds an open-file-description lock
// on its entry's byte for as long as it lives; when it ends, the kernel drops the lock, and the
// next allocation in any process finds the entry unlocked and frees that process's blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <pthread.h>
#include <string>

namespace platform::wow16 {

constexpr char kMagic[8] = {'O', 'R', 'V', 'W', 'O', 'W', '1', '6'};
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kSlotCount = 1024;
constexpr std::uint32_t kProcessCount = 256;
constexpr std::size_t kSlotSize = 0x10000;
constexpr std::size_t kHeaderSize = 0x10000;
constexpr std::uint64_t kFileSize = kHeaderSize + std::uint64_t{kSlotCount} * kSlotSize;

constexpr std::uint32_t kSlotFree = 0;
constexpr std::uint32_t kSlotLive = 1;

struct SlotEntry {
    std::uint32_t state;       // kSlotFree or kSlotLive
    std::uint32_t size;        // bytes, 1 to kSlotSize
    std::uint32_t owner;       // process entry index + 1
    std::uint32_t ownerSerial; // the owner entry's serial when the block was allocated
    std::uint32_t flags;       // GMEM_* flags of the allocation
    std::uint32_t backed;      // bytes of the segment whose storage is reserved (kept when freed)
    std::uint32_t reserved[2];
};

struct ProcessEntry {
    std::uint32_t inUse;
    std::int32_t pid; // for diagnostics only; liveness comes from the entry's lock
    std::uint32_t serial;
    std::uint32_t reserved;
};

struct Header {
    char magic[8];
    std::uint32_t version;
    std::uint32_t headerSize;
    std::uint64_t fileSize;
    std::uint32_t slotCount;
    std::uint32_t slotSize;
    std::uint32_t processCount;
    std::uint32_t nextSlot; // round-robin start of the next search for a free selector
    alignas(64) pthread_mutex_t mutex;
    ProcessEntry processes[kProcessCount];
    SlotEntry slots[kSlotCount];
};
static_assert(sizeof(Header) <= kHeaderSize);

// File offset of the byte that every process holding the file open keeps a shared lock on; whoever
// can lock it exclusively is the file's only user.
constexpr off_t kUsersLockOffset = kHeaderSize - 1;
static_assert(sizeof(Header) < kUsersLockOffset);

// File offset of the byte whose lock says that process entry p is alive.
constexpr off_t processLockOffset(std::uint32_t p) {
    return static_cast<off_t>(offsetof(Header, processes) + p * sizeof(ProcessEntry));
}

struct Mapping {
    int fd = -1;
    Header* header = nullptr;
    unsigned char* base = nullptr; // start of the file mapping
};

// $<prefix>WOW16, or the identity's memory file in runtimeDir() (see identity.h).
std::filesystem::path mappingPath();
// Opens (creating and initialising when new or empty) and maps the file, and keeps the shared users
// lock while mapped. A file with our magic, version and layout whose only user we are is made new
// (mutex and tables; nobody can own a block in it), so a damaged mutex or table left by an ended
// process never outlives it. On failure returns a Mapping with fd -1 and sets error to a one-line
// reason. Never trusts the file's content beyond what it has checked.
Mapping openMapping(const std::filesystem::path& path, std::string& error);
void closeMapping(Mapping& mapping);
// Makes the mutex new when this process turns out to be the file's only user; false (and nothing
// changed) when another process has the file open.
bool renewMutexIfAlone(Mapping& mapping);
// Sets the open-file-description lock on the byte at offset to type (F_RDLCK, F_WRLCK, F_UNLCK)
// without waiting; false when another open file holds a lock in the way.
bool setByteLock(int fd, off_t offset, short type);
// Initialises a header: tables empty, a new robust process-shared mutex, the magic last.
bool initialiseHeader(Header* header, std::string& error);

} // namespace platform::wow16

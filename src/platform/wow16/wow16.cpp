// 16-bit global memory over the shared file of wow16_file.h.
#include "platform/wow16.h"

#include "platform/identity.h"
#include "platform/wow16/wow16_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <time.h>
#include <unistd.h>

using namespace platform::wow16;

namespace {

constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;
constexpr DWORD kPageSize = 4096;

// This process's view of the shared file.
struct State {
    std::mutex mutex; // serialises this process's use of the fields below
    Mapping mapping;
    bool failed = false;           // opening failed; reported once, until wow16Detach
    std::uint32_t self = kNoEntry; // our process entry
    pid_t selfPid = 0;             // the process that registered (a forked child registers anew)
    bool lockReported = false;     // a lock failure was reported; until wow16Detach
};

State& state() {
    static State* s = new State; // never destroyed: blocks may be freed during static destruction
    return *s;
}

// Opens the mapping on first use. Called with state().mutex held.
bool ensureMapped(State& s) {
    if (s.mapping.header) {
        return true;
    }
    if (s.failed) {
        return false;
    }
    std::string error;
    const auto path = mappingPath();
    s.mapping = openMapping(path, error);
    if (!s.mapping.header) {
        s.failed = true;
        std::fprintf(stderr, "%s: 16-bit global memory unavailable: %s: %s\n",
                     platform::appIdentity().name.c_str(), path.c_str(), error.c_str());
        return false;
    }
    return true;
}

// Tries to take the write lock on a byte of the file without waiting.
bool tryLockByte(int fd, off_t offset) {
    return setByteLock(fd, offset, F_WRLCK);
}

void unlockByte(int fd, off_t offset) {
    setByteLock(fd, offset, F_UNLCK);
}

// Hands a segment's pages back; a file system that cannot punch holes keeps them.
void releaseSlotMemory(const Mapping& m, std::uint32_t index) {
    ::fallocate(m.fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                static_cast<off_t>(kHeaderSize + index * kSlotSize), kSlotSize);
    m.header->slots[index].backed = 0;
}

// Frees a block. Its segment keeps its pages for the next block, so freeing and allocating again
// costs no system call; releaseMemory hands them back (for the blocks of ended processes).
void freeSlot(const Mapping& m, std::uint32_t index, bool releaseMemory) {
    SlotEntry& slot = m.header->slots[index];
    slot.state = kSlotFree;
    slot.size = 0;
    slot.owner = 0;
    slot.ownerSerial = 0;
    slot.flags = 0;
    if (releaseMemory || slot.backed > kSlotSize) {
        releaseSlotMemory(m, index);
    }
}

// Takes the header's mutex, waiting kLockWaitSeconds at most: it is held for microseconds, so a
// longer wait means a damaged lock word (an owner that never existed never dies) or a process
// that hangs while holding it. Then, if no other process has the file open, the mutex is made
// new; otherwise the failure is reported. A holder that died leaves the tables possibly
// half-written; they are repaired by the sweep that every locker runs.
constexpr int kLockWaitSeconds = 2;

bool lockTimed(pthread_mutex_t* mutex) {
    timespec deadline{};
    ::clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += kLockWaitSeconds;
    int rc = 0;
    while ((rc = pthread_mutex_clocklock(mutex, CLOCK_MONOTONIC, &deadline)) == EINTR) {
    }
    if (rc == EOWNERDEAD) {
        pthread_mutex_consistent(mutex);
        rc = 0;
    }
    return rc == 0;
}

class HeaderLock {
public:
    explicit HeaderLock(State& s) : header_(s.mapping.header) {
        locked_ = lockTimed(&header_->mutex);
        if (!locked_ && renewMutexIfAlone(s.mapping)) {
            locked_ = lockTimed(&header_->mutex);
        }
        if (!locked_ && !s.lockReported) {
            s.lockReported = true;
            std::fprintf(stderr,
                         "%s: 16-bit global memory unavailable: %s: its lock is damaged or "
                         "held by a process that hangs, and another program has the file open; "
                         "it is renewed when no other program uses it\n",
                         platform::appIdentity().name.c_str(), mappingPath().c_str());
        }
    }
    ~HeaderLock() {
        if (locked_) {
            pthread_mutex_unlock(&header_->mutex);
        }
    }
    HeaderLock(const HeaderLock&) = delete;
    HeaderLock& operator=(const HeaderLock&) = delete;
    bool locked() const { return locked_; }

private:
    Header* header_;
    bool locked_ = false;
};

// Frees the entries of ended processes and every block that no live entry owns, and repairs
// entries that cannot be valid. Returns the number of blocks freed. Header mutex held.
int sweep(const State& s) {
    const Mapping& m = s.mapping;
    Header* h = m.header;
    for (std::uint32_t p = 0; p < kProcessCount; ++p) {
        ProcessEntry& entry = h->processes[p];
        if (entry.inUse == 0 || p == s.self) {
            continue;
        }
        if (tryLockByte(m.fd, processLockOffset(p))) {
            entry.inUse = 0; // its process has ended: the kernel dropped its lock
            unlockByte(m.fd, processLockOffset(p));
        }
    }
    int freed = 0;
    for (std::uint32_t i = 0; i < kSlotCount; ++i) {
        SlotEntry& slot = h->slots[i];
        if (slot.state == kSlotFree) {
            continue;
        }
        const bool valid = slot.state == kSlotLive && slot.size >= 1 && slot.size <= kSlotSize &&
                           slot.owner >= 1 && slot.owner <= kProcessCount;
        const bool owned = valid && h->processes[slot.owner - 1].inUse != 0 &&
                           h->processes[slot.owner - 1].serial == slot.ownerSerial;
        if (!owned) {
            freeSlot(m, i, true);
            ++freed;
        }
    }
    if (h->nextSlot >= kSlotCount) {
        h->nextSlot = 0;
    }
    return freed;
}

// Makes sure this process has a process entry. Header mutex held.
bool registerSelf(State& s) {
    const pid_t pid = ::getpid();
    if (s.self != kNoEntry && s.selfPid == pid) {
        return true;
    }
    if (s.self != kNoEntry) {
        // A forked child shares its parent's lock; it needs an open file description of its own.
        const std::string fdPath = "/proc/self/fd/" + std::to_string(s.mapping.fd);
        const int fd = ::open(fdPath.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        ::close(s.mapping.fd);
        s.mapping.fd = fd;
        s.self = kNoEntry;
    }
    Header* h = s.mapping.header;
    for (std::uint32_t p = 0; p < kProcessCount; ++p) {
        ProcessEntry& entry = h->processes[p];
        if (entry.inUse != 0 || !tryLockByte(s.mapping.fd, processLockOffset(p))) {
            continue;
        }
        entry.serial += 1;
        entry.pid = pid;
        entry.inUse = 1;
        s.self = p;
        s.selfPid = pid;
        return true;
    }
    return false;
}

constexpr WORD selectorOf(std::uint32_t index) {
    return static_cast<WORD>(((index + 1) << 3) | 7);
}

// The slot index of a selector, or kNoEntry.
std::uint32_t indexOf(WORD selector) {
    if ((selector & 7) != 7) {
        return kNoEntry;
    }
    const std::uint32_t index = selector >> 3;
    if (index < 1 || index > kSlotCount) {
        return kNoEntry;
    }
    return index - 1;
}

LPVOID mapAddress(DWORD vp, DWORD dwBytes, BOOL fProtectedMode) {
    if (!fProtectedMode) {
        return nullptr;
    }
    const std::uint32_t index = indexOf(static_cast<WORD>(vp >> 16));
    const DWORD offset = vp & 0xFFFF;
    if (index == kNoEntry) {
        return nullptr;
    }
    State& s = state();
    std::lock_guard guard(s.mutex);
    if (!ensureMapped(s)) {
        return nullptr;
    }
    HeaderLock lock(s);
    if (!lock.locked()) {
        return nullptr;
    }
    const SlotEntry& slot = s.mapping.header->slots[index];
    if (slot.state != kSlotLive || slot.size > kSlotSize || offset >= slot.size ||
        dwBytes > slot.size - offset) {
        return nullptr;
    }
    return s.mapping.base + kHeaderSize + index * kSlotSize + offset;
}

} // namespace

VPVOID WOWGlobalAllocLock16(WORD wFlags, DWORD cb, HMEM16* phMem) {
    if (phMem) {
        *phMem = 0;
    }
    if (cb == 0 || cb > kWow16MaxBlockSize) {
        return 0;
    }
    State& s = state();
    std::lock_guard guard(s.mutex);
    if (!ensureMapped(s)) {
        return 0;
    }
    const Mapping& m = s.mapping;
    HeaderLock lock(s);
    if (!lock.locked()) {
        return 0;
    }
    sweep(s);
    if (!registerSelf(s)) {
        return 0;
    }
    Header* h = m.header;
    for (std::uint32_t n = 0; n < kSlotCount; ++n) {
        const std::uint32_t index = (h->nextSlot + n) % kSlotCount;
        SlotEntry& slot = h->slots[index];
        if (slot.state != kSlotFree) {
            continue;
        }
        const off_t start = static_cast<off_t>(kHeaderSize + index * kSlotSize);
        // Reserve the storage once per segment, so a full file system fails here rather than
        // with a fault on first touch; a segment keeps it from one block to the next.
        if (slot.backed > kSlotSize) {
            slot.backed = 0; // not a value we wrote
        }
        if (slot.backed < cb) {
            const DWORD want = (cb + kPageSize - 1) / kPageSize * kPageSize;
            if (const int rc = ::posix_fallocate(m.fd, start, want); rc != 0 && rc != EOPNOTSUPP) {
                return 0;
            }
            slot.backed = want;
        }
        if (wFlags & GMEM_ZEROINIT) {
            std::memset(m.base + start, 0, cb);
        }
        slot.size = cb;
        slot.owner = s.self + 1;
        slot.ownerSerial = h->processes[s.self].serial;
        slot.flags = wFlags;
        slot.state = kSlotLive;
        // Round robin: a selector that was just freed comes back only after all others.
        h->nextSlot = (index + 1) % kSlotCount;
        if (phMem) {
            *phMem = selectorOf(index);
        }
        return static_cast<VPVOID>(selectorOf(index)) << 16;
    }
    return 0;
}

LPVOID WOWGetVDMPointer(DWORD vp, DWORD dwBytes, BOOL fProtectedMode) {
    return mapAddress(vp, dwBytes, fProtectedMode);
}

LPVOID WOWGetVDMPointerFix(DWORD vp, DWORD dwBytes, BOOL fProtectedMode) {
    // Blocks never move here, so fixing is mapping.
    return mapAddress(vp, dwBytes, fProtectedMode);
}

void WOWGetVDMPointerUnfix(DWORD) {}

HMEM16 WOWGlobalUnlockFree16(DWORD vpMem) {
    const WORD selector = static_cast<WORD>(vpMem >> 16);
    const HMEM16 failure = selector != 0 ? selector : 0xFFFF;
    const std::uint32_t index = indexOf(selector);
    if (index == kNoEntry || (vpMem & 0xFFFF) != 0) {
        return failure;
    }
    State& s = state();
    std::lock_guard guard(s.mutex);
    if (!ensureMapped(s)) {
        return failure;
    }
    HeaderLock lock(s);
    if (!lock.locked() || s.mapping.header->slots[index].state != kSlotLive) {
        return failure;
    }
    freeSlot(s.mapping, index, false);
    return 0;
}

namespace platform {

int wow16ReclaimDeadBlocks() {
    State& s = state();
    std::lock_guard guard(s.mutex);
    if (!ensureMapped(s)) {
        return -1;
    }
    HeaderLock lock(s);
    return lock.locked() ? sweep(s) : -1;
}

int wow16LiveBlockCount() {
    State& s = state();
    std::lock_guard guard(s.mutex);
    if (!ensureMapped(s)) {
        return -1;
    }
    HeaderLock lock(s);
    if (!lock.locked()) {
        return -1;
    }
    int count = 0;
    for (const SlotEntry& slot : s.mapping.header->slots) {
        count += slot.state == kSlotLive ? 1 : 0;
    }
    return count;
}

void wow16Detach() {
    State& s = state();
    std::lock_guard guard(s.mutex);
    closeMapping(s.mapping);
    s.failed = false;
    s.self = kNoEntry;
    s.selfPid = 0;
    s.lockReported = false;
}

} // namespace platform

#include "platform/wow16/wow16_file.h"

#include "platform/identity.h"
#include "platform/paths.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::wow16 {
namespace {

std::string errnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// Holds an flock on the file while it is checked or initialised, so two processes never
// initialise it at once.
class InitLock {
public:
    explicit InitLock(int fd) : fd_(fd) {
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~InitLock() { ::flock(fd_, LOCK_UN); }
    InitLock(const InitLock&) = delete;
    InitLock& operator=(const InitLock&) = delete;

private:
    int fd_;
};

bool headerIsBlank(const Header* header) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(header);
    for (std::size_t i = 0; i < sizeof(Header); ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

bool initMutex(pthread_mutex_t* mutex, std::string& error) {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    const int rc = pthread_mutex_init(mutex, &attr);
    pthread_mutexattr_destroy(&attr);
    if (rc != 0) {
        error = std::string("cannot create the mutex: ") + std::strerror(rc);
        return false;
    }
    return true;
}

// Sets the users lock byte to type (F_RDLCK, F_WRLCK) without waiting.
bool lockUsers(int fd, short type) {
    return setByteLock(fd, kUsersLockOffset, type);
}

} // namespace

bool setByteLock(int fd, off_t offset, short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = offset;
    fl.l_len = 1;
    return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

bool initialiseHeader(Header* header, std::string& error) {
    std::memset(static_cast<void*>(header), 0, sizeof(Header));
    if (!initMutex(&header->mutex, error)) {
        return false;
    }
    header->version = kVersion;
    header->headerSize = kHeaderSize;
    header->fileSize = kFileSize;
    header->slotCount = kSlotCount;
    header->slotSize = kSlotSize;
    header->processCount = kProcessCount;
    header->nextSlot = 0;
    // The magic goes in last: a header with its magic is complete.
    std::atomic_thread_fence(std::memory_order_release);
    std::memcpy(header->magic, kMagic, sizeof kMagic);
    return true;
}

namespace {

std::string checkHeader(const Header* header) {
    if (std::memcmp(header->magic, kMagic, sizeof kMagic) != 0) {
        return "not a 16-bit memory file (wrong magic)";
    }
    if (header->version != kVersion) {
        return "16-bit memory file of version " + std::to_string(header->version) + ", expected " +
               std::to_string(kVersion);
    }
    if (header->headerSize != kHeaderSize || header->fileSize != kFileSize ||
        header->slotCount != kSlotCount || header->slotSize != kSlotSize ||
        header->processCount != kProcessCount) {
        return "16-bit memory file with a foreign layout";
    }
    return {};
}

} // namespace

std::filesystem::path mappingPath() {
    if (const char* path = appEnv("WOW16")) {
        return path;
    }
    const auto dir = runtimeDir();
    return dir.empty() ? dir : dir / appIdentity().memoryFile;
}

namespace {

// Checks, initialises if new, and maps the file; the caller holds the initialisation lock and
// closes fd on failure.
Mapping mapLocked(int fd, std::string& error) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = errnoText("cannot inspect");
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        error = "not a regular file";
        return {};
    }
    if (st.st_uid != ::geteuid()) {
        error = "owned by another user";
        return {};
    }
    if ((st.st_mode & 077) != 0 && ::fchmod(fd, 0600) != 0) {
        error = errnoText("cannot restrict its mode to 0600");
        return {};
    }
    const bool fresh = st.st_size == 0;
    if (fresh) {
        if (::ftruncate(fd, static_cast<off_t>(kFileSize)) != 0) {
            error = errnoText("cannot size");
            return {};
        }
        // Reserve the header's pages now, so a full file system fails here and not later
        // with a bus error.
        if (const int rc = ::posix_fallocate(fd, 0, kHeaderSize); rc != 0 && rc != EOPNOTSUPP) {
            ::ftruncate(fd, 0);
            error = std::string("cannot reserve space: ") + std::strerror(rc);
            return {};
        }
    } else if (static_cast<std::uint64_t>(st.st_size) != kFileSize) {
        error = "not a 16-bit memory file (size " + std::to_string(st.st_size) + ")";
        return {};
    }
    void* base = ::mmap(nullptr, kFileSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) {
        error = errnoText("cannot map");
        return {};
    }
    auto* header = static_cast<Header*>(base);
    // Alone with the file (checked under the initialisation lock, which every opener holds until
    // it has its shared users lock): nothing in it can be in use.
    const bool alone = lockUsers(fd, F_WRLCK);
    if (!fresh && !headerIsBlank(header)) {
        if (std::string reason = checkHeader(header); !reason.empty()) {
            ::munmap(base, kFileSize);
            error = std::move(reason);
            return {};
        }
    }
    if (fresh || alone || headerIsBlank(header)) {
        if (!fresh) {
            // Pages of blocks that nobody owns any longer.
            ::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                        static_cast<off_t>(kHeaderSize),
                        static_cast<off_t>(kFileSize - kHeaderSize));
        }
        if (!initialiseHeader(header, error)) {
            ::munmap(base, kFileSize);
            return {};
        }
    }
    if (!lockUsers(fd, F_RDLCK)) {
        ::munmap(base, kFileSize);
        error = errnoText("cannot lock");
        return {};
    }
    Mapping mapping;
    mapping.fd = fd;
    mapping.header = header;
    mapping.base = static_cast<unsigned char*>(base);
    return mapping;
}

} // namespace

Mapping openMapping(const std::filesystem::path& path, std::string& error) {
    if (path.empty()) {
        error = "no folder to keep it in";
        return {};
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = errnoText("cannot open");
        return {};
    }
    Mapping mapping;
    {
        InitLock lock(fd);
        mapping = mapLocked(fd, error);
    }
    if (!mapping.header) {
        ::close(fd);
        return {};
    }
    return mapping;
}

bool renewMutexIfAlone(Mapping& mapping) {
    InitLock lock(mapping.fd);
    if (!lockUsers(mapping.fd, F_WRLCK)) {
        return false;
    }
    std::string error;
    const bool renewed = initMutex(&mapping.header->mutex, error);
    lockUsers(mapping.fd, F_RDLCK);
    return renewed;
}

void closeMapping(Mapping& mapping) {
    if (mapping.base) {
        ::munmap(mapping.base, kFileSize);
    }
    if (mapping.fd >= 0) {
        ::close(mapping.fd);
    }
    mapping = Mapping{};
}

} // namespace platform::wow16

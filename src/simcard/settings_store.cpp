#include "simcard/settings_store.h"

#include "platform/paths.h"
#include "platform/store_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace simcard {
namespace {

constexpr char kMagic[8] = {'O', 'R', 'V', 'S', 'I', 'M', 'C', 'F'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kFileSize = 8 + 4 + 4 + kDriverConfigSize + 4;

std::uint32_t checksum(const unsigned char* bytes, std::size_t size) {
    std::uint32_t hash = 2166136261u; // FNV-1a
    for (std::size_t i = 0; i < size; ++i) {
        hash = (hash ^ bytes[i]) * 16777619u;
    }
    return hash;
}

void put32(unsigned char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

std::uint32_t get32(const unsigned char* at) {
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
           std::uint32_t{at[3]} << 24;
}

std::string errnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool writeAll(int fd, const unsigned char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Reads up to capacity bytes; fewer at the end of the file or on an error.
std::size_t readUpTo(int fd, unsigned char* bytes, std::size_t capacity) {
    std::size_t size = 0;
    while (size < capacity) {
        const ssize_t n = ::read(fd, bytes + size, capacity - size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        size += static_cast<std::size_t>(n);
    }
    return size;
}

} // namespace

DriverConfig defaultDriverConfig() {
    DriverConfig config{};
    for (std::size_t card = 0; card < 4; ++card) {
        std::span<unsigned char> record(config.data() + card * kCardConfigSize, kCardConfigSize);
        for (std::size_t offset = 0; offset < kCardConfigSize; ++offset) {
            if (!isInterpretedOffset(offset)) {
                record[offset] = static_cast<unsigned char>(0x80 | ((offset + 7 * card) & 0x7F));
            }
        }
        writeInt32(record, kMaster, card == 0 ? -1 : 0);
        writeInt32(record, kRateMessages, -1);
        writeInt32(record, kDefaultRate, 44100);
        writeInt32(record, kRestrictedDevice, -1);
        writeInt32(record, kGsifKerning, 3);
        writeInt32(record, kGsifPreload, 8);
    }
    return config;
}

SettingsStore::SettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path SettingsStore::defaultPath() {
    if (const char* path = std::getenv("ORVANE_SIMCARD_STATE"); path && *path) {
        return path;
    }
    return platform::dataDir() / "orvane" / "simcard-settings";
}

DriverConfig SettingsStore::load(std::string& warning) const {
    // Under the lock, so a damaged file is never moved aside just as another process replaces it
    // with good settings. Without a lock (a read-only folder) reading still works.
    platform::FileLock lock(file_.string());
    return loadLocked(warning);
}

DriverConfig SettingsStore::loadLocked(std::string& warning) const {
    const int fd = platform::openRegularFile(file_.string(), O_RDONLY);
    if (fd == -1) {
        if (errno != ENOENT) {
            warning =
                errnoText(file_.string() + ": cannot read the settings") + "; the defaults serve";
        }
        return defaultDriverConfig();
    }
    const bool regular = fd >= 0;
    unsigned char bytes[kFileSize + 1];
    const std::size_t size = regular ? readUpTo(fd, bytes, sizeof bytes) : 0;
    if (regular) {
        ::close(fd);
    }
    const bool valid = size == kFileSize && std::memcmp(bytes, kMagic, 8) == 0 &&
                       get32(bytes + 8) == kVersion && get32(bytes + 12) == kDriverConfigSize &&
                       get32(bytes + kFileSize - 4) == checksum(bytes, kFileSize - 4);
    if (!valid) {
        const auto aside = platform::moveAside(file_.string());
        warning = file_.string() + (regular ? ": damaged settings file" : ": not a regular file") +
                  (aside ? " moved to " + *aside : std::string(" (could not be moved aside)")) +
                  "; the defaults serve";
        return defaultDriverConfig();
    }
    DriverConfig config;
    std::memcpy(config.data(), bytes + 16, kDriverConfigSize);
    return config;
}

bool SettingsStore::save(const DriverConfig& config, std::string& error) const {
    createFolder();
    platform::FileLock lock(file_.string());
    return saveLocked(config, error);
}

bool SettingsStore::saveLocked(const DriverConfig& config, std::string& error) const {
    unsigned char bytes[kFileSize];
    std::memcpy(bytes, kMagic, 8);
    put32(bytes + 8, kVersion);
    put32(bytes + 12, kDriverConfigSize);
    std::memcpy(bytes + 16, config.data(), kDriverConfigSize);
    put32(bytes + kFileSize - 4, checksum(bytes, kFileSize - 4));

    // A save that was killed before its rename left its temporary behind.
    platform::removeStaleTemporaries(file_.string());
    const auto folder = file_.parent_path();
    if (!folder.empty()) {
        platform::makePrivateFolders(folder);
    }
    const auto temp = platform::temporaryFor(file_.string());
    const int fd = platform::openRegularFile(temp, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0) {
        if (fd == platform::kNotARegularFile) {
            errno = EEXIST;
        }
        error = errnoText(temp + ": cannot write the settings");
        return false;
    }
    const bool written = writeAll(fd, bytes, kFileSize) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!written || ::rename(temp.c_str(), file_.c_str()) != 0) {
        errno = written ? errno : savedErrno;
        error = errnoText(file_.string() + ": cannot store the settings");
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool SettingsStore::update(const std::function<void(DriverConfig&)>& change, std::string& warning,
                           std::string& error) const {
    createFolder();
    platform::FileLock lock(file_.string());
    if (!lock.held()) {
        errno = lock.error();
        error = errnoText(file_.string() + ".lock: cannot lock the settings");
        return false;
    }
    DriverConfig config = loadLocked(warning);
    change(config);
    return saveLocked(config, error);
}

void SettingsStore::createFolder() const {
    if (const auto folder = file_.parent_path(); !folder.empty()) {
        platform::makePrivateFolders(folder);
    }
}

} // namespace simcard

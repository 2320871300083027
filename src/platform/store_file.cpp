#include "platform/store_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// rename(2) that fails with EEXIST instead of replacing an existing target.
bool renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // A file system without RENAME_NOREPLACE: a hard link never replaces a name either.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST) {
        return false;
    }
    // Nor hard links (or a folder to move): look first, then rename.
    if (exists(to)) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string timeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

bool processExists(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

} // namespace

FileLock::FileLock(const std::string& path) {
    const int fd = openRegularFile(path + ".lock", O_RDWR | O_CREAT);
    if (fd < 0) {
        error_ = fd == kNotARegularFile ? ENOLCK : errno;
        return;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            error_ = errno;
            ::close(fd);
            return;
        }
    }
    fd_ = fd;
}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        ::close(fd_); // releases the lock
    }
}

int openRegularFile(const std::string& path, int flags, int mode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return kNotARegularFile; // not even opened: opening a device may have effects
    }
    int fd;
    do {
        // Non-blocking, in case the name became a FIFO since the look above.
        fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            return kNotARegularFile;
        }
        errno = error;
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = errno;
        const bool regular = S_ISREG(st.st_mode);
        ::close(fd);
        errno = error;
        return regular ? -1 : kNotARegularFile;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::optional<std::string> moveAside(const std::string& path,
                                     std::initializer_list<const char*> companions) {
    const std::string stem = path + ".broken-" + timeStamp();
    for (int n = 0; n < 1000; ++n) {
        const std::string target = n == 0 ? stem : stem + "-" + std::to_string(n);
        bool taken = exists(target);
        for (const char* suffix : companions) {
            taken = taken || exists(target + suffix);
        }
        if (taken) {
            continue;
        }
        if (!renameNoReplace(path, target)) {
            if (errno == EEXIST) {
                continue; // another process took the name a moment ago
            }
            return std::nullopt;
        }
        for (const char* suffix : companions) {
            if (exists(path + suffix)) {
                renameNoReplace(path + suffix, target + suffix);
            }
        }
        return target;
    }
    errno = EEXIST;
    return std::nullopt;
}

std::string temporaryFor(const std::string& path) {
    return path + ".tmp-" + std::to_string(::getpid());
}

int removeStaleTemporaries(const std::string& path) {
    const std::filesystem::path file(path);
    const std::string prefix = file.filename().string() + ".tmp-";
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const std::string digits = name.substr(prefix.size());
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const pid_t pid = static_cast<pid_t>(std::stol(digits));
        if (pid > 0 && !processExists(pid) && ::unlink((folder / name).c_str()) == 0) {
            ++removed;
        }
    }
    ::closedir(dir);
    return removed;
}

} // namespace platform

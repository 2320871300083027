#include "platform/paths.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kRuntimeDirCandidates = 8;

std::filesystem::path homeDir() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        return pw->pw_dir;
    }
    return "/tmp";
}

std::filesystem::path fromEnv(const char* name, const std::filesystem::path& fallback) {
    const char* value = std::getenv(name);
    return (value && *value == '/') ? std::filesystem::path(value) : fallback;
}

} // namespace

bool privateFolder(const std::filesystem::path& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    // Opened without following a link, so what is checked is what is used.
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
    if (ok && (st.st_mode & 07777) != 0700) {
        ok = ::fchmod(fd, 0700) == 0; // ours, but open to others: close it
    }
    ::close(fd);
    return ok;
}

std::filesystem::path runtimeDir() {
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir && *dir == '/') {
        return dir;
    }
    // Memory-backed first. A name that someone else holds is passed over for the next one; every
    // process of the user walks the same list and so meets in the same folder.
    const std::string name = "orvane-" + std::to_string(::geteuid());
    for (const char* base : {"/dev/shm", "/tmp"}) {
        for (int n = 0; n < kRuntimeDirCandidates; ++n) {
            const std::filesystem::path dir =
                std::filesystem::path(base) / (n == 0 ? name : name + "-" + std::to_string(n));
            if (privateFolder(dir)) {
                return dir;
            }
        }
    }
    static std::once_flag reported;
    std::call_once(reported, [] {
        std::fprintf(stderr, "orvane: no private runtime folder: set XDG_RUNTIME_DIR\n");
    });
    return {};
}

std::filesystem::path configDir() {
    return fromEnv("XDG_CONFIG_HOME", homeDir() / ".config");
}

std::filesystem::path dataDir() {
    return fromEnv("XDG_DATA_HOME", homeDir() / ".local/share");
}

std::filesystem::path executableDir() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

} // namespace platform

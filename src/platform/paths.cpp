#include "platform/paths.h"

#include "platform/identity.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

namespace {

// Creates the missing folders of dir with mode 0700, leaving existing ones as they are.
bool makePrivateFoldersBelow(const std::filesystem::path& dir) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    if (dir.has_parent_path() && dir.parent_path() != dir &&
        !makePrivateFoldersBelow(dir.parent_path())) {
        return false;
    }
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
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

std::filesystem::path firstPrivateFolder(const std::vector<std::filesystem::path>& bases,
                                         const std::string& name) {
    for (const auto& base : bases) {
        for (int n = 0; n < kRuntimeDirCandidates; ++n) {
            const auto dir = base / (n == 0 ? name : name + "-" + std::to_string(n));
            if (privateFolder(dir)) {
                return dir;
            }
        }
    }
    return {};
}

std::filesystem::path runtimeDir() {
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir && *dir == '/') {
        return dir;
    }
    // Memory-backed first. A name that someone else holds is passed over for the next one; every
    // process of the user walks the same list and so meets in the same folder.
    auto dir = firstPrivateFolder({"/dev/shm", "/tmp"},
                                  appIdentity().name + "-" + std::to_string(::geteuid()));
    if (dir.empty()) {
        static std::once_flag reported;
        std::call_once(reported, [] {
            std::fprintf(stderr, "%s: no private runtime folder: set XDG_RUNTIME_DIR\n",
                         appIdentity().name.c_str());
        });
    }
    return dir;
}

bool makePrivateFolders(const std::filesystem::path& dir) {
    if (dir.empty()) {
        return false;
    }
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) {
            return false;
        }
        // Our own folder from an older run may be open to others; a folder of someone else's
        // (a shared parent) is left as it is.
        if (st.st_uid == ::geteuid() && (st.st_mode & 077) != 0) {
            ::chmod(dir.c_str(), st.st_mode & 07700);
        }
        return true;
    }
    if (dir.has_parent_path() && dir.parent_path() != dir &&
        !makePrivateFoldersBelow(dir.parent_path())) {
        return false;
    }
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
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

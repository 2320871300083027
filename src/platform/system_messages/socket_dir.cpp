#include "platform/system_messages/socket_dir.h"

#include "platform/paths.h"
#include "platform/system_messages.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

std::filesystem::path systemMessageDir() {
    return runtimeDir() / "orvane-messages";
}

namespace socket_dir {

bool ensure(const std::filesystem::path& dir, std::string& error) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot make " + dir.string() + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) {
        error = "cannot look at " + dir.string() + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        error = dir.string() + " is not a folder of this user";
        return false;
    }
    if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0) {
        error = "cannot make " + dir.string() + " private: " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string socketName(pid_t pid) {
    return std::to_string(pid) + ".sock";
}

std::optional<pid_t> pidOf(const std::filesystem::path& file) {
    std::string name = file.filename().string();
    constexpr std::string_view suffix = ".sock";
    if (name.size() <= suffix.size() ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return std::nullopt;
    }
    pid_t pid = 0;
    const char* end = name.data() + name.size() - suffix.size();
    auto [ptr, ec] = std::from_chars(name.data(), end, pid);
    if (ec != std::errc() || ptr != end || pid <= 0) {
        return std::nullopt;
    }
    return pid;
}

bool makeAddress(const std::filesystem::path& path, sockaddr_un& address, socklen_t& length) {
    const std::string text = path.string();
    if (text.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + text.size() + 1);
    return true;
}

} // namespace socket_dir
} // namespace platform

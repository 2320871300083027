#include "platform/system_messages/socket_dir.h"

#include "platform/identity.h"
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
    const std::filesystem::path runtime = runtimeDir();
    return runtime.empty() ? runtime : runtime / (appIdentity().name + "-messages");
}

namespace socket_dir {

bool ensure(const std::filesystem::path& dir, std::string& error) {
    if (dir.empty() || dir.is_relative()) {
        error = "there is no runtime folder for the message sockets";
        return false;
    }
    if (!privateFolder(dir)) {
        error = dir.string() + " is not a folder of this user's alone";
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

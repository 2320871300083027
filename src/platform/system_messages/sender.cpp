// The sending side: the message goes to every listening program of the user in turn.
#include "platform/system_messages.h"
#include "platform/system_messages/socket_dir.h"
#include "platform/system_messages/wire.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {
namespace {

struct Socket {
    int fd = -1;
    ~Socket() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

// Waits until fd is readable; false when the time ran out first.
bool waitReadable(int fd, std::chrono::steady_clock::time_point deadline) {
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        int r = ::poll(&p, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
        if (r > 0) {
            return true;
        }
        if (r == 0 || errno != EINTR) {
            return false;
        }
    }
}

ProgramAnswer sendTo(const std::filesystem::path& path, pid_t pid,
                     const std::vector<std::uint8_t>& packet, int timeoutMs) {
    ProgramAnswer answer;
    answer.pid = pid;
    sockaddr_un address{};
    socklen_t length = 0;
    if (!socket_dir::makeAddress(path, address, length)) {
        answer.error = "the socket's path is too long";
        return answer;
    }
    Socket s;
    s.fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (s.fd < 0) {
        answer.error = std::string("cannot make a socket: ") + std::strerror(errno);
        return answer;
    }
    if (::connect(s.fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        int error = errno;
        if (error == ECONNREFUSED) {
            // Nobody listens any more: the program is gone and left its socket behind.
            ::unlink(path.c_str());
            answer.error = "the program is gone";
        } else {
            answer.error = std::string("cannot connect: ") + std::strerror(error);
        }
        return answer;
    }
    if (::send(s.fd, packet.data(), packet.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(packet.size())) {
        answer.error = std::string("cannot send: ") + std::strerror(errno);
        return answer;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!waitReadable(s.fd, deadline)) {
        answer.error = "no answer in time";
        return answer;
    }
    wire::Answer raw{};
    ssize_t n = ::recv(s.fd, &raw, sizeof raw, 0);
    auto decoded = n > 0 ? wire::decodeAnswer(reinterpret_cast<const std::uint8_t*>(&raw),
                                              static_cast<std::size_t>(n))
                         : std::nullopt;
    if (!decoded) {
        // The program ended while handling the message, or answered nonsense.
        answer.error = n == 0 ? "the program closed the connection without an answer"
                              : "the program's answer is not understood";
        return answer;
    }
    answer.reached = true;
    answer.delivery = *decoded;
    return answer;
}

} // namespace

std::vector<ProgramAnswer> sendSystemMessage(const SystemMessage& message, int timeoutMs) {
    std::vector<ProgramAnswer> answers;
    const std::filesystem::path dir = systemMessageDir();
    std::error_code ec;
    std::vector<std::pair<pid_t, std::filesystem::path>> sockets;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        auto pid = socket_dir::pidOf(entry.path());
        if (!pid || *pid == ::getpid()) {
            continue;
        }
        struct stat st {};
        if (::lstat(entry.path().c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) ||
            st.st_uid != ::getuid()) {
            continue;
        }
        sockets.emplace_back(*pid, entry.path());
    }
    std::sort(sockets.begin(), sockets.end());
    const std::vector<std::uint8_t> packet = wire::encodeRequest(message);
    for (const auto& [pid, path] : sockets) {
        answers.push_back(sendTo(path, pid, packet, timeoutMs));
    }
    return answers;
}

} // namespace platform

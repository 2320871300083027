// The listening side: one thread per process that accepts the senders' connections on the
// program's socket and reads the end-of-session signals from their pipe.
#include "platform/system_messages.h"
#include "platform/system_messages/end_signals.h"
#include "platform/system_messages/socket_dir.h"
#include "platform/system_messages/wire.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace platform {
namespace {

// How long a connected sender may take to hand over its message.
constexpr int kRequestTimeoutMs = 2000;

struct Listener {
    SystemMessageReceiver onMessage;
    EndSignalReceiver onEndSignal;
    std::filesystem::path socketPath;
    int socketFd = -1;
    int signalFd = -1;
    int wakeRead = -1;
    int wakeWrite = -1;
    std::thread thread;
};

std::mutex listenerMutex;
Listener* listener = nullptr; // guarded by listenerMutex

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

int openSocket(const std::filesystem::path& path, std::string& error) {
    sockaddr_un address{};
    socklen_t length = 0;
    if (!socket_dir::makeAddress(path, address, length)) {
        error = "the socket's path is too long: " + path.string();
        return -1;
    }
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = std::string("cannot make a socket: ") + std::strerror(errno);
        return -1;
    }
    // A socket of an earlier process with the same pid is stale.
    ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::chmod(path.c_str(), 0600) != 0 || ::listen(fd, 8) != 0) {
        error = "cannot listen on " + path.string() + ": " + std::strerror(errno);
        ::close(fd);
        ::unlink(path.c_str());
        return -1;
    }
    return fd;
}

bool sameUser(int fd) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
           credentials.uid == ::getuid();
}

// Reads one request from a connected sender, has it handled and answers.
void serve(Listener& self, int client) {
    if (!sameUser(client)) {
        return;
    }
    pollfd p{client, POLLIN, 0};
    if (::poll(&p, 1, kRequestTimeoutMs) != 1 || (p.revents & POLLIN) == 0) {
        return;
    }
    std::array<std::uint8_t, wire::kMaxPacket + 1> packet{};
    ssize_t n = ::recv(client, packet.data(), packet.size(), MSG_DONTWAIT);
    if (n <= 0) {
        return;
    }
    DeliveryResult result{DeliveryStatus::Refused, 0};
    if (static_cast<std::size_t>(n) <= wire::kMaxPacket) {
        auto message = wire::decodeRequest(packet.data(), static_cast<std::size_t>(n));
        if (message && isAcceptedSystemMessage(*message)) {
            result = self.onMessage(*message);
        }
    }
    wire::Answer answer = wire::encodeAnswer(result);
    [[maybe_unused]] ssize_t sent = ::send(client, &answer, sizeof answer, MSG_NOSIGNAL);
}

void run(Listener* self) {
    while (true) {
        std::array<pollfd, 3> fds{{{self->wakeRead, POLLIN, 0},
                                   {self->signalFd, POLLIN, 0},
                                   {self->socketFd, POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0) {
            return;
        }
        if (fds[1].revents != 0) {
            for (int signal = end_signals::next(self->signalFd); signal >= 0;
                 signal = end_signals::next(self->signalFd)) {
                self->onEndSignal(signal);
            }
        }
        if (fds[2].revents != 0) {
            int client = ::accept4(self->socketFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                serve(*self, client);
                ::close(client);
            }
        }
    }
}

} // namespace

bool startSystemMessageListener(SystemMessageReceiver onMessage, EndSignalReceiver onEndSignal,
                                std::string& error) {
    std::lock_guard lock(listenerMutex);
    if (listener != nullptr) {
        error = "the system's messages are listened to already";
        return false;
    }
    auto self = std::make_unique<Listener>();
    self->onMessage = std::move(onMessage);
    self->onEndSignal = std::move(onEndSignal);
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    self->wakeRead = wake[0];
    self->wakeWrite = wake[1];
    std::string signalError;
    bool signals = end_signals::install(self->signalFd, signalError);
    std::string socketError;
    const std::filesystem::path dir = systemMessageDir();
    if (socket_dir::ensure(dir, socketError)) {
        self->socketPath = dir / socket_dir::socketName(::getpid());
        self->socketFd = openSocket(self->socketPath, socketError);
        if (self->socketFd < 0) {
            self->socketPath.clear();
        }
    }
    if (!signals && self->socketFd < 0) {
        error = signalError + "; " + socketError;
        closeFd(self->wakeRead);
        closeFd(self->wakeWrite);
        return false;
    }
    error = !signals ? signalError : (self->socketFd < 0 ? socketError : std::string());
    self->thread = std::thread(run, self.get());
    listener = self.release();
    return true;
}

void stopSystemMessageListener() {
    Listener* self = nullptr;
    {
        std::lock_guard lock(listenerMutex);
        self = listener;
        listener = nullptr;
    }
    if (self == nullptr) {
        return;
    }
    char byte = 0;
    [[maybe_unused]] ssize_t n = ::write(self->wakeWrite, &byte, 1);
    self->thread.join();
    if (self->socketFd >= 0) {
        closeFd(self->socketFd);
        ::unlink(self->socketPath.c_str());
    }
    if (self->signalFd >= 0) {
        end_signals::restore();
    }
    closeFd(self->wakeRead);
    closeFd(self->wakeWrite);
    delete self;
}

bool systemMessageListenerRunning() {
    std::lock_guard lock(listenerMutex);
    return listener != nullptr;
}

std::filesystem::path systemMessageSocket() {
    std::lock_guard lock(listenerMutex);
    return listener != nullptr ? listener->socketPath : std::filesystem::path();
}

} // namespace platform

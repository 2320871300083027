#include "platform/system_messages/end_signals.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform::end_signals {
namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

volatile sig_atomic_t writeEnd = -1;
int readEnd = -1;
std::array<struct sigaction, kSignals.size()> previous{};
bool installed = false;

void onSignal(int signal) {
    int saved = errno;
    unsigned char byte = static_cast<unsigned char>(signal);
    if (writeEnd >= 0) {
        // A full pipe already holds enough notices.
        [[maybe_unused]] ssize_t n = ::write(writeEnd, &byte, 1);
    }
    errno = saved;
}

void closePipe() {
    if (writeEnd >= 0) {
        ::close(writeEnd);
        writeEnd = -1;
    }
    if (readEnd >= 0) {
        ::close(readEnd);
        readEnd = -1;
    }
}

} // namespace

bool install(int& readFd, std::string& error) {
    if (installed) {
        error = "the end-of-session signals are watched already";
        return false;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::string("cannot make the signal pipe: ") + std::strerror(errno);
        return false;
    }
    readEnd = fds[0];
    writeEnd = fds[1];
    struct sigaction action {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: a second signal while the first is being handled ends the program at once.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (::sigaction(kSignals[i], &action, &previous[i]) != 0) {
            error = std::string("cannot watch a signal: ") + std::strerror(errno);
            for (std::size_t j = 0; j < i; ++j) {
                ::sigaction(kSignals[j], &previous[j], nullptr);
            }
            closePipe();
            return false;
        }
    }
    installed = true;
    readFd = readEnd;
    return true;
}

void restore() {
    if (!installed) {
        return;
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &previous[i], nullptr);
    }
    installed = false;
    closePipe();
}

int next(int readFd) {
    unsigned char byte = 0;
    ssize_t n = ::read(readFd, &byte, 1);
    return n == 1 ? static_cast<int>(byte) : -1;
}

} // namespace platform::end_signals

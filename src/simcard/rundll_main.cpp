// The stand-in for rundll.exe: runs the card driver's configuration entry point once.
//   rundll qorva.DRV,DriverConfig <command> $XXXXXXXX #XXXXXXXX
// Resolves both 16:16 addresses, carries the command out on the data block, sets the flag and
// ends with 0. A bad command line, a bad description or an address that names no block large
// enough ends with a one-line message on stderr and a nonzero status, without touching memory.
#include "platform/wow16.h"
#include "simcard/command_line.h"
#include "simcard/config_commands.h"
#include "simcard/description.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

enum ExitCode {
    kOk = 0,
    kBadCommandLine = 2,
    kBadDescription = 3,
    kBadAddress = 4,
    kCommandFailed = 5,
};

int fail(ExitCode code, const std::string& message) {
    std::fprintf(stderr, "rundll: %s\n", message.c_str());
    return code;
}

[[noreturn]] void crash() {
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    std::signal(SIGSEGV, SIG_DFL);
    std::raise(SIGSEGV);
    ::kill(::getpid(), SIGKILL);
    for (;;) {
        ::pause();
    }
}

[[noreturn]] void hang() {
    for (;;) {
        ::pause();
    }
}

// ORVANE_SIMCARD_LOG names a file that gets one line per start: the command line as given.
void logStart(const std::string& text) {
    const char* path = std::getenv("ORVANE_SIMCARD_LOG");
    if (path == nullptr || *path == '\0') {
        return;
    }
    // Private to the user: it holds the command lines with their addresses.
    const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        return;
    }
    const std::string line = text + "\n";
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
}

} // namespace

int main(int argc, char** argv) {
    using namespace simcard;
    const std::string text = joinArguments(argc, argv);
    logStart(text);
    const auto parsed = parseCommandLine(text);
    if (!parsed.call) {
        return fail(kBadCommandLine, parsed.error);
    }
    const ConfigCall call = *parsed.call;
    const auto loaded = loadDescription();
    if (!loaded.description) {
        return fail(kBadDescription, loaded.error);
    }
    const HardwareDescription& description = *loaded.description;
    const EntryFault fault = description.entryFaults[static_cast<int>(call.command)];
    if (fault == EntryFault::Crashes) {
        crash();
    }
    if (fault == EntryFault::Hangs) {
        hang();
    }

    const std::size_t size = recordSize(call.command);
    auto* data = static_cast<unsigned char*>(
        WOWGetVDMPointer(call.dataAddress, static_cast<DWORD>(size), TRUE));
    if (!data) {
        return fail(kBadAddress, "data address $" + formatAddress(call.dataAddress) +
                                     " names no 16-bit block of " + std::to_string(size) +
                                     " bytes");
    }
    void* flag = WOWGetVDMPointer(call.flagAddress, kFlagSize, TRUE);
    if (!flag) {
        return fail(kBadAddress, "flag address #" + formatAddress(call.flagAddress) +
                                     " names no 16-bit block of 4 bytes");
    }

    const SettingsStore store(SettingsStore::defaultPath());
    std::string warning;
    std::string error;
    const bool done =
        runConfigCommand(call.command, std::span(data, size), description, store, warning, error);
    if (!warning.empty()) {
        std::fprintf(stderr, "rundll: %s\n", warning.c_str());
    }
    if (!done) {
        // No flag: the caller learns from the ended process that the command did not happen.
        return fail(kCommandFailed, error);
    }
    if (fault != EntryFault::NeverSetsFlag) {
        setCompletionFlag(flag);
    }
    return kOk;
}

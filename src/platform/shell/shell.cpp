// ShellExecuteA: starts a program with posix_spawn and collects its exit in the background.
#include "platform/shell.h"

#include "platform/paths.h"

#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <mutex>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>

extern char** environ;

namespace {

// The processes started by ShellExecuteA that have not been collected yet, by token.
struct Children {
    std::mutex mutex;
    std::condition_variable collected;
    std::unordered_map<std::uintptr_t, pid_t> running;
    std::uintptr_t nextToken = 0x1000; // tokens stay above 32 and are never reused
};

Children& children() {
    static Children* c = new Children; // never destroyed: reapers may finish during exit
    return *c;
}

// Waits for one child and collects it. The wait does not collect (WNOWAIT), so the pid stays
// this process's zombie, and safe to signal, until the collection under the mutex.
void reap(std::uintptr_t token, std::future<pid_t> started) {
    const pid_t pid = started.get();
    if (pid <= 0) {
        return;
    }
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
    Children& c = children();
    std::lock_guard lock(c.mutex);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    c.running.erase(token);
    c.collected.notify_all();
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char ch) { return (ch >= 'A' && ch <= 'Z') ? char(ch + 32) : ch; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool isExecutableFile(const std::filesystem::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// Looks a bare name up in PATH; nullopt and the error code when it is not there.
std::optional<std::filesystem::path> searchPath(const std::string& name, INT& error) {
    const char* pathEnv = std::getenv("PATH");
    const std::string_view dirs = pathEnv ? pathEnv : "/usr/local/bin:/usr/bin:/bin";
    error = SE_ERR_FNF;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string_view::npos) {
            end = dirs.size();
        }
        const std::string dir(dirs.substr(start, end - start));
        const std::filesystem::path candidate =
            std::filesystem::path(dir.empty() ? "." : dir) / name;
        if (isExecutableFile(candidate)) {
            return std::filesystem::absolute(candidate);
        }
        if (::access(candidate.c_str(), F_OK) == 0) {
            error = SE_ERR_ACCESSDENIED; // there, but not a program we may run
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> resolveProgram(const std::string& file, INT& error) {
    if (iequals(file, "rundll.exe") || file == "rundll") {
        // ORVANE_RUNDLL names the stand-in where it is not installed beside the program.
        if (const char* named = std::getenv("ORVANE_RUNDLL"); named != nullptr && *named != '\0') {
            std::filesystem::path path(named);
            if (isExecutableFile(path)) {
                return path;
            }
            error = SE_ERR_FNF;
            return std::nullopt;
        }
        const auto beside = platform::executableDir() / "rundll";
        if (isExecutableFile(beside)) {
            return beside;
        }
#ifdef ORVANE_HELPERDIR_FROM_BINDIR
        // Installed: the program's helpers have a folder of their own beside bin/.
        const auto installed = (platform::executableDir() / ORVANE_HELPERDIR_FROM_BINDIR / "rundll")
                                   .lexically_normal();
        if (isExecutableFile(installed)) {
            return installed;
        }
#endif
        return searchPath("rundll", error);
    }
    if (file.find('/') != std::string::npos) {
        return std::filesystem::absolute(file);
    }
    return searchPath(file, error);
}

INT errorFromErrno(int err) {
    switch (err) {
    case ENOENT:
        return SE_ERR_FNF;
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return SE_ERR_PNF;
    case ENOEXEC:
    case EINVAL:
    case ELIBBAD:
        return ERROR_BAD_FORMAT;
    case ENOMEM:
    case EAGAIN:
    case E2BIG:
    case EMFILE:
    case ENFILE:
        return SE_ERR_OOM;
    default:
        return SE_ERR_ACCESSDENIED;
    }
}

HINSTANCE result(std::uintptr_t value) {
    return reinterpret_cast<HINSTANCE>(value);
}

// posix_spawn with a clean signal state, stdin from /dev/null and an optional working folder.
int spawn(pid_t& pid, const std::filesystem::path& program, const std::vector<std::string>& args,
          const char* directory) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const auto& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (directory) {
        posix_spawn_file_actions_addchdir_np(&actions, directory);
    }
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return rc;
}

} // namespace

HINSTANCE ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, INT) {
    if (lpOperation && *lpOperation && !iequals(lpOperation, "open")) {
        return result(SE_ERR_NOASSOC);
    }
    if (!lpFile || !*lpFile) {
        return result(SE_ERR_FNF);
    }
    const char* directory = (lpDirectory && *lpDirectory) ? lpDirectory : nullptr;
    if (directory && !std::filesystem::is_directory(directory)) {
        return result(SE_ERR_PNF);
    }
    INT error = SE_ERR_FNF;
    const auto program = resolveProgram(lpFile, error);
    if (!program) {
        return result(static_cast<std::uintptr_t>(error));
    }
    std::vector<std::string> args{lpFile};
    for (auto& arg : platform::shellSplitParameters(lpParameters ? lpParameters : "")) {
        args.push_back(std::move(arg));
    }

    Children& c = children();
    std::uintptr_t token = 0;
    {
        std::lock_guard lock(c.mutex);
        token = c.nextToken++;
    }
    // The reaper exists before the child, so a child is never left without one.
    std::promise<pid_t> started;
    try {
        std::thread(reap, token, started.get_future()).detach();
    } catch (const std::system_error&) {
        return result(SE_ERR_OOM);
    }
    pid_t pid = 0;
    const int rc = spawn(pid, *program, args, directory);
    if (rc != 0) {
        started.set_value(-1);
        return result(static_cast<std::uintptr_t>(errorFromErrno(rc)));
    }
    {
        std::lock_guard lock(c.mutex);
        c.running.emplace(token, pid);
    }
    started.set_value(pid); // only now may the reaper collect and forget the token
    return result(token);
}

namespace platform {

bool shellProcessRunning(HINSTANCE token) {
    Children& c = children();
    std::lock_guard lock(c.mutex);
    return c.running.count(reinterpret_cast<std::uintptr_t>(token)) != 0;
}

void shellTerminateProcess(HINSTANCE token) {
    Children& c = children();
    const auto key = reinterpret_cast<std::uintptr_t>(token);
    std::unique_lock lock(c.mutex);
    const auto it = c.running.find(key);
    if (it == c.running.end()) {
        return;
    }
    // Not collected yet (collection happens under this mutex), so the pid is still our child.
    ::kill(it->second, SIGKILL);
    c.collected.wait(lock, [&] { return c.running.count(key) == 0; });
}

std::vector<std::string> shellSplitParameters(std::string_view parameters) {
    std::vector<std::string> args;
    std::size_t i = 0;
    while (i < parameters.size()) {
        while (i < parameters.size() && (parameters[i] == ' ' || parameters[i] == '\t')) {
            ++i;
        }
        if (i == parameters.size()) {
            break;
        }
        std::string arg;
        bool quoted = false;
        for (; i < parameters.size(); ++i) {
            const char ch = parameters[i];
            if (ch == '"') {
                quoted = !quoted;
            } else if (!quoted && (ch == ' ' || ch == '\t')) {
                break;
            } else {
                arg += ch;
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

} // namespace platform

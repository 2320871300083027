// ShellExecuteA: starts a program and collects its exit in the background, on one reaper thread.
#include "platform/shell.h"

#include "platform/paths.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <optional>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>

extern char** environ;

namespace {

// A started process that has not been collected yet. Its pidfd (-1 where the kernel has none)
// tells the reaper when it ends.
struct Child {
    pid_t pid = 0;
    int pidfd = -1;
};

// The processes started by ShellExecuteA that have not been collected yet, by token, and the exit
// statuses of the last few that were.
struct Children {
    std::mutex mutex;
    std::condition_variable collected;
    std::unordered_map<std::uintptr_t, Child> running;
    std::deque<std::pair<std::uintptr_t, int>> ended; // token and wait status, oldest first
    std::uintptr_t nextToken = 0x1000;                // tokens stay above 32 and are never reused
    int epoll = -1; // the reaper's set of pidfds; -1 until it runs
};

constexpr std::size_t kKeptStatuses = 64;

Children& children() {
    static Children* c = new Children; // never destroyed: the reaper runs until the process ends
    return *c;
}

// Collects an ended child and forgets it. Mutex held; the pid is still our zombie until here, so
// nothing else can have taken it.
void collect(Children& c, std::uintptr_t token) {
    const auto it = c.running.find(token);
    if (it == c.running.end()) {
        return;
    }
    int status = 0;
    while (::waitpid(it->second.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (it->second.pidfd >= 0) {
        ::epoll_ctl(c.epoll, EPOLL_CTL_DEL, it->second.pidfd, nullptr);
        ::close(it->second.pidfd);
    }
    c.running.erase(it);
    c.ended.emplace_back(token, status);
    if (c.ended.size() > kKeptStatuses) {
        c.ended.pop_front();
    }
    c.collected.notify_all();
}

// The one reaper of the process: sleeps until a started process ends and collects it.
void reaperLoop(int epoll) {
    Children& c = children();
    epoll_event events[16];
    for (;;) {
        const int n = ::epoll_wait(epoll, events, 16, -1);
        if (n < 0) {
            continue; // EINTR
        }
        std::lock_guard lock(c.mutex);
        for (int i = 0; i < n; ++i) {
            collect(c, static_cast<std::uintptr_t>(events[i].data.u64));
        }
    }
}

// Starts the reaper on first use; false when it cannot run. Mutex held.
bool ensureReaper(Children& c) {
    if (c.epoll >= 0) {
        return true;
    }
    const int epoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (epoll < 0) {
        return false;
    }
    try {
        std::thread(reaperLoop, epoll).detach();
    } catch (const std::system_error&) {
        ::close(epoll);
        return false;
    }
    c.epoll = epoll;
    return true;
}

// Where the kernel offers no pidfd: a thread of its own waits for the child, without collecting
// it (WNOWAIT), so the pid stays safe to signal until the collection under the mutex.
void waitWithoutPidfd(std::uintptr_t token, pid_t pid) {
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
    Children& c = children();
    std::lock_guard lock(c.mutex);
    collect(c, token);
}

// Hands a started child to the reaper; false when nothing could watch it. Mutex held.
bool watch(Children& c, std::uintptr_t token, pid_t pid) {
    Child child;
    child.pid = pid;
    child.pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (child.pidfd >= 0) {
        epoll_event event{};
        // One report per child: a copy of the pidfd in a forked process cannot make it repeat.
        event.events = EPOLLIN | EPOLLONESHOT;
        event.data.u64 = token;
        if (::epoll_ctl(c.epoll, EPOLL_CTL_ADD, child.pidfd, &event) != 0) {
            ::close(child.pidfd);
            child.pidfd = -1;
        }
    }
    if (child.pidfd < 0) {
        try {
            std::thread(waitWithoutPidfd, token, pid).detach();
        } catch (const std::system_error&) {
            return false;
        }
    }
    c.running.emplace(token, child);
    return true;
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

// Starts the program: vfork and exec, because the child has to ask for the parent-death signal
// before it runs, which posix_spawn cannot do. The child gets default signal handling, an empty
// signal mask, stdin from /dev/null and the working folder; between vfork and exec it makes
// system calls only. Returns 0 or the errno that kept the program from starting.
int spawn(pid_t& pid, const std::filesystem::path& program, const std::vector<std::string>& args,
          const char* directory) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const auto& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const char* path = program.c_str();
    char** const argvData = argv.data();
    char** const envp = environ;

    // No signal handler of ours may run in the child while it shares our memory.
    sigset_t all;
    sigset_t old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    const pid_t parent = ::getpid();
    volatile int childError = 0; // written by the child, which shares this frame until exec
    pid = ::vfork();
    if (pid == 0) {
        struct sigaction defaults {};
        defaults.sa_handler = SIG_DFL;
        for (int sig = 1; sig < NSIG; ++sig) {
            ::sigaction(sig, &defaults, nullptr); // fails harmlessly for KILL, STOP and libc's own
        }
        // Ends with the thread that started it, and with the program whatever ends it.
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) {
            childError = errno;
            ::_exit(127);
        }
        if (::getppid() != parent) {
            childError = ESRCH; // the program ended before the parent-death signal was armed
            ::_exit(127);
        }
        const int null = ::open("/dev/null", O_RDONLY);
        if (null < 0 || (null != STDIN_FILENO && ::dup2(null, STDIN_FILENO) < 0)) {
            childError = errno;
            ::_exit(127);
        }
        if (null != STDIN_FILENO) {
            ::close(null);
        }
        if (directory && ::chdir(directory) != 0) {
            childError = errno;
            ::_exit(127);
        }
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(path, argvData, envp);
        childError = errno;
        ::_exit(127);
    }
    const int forkError = errno;
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (pid < 0) {
        return forkError;
    }
    if (childError != 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return childError;
    }
    return 0;
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
    std::lock_guard lock(c.mutex);
    if (!ensureReaper(c)) {
        return result(SE_ERR_OOM);
    }
    pid_t pid = 0;
    // Started under the mutex, so no collection can run between the start and the watch.
    if (const int rc = spawn(pid, *program, args, directory); rc != 0) {
        return result(static_cast<std::uintptr_t>(errorFromErrno(rc)));
    }
    const std::uintptr_t token = c.nextToken++;
    if (!watch(c, token, pid)) {
        ::kill(pid, SIGKILL);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return result(SE_ERR_OOM);
    }
    return result(token);
}

namespace platform {

bool shellProcessRunning(HINSTANCE token) {
    Children& c = children();
    std::lock_guard lock(c.mutex);
    return c.running.count(reinterpret_cast<std::uintptr_t>(token)) != 0;
}

bool shellWaitProcess(HINSTANCE token, DWORD milliseconds) {
    Children& c = children();
    const auto key = reinterpret_cast<std::uintptr_t>(token);
    std::unique_lock lock(c.mutex);
    return c.collected.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                [&] { return c.running.count(key) == 0; });
}

bool shellProcessExitCode(HINSTANCE token, int& exitCode) {
    Children& c = children();
    const auto key = reinterpret_cast<std::uintptr_t>(token);
    std::lock_guard lock(c.mutex);
    for (const auto& [ended, status] : c.ended) {
        if (ended == key) {
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return true;
        }
    }
    return false;
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
    ::kill(it->second.pid, SIGKILL);
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

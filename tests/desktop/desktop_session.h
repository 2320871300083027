// Test support for the program on a desktop of its own: a private X server, a private D-Bus
// session bus, a notification-area host, and the program itself, each a process of the test
// that ends with it. xdotool looks at the windows and acts as the user's hand.
#pragma once

#include "support/build_paths.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orv_test {

// A process that runs in the background until the object goes.
class Background {
public:
    Background() = default;
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;
    ~Background() { stop(); }

    // Starts args[0] (a path) with env added to this process's environment. With
    // announce, the program writes a line to its descriptor 3 (a display number, a bus
    // address), which start reads and returns; empty when nothing came in time.
    std::string start(const std::vector<std::string>& args,
                      const std::map<std::string, std::string>& env = {}, bool announce = false,
                      const std::filesystem::path& log = {}) {
        int pipeFds[2] = {-1, -1};
        if (announce && ::pipe2(pipeFds, O_CLOEXEC) != 0) {
            return {};
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (announce) {
            posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 3);
        }
        if (!log.empty()) {
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                             O_WRONLY | O_CREAT | O_APPEND, 0644);
            posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        }
        std::vector<std::string> environment;
        for (char** e = environ; *e != nullptr; ++e) {
            std::string entry(*e);
            if (!env.count(entry.substr(0, entry.find('=')))) {
                environment.push_back(entry);
            }
        }
        for (const auto& [name, value] : env) {
            environment.push_back(name + "=" + value);
        }
        std::vector<char*> envp;
        for (auto& e : environment) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        std::vector<char*> argv;
        for (const auto& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        const int rc =
            ::posix_spawn(&pid_, args.at(0).c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            pid_ = 0;
        }
        if (!announce) {
            return {};
        }
        ::close(pipeFds[1]);
        std::string line;
        pollfd fd{pipeFds[0], POLLIN, 0};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (pid_ != 0 && line.find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            if (::poll(&fd, 1, 200) > 0) {
                char buffer[256];
                const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
                if (n <= 0) {
                    break;
                }
                line.append(buffer, static_cast<std::size_t>(n));
            }
        }
        ::close(pipeFds[0]);
        return line.substr(0, line.find('\n'));
    }

    pid_t pid() const { return pid_; }
    // Whether it still runs.
    bool running() {
        if (pid_ == 0) {
            return false;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = 0;
            return false;
        }
        return true;
    }
    // Ends it: TERM, and KILL when it does not go.
    void stop() {
        if (!running()) {
            return;
        }
        ::kill(pid_, SIGTERM);
        if (!waitUntil([this] { return !running(); }, std::chrono::seconds(5))) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = 0;
        }
    }

private:
    pid_t pid_ = 0;
};

// A private X server; display() is its name (":N").
class PrivateDisplay {
public:
    PrivateDisplay() {
        const auto number = server_.start(
            {"/usr/bin/Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
            {}, true);
        if (!number.empty()) {
            display_ = ":" + number;
        }
    }
    const std::string& display() const { return display_; }

private:
    Background server_;
    std::string display_;
};

// A private D-Bus session bus; address() is the address to reach it.
class PrivateBus {
public:
    PrivateBus() {
        address_ = daemon_.start(
            {"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=3"}, {}, true);
    }
    const std::string& address() const { return address_; }

private:
    Background daemon_;
    std::string address_;
};

// A private Wayland compositor (weston, headless) with its socket in runtimeDir; socket() is
// its name for WAYLAND_DISPLAY, empty when it did not come up.
class PrivateWayland {
public:
    explicit PrivateWayland(const std::filesystem::path& runtimeDir) : runtimeDir_(runtimeDir) {
        const std::string name = "wayland-orvane-test";
        weston_.start({"/usr/bin/weston", "--backend=headless-backend.so",
                       "--shell=desktop-shell.so", "--socket=" + name, "--idle-time=0", "--debug"},
                      {{"XDG_RUNTIME_DIR", runtimeDir.string()}}, false,
                      runtimeDir.parent_path() / "weston.log");
        if (waitUntil([&] { return std::filesystem::exists(runtimeDir / name); })) {
            socket_ = name;
        }
    }
    const std::string& socket() const { return socket_; }
    // The titles of the compositor's top-level windows, one a line, from its scene graph.
    std::string toplevelTitles() const {
        ScopedEnv runtime("XDG_RUNTIME_DIR", runtimeDir_.string());
        ScopedEnv display("WAYLAND_DISPLAY", socket_);
        const auto r =
            runProcess({"/usr/bin/weston-debug", "scene-graph"}, std::chrono::seconds(10));
        std::string titles;
        const std::string marker = "top-level window '";
        for (std::size_t at = r.out.find(marker); at != std::string::npos;
             at = r.out.find(marker, at + 1)) {
            const auto begin = at + marker.size();
            titles += r.out.substr(begin, r.out.find('\'', begin) - begin) + "\n";
        }
        return titles;
    }

private:
    std::filesystem::path runtimeDir_;
    Background weston_;
    std::string socket_;
};

// xdotool on a display; its output, trimmed of the last newline.
inline ProcessResult xdotool(const std::string& display, const std::vector<std::string>& args) {
    ScopedEnv on("DISPLAY", display);
    std::vector<std::string> command{"/usr/bin/xdotool"};
    command.insert(command.end(), args.begin(), args.end());
    auto r = runProcess(command, std::chrono::seconds(30));
    while (!r.out.empty() && r.out.back() == '\n') {
        r.out.pop_back();
    }
    return r;
}

// The visible windows whose title matches the pattern (a regular expression), one id a line.
inline std::string visibleWindows(const std::string& display, const std::string& title) {
    return xdotool(display, {"search", "--onlyvisible", "--name", title}).out;
}

} // namespace orv_test

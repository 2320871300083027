// Running other programs from tests: to their end with their output captured, or alongside the
// test with their standard output read line by line; and waiting for a condition.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orv_test {

struct ProcessResult {
    int exitCode = -1; // -1 when it did not exit normally
    int signal = 0;    // the signal that ended it, 0 if none
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs args[0] (a path) to its end, capturing stdout and stderr; kills it after the timeout.
ProcessResult runProcess(const std::vector<std::string>& args,
                         std::chrono::milliseconds timeout = std::chrono::seconds(60));

// A program started with its standard output on a pipe; killed when the object goes.
class ChildProcess {
public:
    // args[0] is the program's path.
    explicit ChildProcess(const std::vector<std::string>& args);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    void kill(int signal);
    // The next line of standard output; false at its end or when none came within the timeout.
    bool readLine(std::string& line, int timeoutMs);
    // The raw wait status; -1 when the process did not end within the timeout (it is then
    // killed).
    int wait(int timeoutMs = 20000);

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffer_;
};

// Polls cond every few milliseconds until it holds or the (generous) limit passes.
bool waitUntil(const std::function<bool()>& cond,
               std::chrono::milliseconds limit = std::chrono::seconds(30));

} // namespace orv_test

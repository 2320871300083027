// The signals that ask the program to end (SIGTERM, SIGINT, SIGHUP), turned into bytes in a
// pipe: the handler writes the signal's number and does nothing else.
#pragma once

#include <string>

namespace platform::end_signals {

// Installs the handlers; the pipe's read end (non-blocking) goes to readFd. False with a
// reason when the pipe or a handler could not be set up (nothing stays installed then).
bool install(int& readFd, std::string& error);
// Restores the handling that was in place before and closes the pipe.
void restore();
// Reads the signals that arrived; -1 when none (more) is waiting.
int next(int readFd);

} // namespace platform::end_signals

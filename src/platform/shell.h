// Starting programs: ShellExecuteA with its Windows signature and result codes.
#pragma once

#include "platform/win_types.h"

#include <string>
#include <string_view>
#include <vector>

// ShellExecuteA results at or below 32 are errors.
constexpr INT SE_ERR_FNF = 2; // file not found
constexpr INT SE_ERR_PNF = 3; // path not found
constexpr INT SE_ERR_ACCESSDENIED = 5;
constexpr INT SE_ERR_OOM = 8;
constexpr INT ERROR_BAD_FORMAT = 11;
constexpr INT SE_ERR_NOASSOC = 31; // a verb other than the default or "open"

// Starts lpFile with lpParameters in lpDirectory (empty or null: the current directory) and
// returns at once, without waiting for the program. A result above 32 means it was started.
// "rundll.exe" names the program's rundll stand-in beside the running executable, then in the
// installed program's helper folder (libexec/orvane-manager beside its bin/), then in PATH.
// The started program's exit is collected in the background. The program ends with the caller:
// it gets SIGKILL when the thread that started it ends (for the program's main thread: when the
// program ends, however it ends), so no started program outlives the program that started it.
//
// lpFile: a name with a slash is a path (relative to the caller's current directory); a name
// without one is looked up in PATH. lpParameters is split into arguments at blanks and tabs; a
// double-quoted stretch keeps its blanks ("a b" is one argument, the quotes are removed); there
// are no escapes. lpOperation: null, "" or "open". The program inherits the environment, stdout
// and stderr; its stdin is /dev/null. Failures: SE_ERR_FNF (no such file), SE_ERR_PNF (a folder
// on the way, or lpDirectory, does not exist), SE_ERR_ACCESSDENIED (not executable),
// ERROR_BAD_FORMAT (not a program), SE_ERR_OOM (no resources), SE_ERR_NOASSOC (other verbs).
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, INT nShowCmd);

namespace platform {

// What ShellExecuteA returns on success is a token of the started process (a value above 32,
// never reused within a run). These let a caller that waits for the program's work notice that
// the program has ended, or end it.

// True while the process started with that token runs; false once it has ended (or for a token
// that names no process started by ShellExecuteA).
bool shellProcessRunning(HINSTANCE token);
// Waits until the process has ended and been collected, for at most milliseconds; true when it
// has (at once for a token that names no running process).
bool shellWaitProcess(HINSTANCE token, DWORD milliseconds);
// The exit status (0 to 255; -1 when a signal ended it) of a process that has ended, if it is
// among the last 64 that did; false while it runs or when it is no longer known.
bool shellProcessExitCode(HINSTANCE token, int& exitCode);
// Ends the process (SIGKILL) if it still runs and waits until it has been collected.
void shellTerminateProcess(HINSTANCE token);

// How ShellExecuteA splits lpParameters into arguments (see above).
std::vector<std::string> shellSplitParameters(std::string_view parameters);

} // namespace platform

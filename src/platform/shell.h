// Starting programs: ShellExecuteA with its Windows signature and result codes.
#pragma once

#include "platform/win_types.h"

// ShellExecuteA results at or below 32 are errors.
constexpr INT SE_ERR_FNF = 2;    // file not found
constexpr INT SE_ERR_PNF = 3;    // path not found
constexpr INT SE_ERR_ACCESSDENIED = 5;
constexpr INT SE_ERR_OOM = 8;
constexpr INT ERROR_BAD_FORMAT = 11;

// Starts lpFile with lpParameters in lpDirectory (empty or null: the current directory) and
// returns at once, without waiting for the program. A result above 32 means it was started.
// "rundll.exe" names the program's rundll stand-in beside the running executable (then PATH).
// The started program's exit is collected in the background.
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, INT nShowCmd);

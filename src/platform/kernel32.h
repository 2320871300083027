// The few kernel calls the program uses, with their Windows signatures.
#pragma once

#include "platform/win_types.h"

// Suspends the calling thread for at least dwMilliseconds.
void Sleep(DWORD dwMilliseconds);
// Milliseconds since an arbitrary start, from a monotonic clock; wraps after 49.7 days.
DWORD GetTickCount();

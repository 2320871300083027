// The multimedia API: wave devices and multimedia timers, with their Windows names, signatures,
// constants and record layouts. Wave devices come from the installed wave drivers (winmm_driver.h),
// numbered in installation order.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

using MMRESULT = UINT;
using MMVERSION = UINT;

struct HWAVEIN__ {
    int unused;
};
struct HWAVEOUT__ {
    int unused;
};
using HWAVEIN = HWAVEIN__*;
using HWAVEOUT = HWAVEOUT__*;
using LPHWAVEIN = HWAVEIN*;
using LPHWAVEOUT = HWAVEOUT*;

// Results.
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMSYSERR_HANDLEBUSY = 12; // the handle is in use by this thread's driver call
constexpr MMRESULT WAVERR_BADFORMAT = 32;

constexpr std::size_t MAXPNAMELEN = 32;

// Open flags.
constexpr DWORD CALLBACK_TYPEMASK = 0x00070000;
constexpr DWORD CALLBACK_NULL = 0x00000000;
constexpr DWORD CALLBACK_WINDOW = 0x00010000;
constexpr DWORD WAVE_FORMAT_QUERY = 0x0001;

// Notifications delivered to a callback window.
constexpr UINT MM_WOM_OPEN = 0x3BB;
constexpr UINT MM_WOM_CLOSE = 0x3BC;
constexpr UINT MM_WOM_DONE = 0x3BD;
constexpr UINT MM_WIM_OPEN = 0x3BE;
constexpr UINT MM_WIM_CLOSE = 0x3BF;
constexpr UINT MM_WIM_DATA = 0x3C0;

// Driver-defined messages start here.
constexpr UINT DRV_USER = 0x4000;

constexpr WORD WAVE_FORMAT_PCM = 1;

#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};

struct WAVEINCAPSA {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
    DWORD dwFormats;
    WORD wChannels;
    WORD wReserved1;
};

struct WAVEOUTCAPSA {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
    DWORD dwFormats;
    WORD wChannels;
    WORD wReserved1;
    DWORD dwSupport;
};
#pragma pack(pop)

static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(sizeof(WAVEINCAPSA) == 48);
static_assert(sizeof(WAVEOUTCAPSA) == 52);

UINT waveInGetNumDevs();
MMRESULT waveInGetDevCapsA(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic);
MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, const WAVEFORMATEX* pwfx, DWORD_PTR dwCallback,
                    DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT waveInClose(HWAVEIN hwi);
MMRESULT waveInMessage(HWAVEIN hwi, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2);

UINT waveOutGetNumDevs();
MMRESULT waveOutGetDevCapsA(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc);
MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx,
                     DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT waveOutClose(HWAVEOUT hwo);
MMRESULT waveOutMessage(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2);

// Multimedia timers.
using LPTIMECALLBACK = void (*)(UINT uTimerID, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dw1,
                                DWORD_PTR dw2);
constexpr UINT TIME_ONESHOT = 0x0000;
constexpr UINT TIME_PERIODIC = 0x0001;
constexpr UINT TIME_CALLBACK_FUNCTION = 0x0000;
constexpr UINT TIME_KILL_SYNCHRONOUS = 0x0100; // accepted; every timeKillEvent is synchronous here
constexpr MMRESULT TIMERR_NOERROR = 0;
constexpr MMRESULT TIMERR_NOCANDO = 97;

// Callbacks run one at a time on one timer thread, on an absolute schedule (a periodic timer's
// n-th callback is due at start + n * delay, however late earlier ones were). A timer that falls
// more than platform::kTimerMaxCatchUp periods behind skips the periods beyond that bound instead
// of firing them in a burst. uDelay must be 1 to 65535 ms. uResolution is how late a callback may
// run (at most uDelay; 0: on time): timers use it to share the timer thread's wakes. Returns the
// timer id (never 0, not reused within a run) or 0 on failure.
MMRESULT timeSetEvent(UINT uDelay, UINT uResolution, LPTIMECALLBACK fptc, DWORD_PTR dwUser,
                      UINT fuEvent);
// Once this returns, the timer's callback does not run again: a callback of that timer running on
// the timer thread is waited for, unless the caller is that callback itself. A one-shot timer
// whose callback has finished is gone (MMSYSERR_INVALPARAM, as for an unknown id).
MMRESULT timeKillEvent(UINT uTimerID);

namespace platform {
// How many missed periods a late periodic timer still fires to catch up.
constexpr unsigned kTimerMaxCatchUp = 10;
} // namespace platform

// Window callbacks (CALLBACK_WINDOW) are delivered as posted messages. The wave API knows no
// windows; the windowing layer installs the function that posts a message to a window.
using WindowMessagePoster = BOOL (*)(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
void winmmSetWindowMessagePoster(WindowMessagePoster poster);

// The interface between the wave API and an installed wave driver, after the model of Windows
// wave drivers: one message entry point for input devices and one for output devices.
//
// The wave API sends each driver, with device ids local to that driver:
//   WIDM_GETNUMDEVS / WODM_GETNUMDEVS      -> number of devices
//   WIDM_GETDEVCAPS / WODM_GETDEVCAPS      dwParam1 = capabilities record, dwParam2 = its size
//   WIDM_OPEN / WODM_OPEN                  dwUser = DWORD_PTR* receiving the driver's instance,
//                                          dwParam1 = const WAVEOPENDESC*, dwParam2 = open flags
//   WIDM_CLOSE / WODM_CLOSE                dwUser = the instance
//   any message >= DRV_USER                dwUser = the instance, parameters passed unchanged
// The wave API itself posts MM_WIM_OPEN / MM_WIM_CLOSE (MM_WOM_...) to a callback window after a
// successful open or close.
#pragma once

#include "platform/winmm.h"

constexpr UINT WODM_GETNUMDEVS = 3;
constexpr UINT WODM_GETDEVCAPS = 4;
constexpr UINT WODM_OPEN = 5;
constexpr UINT WODM_CLOSE = 6;
constexpr UINT WIDM_GETNUMDEVS = 50;
constexpr UINT WIDM_GETDEVCAPS = 51;
constexpr UINT WIDM_OPEN = 52;
constexpr UINT WIDM_CLOSE = 53;

struct WAVEOPENDESC {
    void* hWave; // the HWAVEIN or HWAVEOUT being opened
    const WAVEFORMATEX* lpFormat;
    DWORD_PTR dwCallback;
    DWORD_PTR dwInstance;
    UINT uMappedDeviceID;
};

using WaveDriverProc = DWORD (*)(UINT uDeviceID, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dwParam1,
                                 DWORD_PTR dwParam2);

struct WaveDriver {
    const char* name; // for diagnostics only
    WaveDriverProc widMessage;
    WaveDriverProc wodMessage;
};

// Installs a driver after those already installed; its devices follow theirs. Installing the
// same driver twice has no effect. Not safe while handles are open on other threads.
void winmmInstallDriver(const WaveDriver* driver);
// Removes every installed driver (open handles become invalid). For start-up and tests.
void winmmRemoveAllDrivers();

// Run-time state of the program that is not persisted: beside Settings, so that every layer can
// reach it without reaching up into the application shell.
#pragma once
#include "platform/win.h"

#include <cstdint>

#include "model/settings.h" // kTextChars

struct AppStateBlock {
    HINSTANCE instance;       // the module, for resources and our own path
    const wchar_t* cmdLine;   // kept for the whole run; initialisation looks at it again
    int32_t startupFlag;      // started by the Startup shortcut ("-s")
    int32_t hideWhenShown;    // a "-s" start on an armed alarm hides once the window is shown
    int32_t hidePending;      // the start-up hide (timer 4) is set and has not fired yet
    SYSTEMTIME snoozeDue;     // the next ring's time, worked out by this process's last ring...
    int32_t snoozeRegistered; // ...while that is the alarm's next ring (1), else 0
    HFONT clockFont;          // lives until the process ends
    DWORD savedVolume;        // the user's wave-out volume from before the volume effect
    int32_t volumeSaved;      // 1 while savedVolume is still to be put back
    DWORD fadeStep;           // per-channel increments, packed like a volume word
    UINT_PTR fadeTimerId;     // the window-less fade timer, 0 when none runs
    int32_t ledMode;          // last mode given to the LED: 0 off, 1 on, 2 blink
    // A repeating alarm's miss that the user has not been told yet ("Missed: ..."), or empty.
    wchar_t missedAlarm[kTextChars];
};

extern AppStateBlock AppState;

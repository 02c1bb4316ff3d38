// Run-time state of the program that is not persisted.
#pragma once
#include <cstdint>
#include "platform/win.h"

struct AppStateBlock {
    HINSTANCE instance;      // the module, for resources and our own path
    const wchar_t* cmdLine;  // kept for the whole run; initialisation looks at it again
    int32_t startupFlag;     // started by the Startup shortcut ("-s")
    int32_t hideWhenShown;   // a "-s" start on an armed alarm hides once the window is shown
    HFONT clockFont;         // lives until the process ends
    DWORD savedVolume;       // the user's wave-out volume from before the volume effect
    int32_t volumeSaved;     // 1 while savedVolume is still to be put back
    DWORD fadeStep;          // per-channel increments, packed like a volume word
    UINT_PTR fadeTimerId;    // the window-less fade timer, 0 when none runs
    int32_t ledMode;         // last mode given to the LED: 0 off, 1 on, 2 blink
};

extern AppStateBlock AppState;

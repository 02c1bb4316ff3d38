// One virtual notification LED: the program's taskbar button. Blinking flashes it, on leaves it
// highlighted, off stops it.
#include "platform/led.h"

#include "platform/desktop/own_window.h"

namespace platform {

namespace {

constexpr UINT32 kLedCount = 1;

} // namespace

BOOL NLedGetDeviceInfo(UINT infoId, void* output) {
    if (!output)
        return FALSE;
    if (infoId == NLED_COUNT_INFO_ID) {
        static_cast<NLED_COUNT_INFO*>(output)->cLeds = kLedCount;
        return TRUE;
    }
    if (infoId == NLED_SUPPORTS_INFO_ID) {
        auto* supports = static_cast<NLED_SUPPORTS_INFO*>(output);
        if (supports->LedNum >= kLedCount)
            return FALSE;
        // The program hands the cycle adjustment to the LED as its mode: answer "blink". The
        // flashing rhythm is the desktop's own, so no timing can be adjusted.
        supports->lCycleAdjust = kLedBlink;
        supports->fAdjustTotalCycleTime = FALSE;
        supports->fAdjustOnTime = FALSE;
        supports->fAdjustOffTime = FALSE;
        supports->fMetaCycleOn = FALSE;
        supports->fMetaCycleOff = FALSE;
        return TRUE;
    }
    return FALSE;
}

BOOL NLedSetDevice(UINT infoId, void* input) {
    if (infoId != NLED_SETTINGS_INFO_ID || !input)
        return FALSE;
    const auto* settings = static_cast<const NLED_SETTINGS_INFO*>(input);
    if (settings->LedNum >= kLedCount)
        return FALSE;
    FLASHWINFO flash = {};
    flash.cbSize = sizeof flash;
    switch (settings->OffOnBlink) {
    case kLedOff:
        flash.dwFlags = FLASHW_STOP;
        break;
    case kLedOn:
        // One flash leaves the button highlighted until the window is activated.
        flash.dwFlags = FLASHW_TRAY;
        flash.uCount = 1;
        break;
    case kLedBlink:
        flash.dwFlags = FLASHW_ALL | FLASHW_TIMER;
        break;
    default:
        return FALSE;
    }
    flash.hwnd = desktop::FindOwnMainWindow();
    if (!flash.hwnd)
        return FALSE;
    ::FlashWindowEx(&flash);
    return TRUE;
}

} // namespace platform

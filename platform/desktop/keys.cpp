// Synthesised key events and hot keys. The desktop has no power key and no application buttons,
// so those are carried out by other means.
#include "platform/keys.h"

#include <powrprof.h>

namespace platform {

namespace {

constexpr BYTE kFirstAppButton = 0xC1; // VK_APP1
constexpr BYTE kLastAppButton = 0xD0;

// The handheld's sixteen application buttons, in order, on keys every desktop keyboard has and
// that typing does not need: F5 to F12, F1 to F4, Pause, Scroll Lock, and the media keys
// Play/Pause and Stop. They are held only while the alarm rings.
constexpr UINT kDesktopButtons[kLastAppButton - kFirstAppButton + 1] = {
    VK_F5,         VK_F6,  VK_F7,    VK_F8,     VK_F9,
    VK_F10,        VK_F11, VK_F12,   VK_F1,     VK_F2,
    VK_F3,         VK_F4,  VK_PAUSE, VK_SCROLL, VK_MEDIA_PLAY_PAUSE,
    VK_MEDIA_STOP,
};

#ifndef MOD_NOREPEAT
#define MOD_NOREPEAT 0x4000
#endif

} // namespace

void keybd_event(BYTE key, BYTE scan, DWORD flags, ULONG_PTR extra) {
    const bool release = (flags & KEYEVENTF_KEYUP) != 0;
    if (key == VK_OFF) {
        // The power key: its press suspends, as on the device; the release has nothing to do.
        if (!release)
            ::SetSuspendState(FALSE, FALSE, FALSE);
        return;
    }
    if (key == VK_F24) {
        // The keep-awake key: tell the desktop outright that the system and display are needed.
        ::SetThreadExecutionState(ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
    }
    // The device's "silent" flag is the desktop's Unicode flag: drop it, there is no key click.
    ::keybd_event(key, scan, flags & ~KEYEVENTF_SILENT, extra);
}

BOOL RegisterHotKey(HWND window, int id, UINT modifiers, UINT key) {
    if (key >= kFirstAppButton && key <= kLastAppButton) {
        // The desktop has no key-up hot keys: the press alone is delivered, once per press.
        return ::RegisterHotKey(window, id, MOD_NOREPEAT, kDesktopButtons[key - kFirstAppButton]);
    }
    return ::RegisterHotKey(window, id, modifiers & ~MOD_KEYUP, key);
}

BOOL UnregisterHotKey(HWND window, int id) {
    return ::UnregisterHotKey(window, id);
}

} // namespace platform

// The screen's device context and its escapes. The desktop display driver has no
// power-management escape, so it is answered here and carried out with SC_MONITORPOWER.
#include "platform/display.h"

#include "platform/desktop/own_window.h"

namespace platform {

namespace {

// SC_MONITORPOWER arguments.
constexpr LPARAM kMonitorOn = -1;
constexpr LPARAM kMonitorLowPower = 1;
constexpr LPARAM kMonitorOff = 2;

int SwitchMonitor(const VIDEO_POWER_MANAGEMENT& power) {
    LPARAM state;
    switch (power.PowerState) {
    case VideoPowerOn:
        state = kMonitorOn;
        break;
    case VideoPowerOff:
        state = kMonitorOff;
        break;
    case 2: // standby
    case 3: // suspend
        state = kMonitorLowPower;
        break;
    default:
        return -1;
    }
    // Any top-level window's default handling switches the monitor. Our own window is enough;
    // posting rather than sending keeps a hung window elsewhere from blocking the program.
    HWND window = desktop::FindOwnMainWindow();
    if (!::PostMessageW(window ? window : HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER, state))
        return -1;
    if (state == kMonitorOn) {
        // Newer desktops ignore the "on" request; input and a display request wake the monitor.
        ::SetThreadExecutionState(ES_DISPLAY_REQUIRED);
        INPUT nudge = {};
        nudge.type = INPUT_MOUSE;
        nudge.mi.dwFlags = MOUSEEVENTF_MOVE;
        ::SendInput(1, &nudge, sizeof nudge);
    }
    return 1;
}

} // namespace

HDC GetDC(HWND window) {
    return ::GetDC(window);
}

int ReleaseDC(HWND window, HDC dc) {
    return ::ReleaseDC(window, dc);
}

int ExtEscape(HDC dc, int escape, int inputSize, LPCSTR input, int outputSize, LPSTR output) {
    if (escape == QUERYESCSUPPORT_ESCAPE && input && inputSize >= static_cast<int>(sizeof(DWORD))) {
        DWORD asked;
        memcpy(&asked, input, sizeof asked);
        if (asked == static_cast<DWORD>(SETPOWERMANAGEMENT))
            return 1;
    }
    if (escape == SETPOWERMANAGEMENT) {
        VIDEO_POWER_MANAGEMENT power;
        if (!input || inputSize < static_cast<int>(sizeof power))
            return -1;
        memcpy(&power, input, sizeof power);
        if (power.Length < sizeof power)
            return -1;
        return SwitchMonitor(power);
    }
    return ::ExtEscape(dc, escape, inputSize, input, outputSize, output);
}

} // namespace platform

// The screen's device context and the display power-management escapes.
#pragma once
#include "platform/win.h"

namespace platform {

constexpr int QUERYESCSUPPORT_ESCAPE = 8;
constexpr int SETPOWERMANAGEMENT = 6147;
constexpr UINT32 VideoPowerOn = 1;
constexpr UINT32 VideoPowerOff = 4;

struct VIDEO_POWER_MANAGEMENT {
    UINT32 Length;
    UINT32 DPMSVersion;
    UINT32 PowerState;
};
static_assert(sizeof(VIDEO_POWER_MANAGEMENT) == 12, "display record layout");

HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
int ExtEscape(HDC dc, int escape, int inputSize, LPCSTR input, int outputSize, LPSTR output);

} // namespace platform

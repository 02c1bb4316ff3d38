// The screen's device context and its escapes.
#include "platform/display.h"

namespace platform {

HDC GetDC(HWND window) { return ::GetDC(window); }

int ReleaseDC(HWND window, HDC dc) { return ::ReleaseDC(window, dc); }

int ExtEscape(HDC dc, int escape, int inputSize, LPCSTR input, int outputSize, LPSTR output) {
    return ::ExtEscape(dc, escape, inputSize, input, outputSize, output);
}

} // namespace platform

#include "platform/desktop/own_window.h"

#include <iterator>
#include <wchar.h>

#include "model/names.h"

namespace desktop {

namespace {

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return TRUE;
    wchar_t title[16];
    if (GetWindowTextW(window, title, static_cast<int>(std::size(title))) <= 0 ||
        wcscmp(title, kWindowTitle) != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

} // namespace

HWND FindOwnMainWindow() {
    HWND found = nullptr;
    EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace desktop

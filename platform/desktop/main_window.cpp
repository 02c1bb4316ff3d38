#include "platform/desktop/main_window.h"

#include <wchar.h>

namespace desktop {

namespace {

constexpr wchar_t kMainWindowTitle[] = L"Dawnbell";

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return TRUE;
    wchar_t title[16];
    if (GetWindowTextW(window, title, 16) <= 0 || wcscmp(title, kMainWindowTitle) != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

} // namespace

HWND FindMainWindow() {
    HWND found = nullptr;
    EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace desktop

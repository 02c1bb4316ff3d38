// tools/bench's hand-over yardsticks, against a running Dawnbell.
//
//   hand_over          the protocol and no more: the single-instance mutex, the main window
//                      found by its class and title, shown, sent WM_ALARM, and the reply
//                      waited for (the running instance has started its ring by then)
//   hand_over --bare   a bare find-and-send: the window found the same way and sent a message
//                      that does nothing, the least any second start can do
#include <windows.h>

#include <cwchar>

#include "resources/resource.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR cmdLine, int) {
    DWORD_PTR reply = 0;
    if (wcsstr(cmdLine, L"--bare")) {
        HWND window = FindWindowExW(nullptr, nullptr, L"#32770", L"Dawnbell");
        if (!window)
            return 2;
        return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &reply) ? 0 : 3;
    }
    CreateMutexW(nullptr, TRUE, L"DBELL");
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return 1;
    HWND window = FindWindowExW(nullptr, nullptr, L"#32770", L"Dawnbell");
    if (!window)
        return 2;
    ShowWindow(window, SW_SHOW);
    return SendMessageTimeoutW(window, WM_ALARM, 0, 0, SMTO_NORMAL, 10000, &reply) ? 0 : 3;
}

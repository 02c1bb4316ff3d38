// Another program whose windows look like Dawnbell's: one titled like a document named after it,
// and a dialog with its very title. Every alarm message (WM_ALARM) that reaches them is logged to
// "<its own path>.log", one line each. It runs until its windows are closed.
#include <windows.h>

#include <wchar.h>

#include "model/names.h"
#include "resources/resource.h"
#include "tests/e2e/e2e_support.h" // kLookalikeDocument

namespace {

wchar_t g_log[MAX_PATH + 8];

void Log(const char* line) {
    HANDLE file = CreateFileW(g_log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
    CloseHandle(file);
}

WNDPROC g_dialogProc = nullptr;

LRESULT CALLBACK Watch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ALARM)
        Log("WM_ALARM\n");
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    WNDPROC next = GetWindowLongPtrW(window, GWLP_USERDATA) ? g_dialogProc : DefWindowProcW;
    return CallWindowProcW(next, window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    DWORD length = GetModuleFileNameW(nullptr, g_log, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    wcscat(g_log, L".log");

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Watch;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"LookalikeDocument";
    RegisterClassW(&windowClass);
    CreateWindowExW(0, L"LookalikeDocument", kLookalikeDocument, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                    0, 0, 200, 100, nullptr, nullptr, instance, nullptr);
    // A dialog-class window with the exact title, but not Dawnbell's.
    HWND dialog = CreateWindowExW(0, kDialogClass, kWindowTitle, WS_POPUP | WS_CAPTION | WS_VISIBLE,
                                  0, 0, 200, 100, nullptr, nullptr, instance, nullptr);
    if (dialog) {
        g_dialogProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Watch)));
        SetWindowLongPtrW(dialog, GWLP_USERDATA, 1);
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

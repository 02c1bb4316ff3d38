// tools/bench's ring yardstick: a window that rings as Dawnbell rings and does nothing else. It
// carries Dawnbell's own resources, so its file and its memory hold the same icons, templates
// and beep.
//
//   ring_window [--template] [--volume] [--idle]
//
// It rings at once: the 100 ms display pause, with --volume the "MAX Volume" work (the device
// count, the user's volume read and full volume set, through the same desktop volume code), the
// built-in beep looping, and the Stop button shown before the window shows. --template runs it
// on Dawnbell's main-window template instead of a window of its own class. --idle does not
// ring: a close hides the window, as a resident program hides, WM_ALARM rings, Stop silences.
#include <cwchar>

#include "platform/sound.h"
#include "resources/resource.h"

namespace {

const wchar_t kTitle[] = L"Ring yardstick";
constexpr HWAVEOUT kWaveOut = 0;

bool g_volume = false;
bool g_idle = false;
DWORD g_savedVolume = 0;
bool g_saved = false;

void Ring(HWND window) {
    Sleep(100); // the display pause
    ShowWindow(GetDlgItem(window, IDC_SETTINGS), SW_HIDE);
    ShowWindow(GetDlgItem(window, IDC_STOP), SW_SHOW);
    if (g_volume && platform::waveOutGetNumDevs() != 0) {
        if (!g_saved)
            platform::waveOutGetVolume(kWaveOut, &g_savedVolume);
        g_saved = true;
        platform::waveOutSetVolume(kWaveOut, 0xFFFFFFFF);
    }
    platform::PlaySoundW(MAKEINTRESOURCEW(IDR_BEEP), GetModuleHandleW(nullptr),
                         SND_RESOURCE | SND_LOOP | SND_ASYNC);
}

void Stop(HWND window) {
    platform::PlaySoundW(nullptr, GetModuleHandleW(nullptr), 0);
    if (g_saved && platform::waveOutGetNumDevs() != 0) {
        platform::waveOutSetVolume(kWaveOut, g_savedVolume);
        g_saved = false;
    }
    ShowWindow(GetDlgItem(window, IDC_STOP), SW_HIDE);
}

// What both kinds of window do with a message; false for the rest.
bool Handle(HWND window, UINT message, WPARAM wParam) {
    switch (message) {
    case WM_ALARM:
        Ring(window);
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_STOP)
            Stop(window);
        return true;
    case WM_CLOSE:
        if (g_idle)
            ShowWindow(window, SW_HIDE);
        else
            DestroyWindow(window);
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (Handle(window, message, wParam))
        return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetWindowTextW(window, kTitle);
        if (!g_idle)
            Ring(window);
        return TRUE;
    }
    if (message == WM_CLOSE && !g_idle) {
        EndDialog(window, 0);
        return TRUE;
    }
    return Handle(window, message, wParam) ? TRUE : FALSE;
}

int PlainWindow(HINSTANCE instance) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_DAWNBELL));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"RingYardstick";
    RegisterClassW(&windowClass);
    HWND window =
        CreateWindowW(L"RingYardstick", kTitle, WS_POPUP | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                      CW_USEDEFAULT, 240, 160, nullptr, nullptr, instance, nullptr);
    CreateWindowW(L"Button", L"S&top", WS_CHILD | BS_PUSHBUTTON, 160, 100, 70, 26, window,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STOP)), instance, nullptr);
    if (!g_idle)
        Ring(window);
    ShowWindow(window, SW_SHOW);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR cmdLine, int) {
    g_volume = wcsstr(cmdLine, L"--volume") != nullptr;
    g_idle = wcsstr(cmdLine, L"--idle") != nullptr;
    if (!wcsstr(cmdLine, L"--template"))
        return PlainWindow(instance);
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDD_MAIN), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    if (!loaded)
        return 1;
    DialogBoxIndirectParamW(instance, static_cast<LPCDLGTEMPLATEW>(LockResource(loaded)), nullptr,
                            DialogProc, 0);
    return 0;
}

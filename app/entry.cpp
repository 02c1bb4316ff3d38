#include "app/entry.h"
#include <cwchar>
#include "app/app_state.h"
#include "app/main_window.h"
#include "model/settings.h"
#include "model/text.h"
#include "platform/timers.h"
#include "resources/resource.h"

const wchar_t kMutexName[] = L"DBELL";
const wchar_t kWindowTitle[] = L"Dawnbell";
const wchar_t kAlarmToken[] = L"AppRunAtTime";

bool IsAlarmCommand(const wchar_t* cmdLine) {
    return cmdLine && wcsncmp(cmdLine, kAlarmToken, wcslen(kAlarmToken)) == 0;
}

BOOL CALLBACK FindMainWindow(HWND window, LPARAM out) {
    wchar_t title[32] = {};
    GetWindowTextW(window, title, 32);
    if (wcsncmp(title, kWindowTitle, wcslen(kWindowTitle)) != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

// A second start: bring the running instance forward and hand over an alarm.
static void HandOver(const wchar_t* cmdLine) {
    HWND window = nullptr;
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&window));
    if (!window)
        return;
    // Where the platform refuses timers on another process's windows, the running instance
    // restarts its clock itself when it is shown.
    platform::SetTimer(window, TIMER_CLOCK, 500, nullptr);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    if (IsAlarmCommand(cmdLine))
        SendMessageW(window, WM_ALARM, 0, 0);
}

int RunDawnbell(HINSTANCE instance, const wchar_t* cmdLine) {
    if (!cmdLine)
        cmdLine = L"";
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        HandOver(cmdLine);
        // The handle stays open until the process ends, as the platform closes it then.
        return 0;
    }

    if (wcsncmp(cmdLine, L"-s", 2) == 0)
        AppState.startupFlag = 1;
    AppState.instance = instance;
    AppState.cmdLine = cmdLine;
    wmemset(Settings.Wave, L'\0', kPathChars);
    CopyText(Settings.strNext, kTextChars, kNoSetting);

    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDD_MAIN), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    if (loaded) {
        auto* dialogTemplate = static_cast<LPCDLGTEMPLATEW>(LockResource(loaded));
        DialogBoxIndirectParamW(instance, dialogTemplate, nullptr, MainDialogProc, 0);
    }
    if (mutex)
        CloseHandle(mutex);
    return 0;
}

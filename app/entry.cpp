#include "app/entry.h"
#include <cwchar>
#include "app/app_state.h"
#include "app/main_window.h"
#include "model/settings.h"
#include "model/text.h"
#include "platform/timers.h"
#include "platform/wakeup.h"
#include "resources/resource.h"

const wchar_t kMutexName[] = L"DBELL";
const wchar_t kWindowTitle[] = L"Dawnbell";
const wchar_t kAlarmToken[] = L"AppRunAtTime";

namespace {

// Set by the first instance once its main window has finished its initialisation; a second
// start waits for it rather than giving up on a window that is not there yet.
const wchar_t kReadyEvent[] = L"DBELL Ready";
// Marks our own main window, so that no other program's window is ever taken for it.
const wchar_t kMainWindowMark[] = L"Dawnbell.MainWindow";
const wchar_t kDialogClass[] = L"#32770";
// How long a second start waits for the running instance to be ready or to end.
constexpr DWORD kHandOverPatience = 10000;

HANDLE g_ready = nullptr;

// The running instance's main window, or null.
HWND FindRunningInstance() {
    HWND window = nullptr;
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&window));
    return window;
}

// A second start: bring the running instance forward and hand over an alarm.
void HandOver(HWND window, const wchar_t* cmdLine) {
    // Where the platform refuses timers on another process's windows, the running instance
    // restarts its clock itself when it is shown.
    platform::SetTimer(window, TIMER_CLOCK, 500, nullptr);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    if (IsAlarmCommand(cmdLine))
        SendMessageW(window, WM_ALARM, 0, 0);
}

// The mutex exists: wait until the running instance is ready and hand over to it. If it ends
// first, or while we wait, this start owns the mutex and becomes the first instance: true.
bool SecondStart(HANDLE mutex, const wchar_t* cmdLine) {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, kReadyEvent);
    HANDLE waits[2] = {mutex, ready};
    DWORD count = ready ? 2 : 1;
    DWORD start = GetTickCount();
    bool first = false;
    for (;;) {
        DWORD spent = GetTickCount() - start;
        DWORD left = spent < kHandOverPatience ? kHandOverPatience - spent : 0;
        DWORD woken = WaitForMultipleObjects(count, waits, FALSE, left);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_ABANDONED_0) {
            first = true; // the other instance has ended
            break;
        }
        if (woken != WAIT_OBJECT_0 + 1)
            break; // not ready in time: nothing to hand over to
        if (HWND window = FindRunningInstance()) {
            HandOver(window, cmdLine);
            break;
        }
        // Ready once, but its window is gone: it is ending. Wait for the mutex alone.
        count = 1;
    }
    if (ready)
        CloseHandle(ready);
    return first;
}

} // namespace

const wchar_t* ArgumentsOf(const wchar_t* commandLine) {
    const wchar_t* at = commandLine ? commandLine : L"";
    if (*at == L'"') {
        ++at;
        while (*at && *at != L'"')
            ++at;
        if (*at)
            ++at;
    }
    while (*at && *at != L' ' && *at != L'\t')
        ++at;
    if (*at)
        ++at; // the blank that separates the name from the arguments
    return at;
}

bool IsAlarmCommand(const wchar_t* cmdLine) {
    return cmdLine && wcsncmp(cmdLine, kAlarmToken, wcslen(kAlarmToken)) == 0;
}

// Only our own main window counts: the dialog class, the exact title and our mark. A window
// of another program whose title merely begins with ours ("Dawnbell.txt - Notepad") never does.
BOOL CALLBACK FindMainWindow(HWND window, LPARAM out) {
    wchar_t title[32] = {};
    GetWindowTextW(window, title, 32);
    if (wcscmp(title, kWindowTitle) != 0)
        return TRUE;
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (wcscmp(className, kDialogClass) != 0 || !GetPropW(window, kMainWindowMark))
        return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

void AnnounceReady(HWND window) {
    SetPropW(window, kMainWindowMark, reinterpret_cast<HANDLE>(1));
    if (g_ready)
        SetEvent(g_ready);
}

void WithdrawReady(HWND window) {
    RemovePropW(window, kMainWindowMark);
    if (g_ready)
        ResetEvent(g_ready);
}

int RunDawnbell(HINSTANCE instance, const wchar_t* cmdLine) {
    if (!cmdLine)
        cmdLine = L"";
    // A service that died would let every registered alarm pass: opening the program brings it
    // back, and it then fires what it missed.
    platform::EnsureRunAtTimeService();
    // Owned by the running instance, so that a second start learns at once when it ends.
    HANDLE mutex = CreateMutexW(nullptr, TRUE, kMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS && !SecondStart(mutex, cmdLine)) {
        // The handle stays open until the process ends, as the platform closes it then.
        return 0;
    }

    g_ready = CreateEventW(nullptr, TRUE, FALSE, kReadyEvent);
    if (g_ready)
        ResetEvent(g_ready); // left set by an instance that died
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
    if (g_ready) {
        CloseHandle(g_ready);
        g_ready = nullptr;
    }
    if (mutex) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
    return 0;
}

#include "app/entry.h"

#include <cwchar>
#include <iterator>

#include "app/main_window.h"
#include "cycle/registration.h"
#include "model/app_state.h"
#include "model/dialog_template.h"
#include "model/names.h"
#include "model/settings.h"
#include "model/text.h"
#include "platform/timers.h"
#include "platform/wakeup.h"
#include "resources/resource.h"

namespace {

// How long a second start waits for the running instance to be ready or to end.
constexpr DWORD kHandOverPatience = 10000;
// How long a second start waits for the running instance to answer one hand-over message. One
// that does not answer in time is hung: the start ends without taking the alarm over, and the
// system starts the program again for it.
constexpr UINT kAnswerPatience = 5000;
// Without the ready event (it could not be made), the window is looked for this often instead.
constexpr DWORD kSearchPause = 100;

HANDLE g_ready = nullptr;

// A hand-over message that the running instance must answer within a few seconds.
bool Deliver(HWND window, UINT message, WPARAM wParam) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(window, message, wParam, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                               kAnswerPatience, &answer) != 0;
}

// A second start: bring the running instance forward and hand over an alarm; a start-up start
// only asks it to check its alarm, so that a start at logon pops nothing up.
void HandOver(HWND window, const wchar_t* cmdLine) {
    // Where the platform refuses timers on another process's windows, the running instance
    // restarts its clock itself when it is shown.
    platform::SetTimer(window, TIMER_CLOCK, kClockTickMs, nullptr);
    if (IsStartupCommand(cmdLine)) {
        Deliver(window, WM_CHECKALARM, 0);
        return;
    }
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    AllowSetForegroundWindow(owner); // it brings itself to the front
    if (!Deliver(window, WM_SHOWINSTANCE, 0))
        return;
    // Taken over once the running instance has rung it: then the alarm that started this copy is
    // dealt with too, whichever copy of the program the system started.
    if (IsAlarmCommand(cmdLine) && Deliver(window, WM_ALARM, WM_ALARM_HANDOVER))
        AcknowledgeAlarm();
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
        // Without the event, look for the window now and then; it is our only sign of ready.
        DWORD wait = ready ? left : (left < kSearchPause ? left : kSearchPause);
        DWORD woken = WaitForMultipleObjects(count, waits, FALSE, wait);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_ABANDONED_0) {
            first = true; // the other instance has ended
            break;
        }
        bool signalled = woken == WAIT_OBJECT_0 + 1;
        if (!signalled && (ready || left == 0))
            break; // not ready in time: nothing to hand over to
        if (HWND window = FindRunningInstance()) {
            HandOver(window, cmdLine);
            break;
        }
        // Ready once, but its window is gone: it is ending. Wait for the mutex alone.
        if (signalled)
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

bool IsStartupCommand(const wchar_t* cmdLine) {
    return cmdLine && wcsncmp(cmdLine, kStartupToken, wcslen(kStartupToken)) == 0;
}

// By class and exact title, walking every match: cheaper than enumerating every window, which in
// a process without windows of its own loads the theme library. Only our own main window counts:
// a window of another program with our title, or one whose title merely begins with ours
// ("Dawnbell.txt - Notepad"), never does.
HWND FindRunningInstance() {
    for (HWND window = FindWindowExW(nullptr, nullptr, kDialogClass, kWindowTitle); window;
         window = FindWindowExW(nullptr, window, kDialogClass, kWindowTitle)) {
        // The search compares titles regardless of case; ours is also marked as ready.
        wchar_t title[std::size(kWindowTitle) + 1] = {};
        GetWindowTextW(window, title, static_cast<int>(std::size(title)));
        if (wcscmp(title, kWindowTitle) == 0 && GetPropW(window, kMainWindowMark))
            return window;
    }
    return nullptr;
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
    AppState.instance = instance; // a second start acknowledges with our own path
    // Owned by the running instance, so that a second start learns at once when it ends.
    HANDLE mutex = CreateMutexW(nullptr, TRUE, kMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS && !SecondStart(mutex, cmdLine)) {
        // The handle stays open until the process ends, as the platform closes it then.
        return 0;
    }

    g_ready = CreateEventW(nullptr, TRUE, FALSE, kReadyEvent);
    if (g_ready)
        ResetEvent(g_ready); // left set by an instance that died
    if (IsStartupCommand(cmdLine))
        AppState.startupFlag = 1;
    AppState.cmdLine = cmdLine;
    wmemset(Settings.Wave, L'\0', kPathChars);
    CopyText(Settings.strNext, kTextChars, kNoSetting);

    RunDialogTemplate(instance, IDD_MAIN, nullptr, MainDialogProc);
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

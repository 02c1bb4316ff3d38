// Driving the built dawnbell.exe as separate processes, as a user and the system would.
#pragma once
#include "platform/win.h"

#include <string>
#include <vector>

#include "model/names.h"
#include "resources/resource.h"

// The folder of this test program, where the build puts dawnbell.exe too.
std::wstring BuildFolder();

struct Program {
    PROCESS_INFORMATION process = {};
    bool Started() const { return process.hProcess != nullptr; }
    bool WaitForExit(DWORD milliseconds);
    void Kill();
};

// Starts "<build folder>\<exe>" with `arguments` as its command line after the program name.
Program Start(const wchar_t* exe, const wchar_t* arguments);

// The shown top-level window titled "Dawnbell" of process `pid` (any process when 0), waited
// for.
HWND WaitForMainWindow(DWORD pid, DWORD milliseconds = 10000);
// Polls `condition` every 20 ms until it holds or the time is up.
template <typename Condition> bool WaitUntil(Condition condition, DWORD milliseconds = 10000) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds)
            return false;
        Sleep(20);
    }
    return true;
}

std::wstring WindowText(HWND window);
bool ControlVisible(HWND window, int id);

// Removes every trace of earlier runs: programs, the run-at-time service, settings and
// registrations.
void CleanSlate();
void WriteSetting(const wchar_t* name, DWORD value);
// Armed for 6:30 with a five-minute snooze, `rings` rings (0: no limit) counted from none, and
// resident or not; its ring registered with the service's store.
void StoreArmedAlarm(DWORD rings, bool resident);
DWORD ReadSetting(const wchar_t* name);

// The ids of the running processes of `exe` (a file name such as L"dawnbell.exe").
std::vector<DWORD> ProcessesNamed(const wchar_t* exe);
void KillProcess(DWORD pid);
// Kills every process of `exe` from this build folder from outside Wine, with SIGKILL: no code
// of the process runs any more, not even Wine's own.
void KillHard(const wchar_t* exe);
// Stops and continues every process of `exe` from this build folder from outside Wine: a
// program that hangs, and one that comes back.
void Freeze(const wchar_t* exe);
void Thaw(const wchar_t* exe);

// The main window of process `pid`, shown or not yet; null when it has none.
HWND MainWindowOf(DWORD pid);
// Whether `window` is a main window that has finished its start and can take a hand-over.
bool IsReady(HWND window);
// Whether process `pid` shows its ringing window (the Stop button).
bool Ringing(DWORD pid);

// The full path of dawnbell.exe in the build folder, as the run-at-time service knows it.
std::wstring ProgramPath();
// Registers dawnbell.exe with the run-at-time service for the UTC time `utc`, straight in the
// service's store (the service reads it when it starts or is told to).
// `program` (default dawnbell.exe in the build folder) in the same way.
void RegisterAt(ULONGLONG utc, const std::wstring& program = L"");
// Whether a due alarm of dawnbell.exe (or of `program`) is still on its way (not yet taken over).
bool DeliveryPending(const std::wstring& program = L"");
ULONGLONG UtcNow();

// Driving the built dawnbell.exe as separate processes, as a user and the system would.
#pragma once
#include "platform/win.h"

#include <string>
#include <vector>

#include "model/names.h"
#include "resources/resource.h"
#include "runat/store.h"
#include "tests/support/real_processes.h"

// The program under test, as the build names it.
inline constexpr wchar_t kProgramExe[] = L"dawnbell.exe";

// The title of the document window of lookalike.exe, the other program whose windows look like
// ours.
inline constexpr wchar_t kLookalikeDocument[] = L"Dawnbell.txt - Notepad";

struct Program {
    PROCESS_INFORMATION process = {};
    bool Started() const { return process.hProcess != nullptr; }
    bool WaitForExit(DWORD milliseconds);
    void Kill();
};

// Starts "<build folder>\<exe>" with `arguments` as its command line after the program name.
Program Start(const wchar_t* exe, const wchar_t* arguments);
// Starts the program at `path` in the same way, in `folder` (null: this program's own).
Program StartAt(const std::wstring& path, const wchar_t* arguments,
                const wchar_t* folder = nullptr);

// The first top-level window of process `pid` (of any process when 0) titled `title` and,
// unless `className` is null, of that class; only a shown one when `shown`. Null when there is
// none.
HWND FindWindowOf(DWORD pid, const wchar_t* title, const wchar_t* className, bool shown);
// The shown top-level window of process `pid` (any when 0) titled `title` and, unless
// `className` is null, of that class.
HWND FindShown(DWORD pid, const wchar_t* title, const wchar_t* className);
// The main window of process `pid` (of any process when 0), shown or not yet; null when it has
// none.
HWND MainWindowOf(DWORD pid);
// The shown main window of process `pid` (any process when 0), waited for.
HWND WaitForMainWindow(DWORD pid, DWORD milliseconds = kPatience);

std::wstring WindowText(HWND window);
bool ControlVisible(HWND window, int id);
// Whether `window` is a main window that has finished its start and can take a hand-over.
bool IsReady(HWND window);
// Whether `window` is shown with its ringing face (the Stop button).
bool ShowsRing(HWND window);
// Whether process `pid` shows its ringing window.
bool Ringing(DWORD pid);
// The main window's next-alarm text for a ring at the local time `at`: "Next: y/m/d h:mm".
std::wstring NextAlarmText(const SYSTEMTIME& at);

// Removes every trace of earlier runs: programs, the run-at-time service, settings and
// registrations.
void CleanSlate();

// Values under HKEY_CURRENT_USER\<key>: a DWORD, kNoDword when there is none; a text, kNoText
// when there is none.
inline constexpr DWORD kNoDword = 0xDEADBEEF;
inline constexpr wchar_t kNoText[] = L"<none>";
DWORD RegistryDword(const wchar_t* key, const wchar_t* name);
std::wstring RegistryText(const wchar_t* key, const wchar_t* name);
// `key` without its last part: the key that holds it.
std::wstring ParentKey(const std::wstring& key);
// The program's settings, one value each.
DWORD ReadSetting(const wchar_t* name);
std::wstring ReadSettingText(const wchar_t* name);
void WriteSetting(const wchar_t* name, DWORD value);
void WriteSettingText(const wchar_t* name, const wchar_t* text);
// Armed for 6:30 with a five-minute snooze, `rings` rings (0: no limit) counted from none, and
// resident or not; its ring registered with the service's store.
void StoreArmedAlarm(DWORD rings, bool resident);

void KillProcess(DWORD pid);
// Kills every process of `exe` from this build folder from outside Wine, with SIGKILL: no code
// of the process runs any more, not even Wine's own.
void KillHard(const wchar_t* exe);
// Stops and continues every process of `exe` from this build folder from outside Wine: a
// program that hangs, and one that comes back.
void Freeze(const wchar_t* exe);
void Thaw(const wchar_t* exe);

// The full path of dawnbell.exe in the build folder, as the run-at-time service knows it.
std::wstring ProgramPath();
// The Startup-folder shortcut that a resident program leaves.
std::wstring StartupShortcut();
// Registers dawnbell.exe with the run-at-time service for the UTC time `utc`, straight in the
// service's store (the service reads it when it starts or is told to), or `program` in the same
// way.
void RegisterAt(ULONGLONG utc, const std::wstring& program = L"");
// Whether a due alarm of dawnbell.exe (or of `program`) is still on its way (not yet taken over).
bool DeliveryPending(const std::wstring& program = L"");
ULONGLONG UtcNow();

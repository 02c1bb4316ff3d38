// The run-at-time registrations, kept in the registry so they outlive every process: shared by
// CeRunAppAtTime, which writes them, and the service (dawnbell_runat.exe), which fires them.
#pragma once
#include "platform/win.h"

namespace runat {

// A registration that came due while nothing could act (machine off, service not running) still
// fires this late, and no later: an alarm hours late is worse than none.
constexpr ULONGLONG kMaxLateness = 30ull * 60 * 10000000; // 30 minutes in 100 ns units

constexpr wchar_t kServiceExe[] = L"dawnbell_runat.exe";
constexpr wchar_t kWindowClass[] = L"DawnbellRunAtTime";
constexpr wchar_t kRunArgument[] = L"AppRunAtTime";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr size_t kMaxInstance = 32;
// Starting a process is tried this many times, this many milliseconds apart, before giving up.
constexpr int kStartAttempts = 3;
constexpr DWORD kStartRetryPause = 100;

// A second, separate service (own registrations, mutex, reload event, window, logon entry):
// `instance` is letters, digits, '-' and '_', at most kMaxInstance; empty is the program's own.
bool SetInstance(LPCWSTR instance);
LPCWSTR Instance();
// "Dawnbell RunAtTime" (plus " " and the instance): the mutex and the name of the logon entry.
LPCWSTR ServiceName();
// The title of the service's hidden window. It must not begin with "Dawnbell": a second start
// of the program takes the first window whose title does for the running program.
LPCWSTR WindowTitle();
// "Software\Larchworks\<service name>" under HKEY_CURRENT_USER: one REG_BINARY SYSTEMTIME
// (local time) per program, named by the program's full path.
LPCWSTR StoreKey();
LPCWSTR ReloadEventName();

// A real local calendar date and time; the day of the week is not looked at.
bool IsValidLocalTime(const SYSTEMTIME& time);
// The UTC moment of a local time, in 100 ns units since 1601.
bool LocalToUtc(const SYSTEMTIME& local, ULONGLONG* utc);
ULONGLONG UtcNow();

LONG StoreRegistration(LPCWSTR path, const SYSTEMTIME& time);
// Removing a registration that does not exist succeeds.
LONG RemoveRegistration(LPCWSTR path);

// Starts `exe` with `commandLine` in `folder`, trying again a few times when the start fails for
// a passing reason (Wine now and then loses a starting process); a missing file is final.
bool StartProcess(LPCWSTR exe, LPWSTR commandLine, LPCWSTR folder, DWORD flags);

bool IsServiceRunning();
// Asks a running service to read its registrations again; nothing happens when none runs.
void SignalReload();

} // namespace runat

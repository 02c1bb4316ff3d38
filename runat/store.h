// The run-at-time registrations and deliveries, kept in the registry so they outlive every
// process: shared by the desktop CeRunAppAtTime, which writes registrations, the program, which
// takes a delivery over, and the service (dawnbell_runat.exe), which fires and delivers them.
#pragma once
#include "platform/win.h"

namespace runat {

// A registration that came due while nothing could act (machine off, service not running) still
// fires this late, and no later: an alarm hours late is worse than none.
constexpr ULONGLONG kSecond = 10000000; // in 100 ns units
constexpr ULONGLONG kMaxLateness = 30 * 60 * kSecond;
// A started program that ends before it has taken its alarm over is started again, this long
// after it ended (a program that is handing the alarm to its running instance may end a moment
// before that instance takes it over), and at most this many times for one due time.
constexpr ULONGLONG kRedeliveryPause = 2 * kSecond;
constexpr DWORD kMaxStarts = 5;

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
// StoreKey() + "\Delivery": one `Delivery` per program whose due alarm has not been taken over
// yet, named by the program's full path.
LPCWSTR DeliveryKey();
LPCWSTR ReloadEventName();

// A real local calendar date and time; the day of the week is not looked at.
bool IsValidLocalTime(const SYSTEMTIME& time);
// The UTC moment of a local time, in 100 ns units since 1601.
bool LocalToUtc(const SYSTEMTIME& local, ULONGLONG* utc);
ULONGLONG UtcNow();

LONG StoreRegistration(LPCWSTR path, const SYSTEMTIME& time);
// Removing a registration that does not exist succeeds.
LONG RemoveRegistration(LPCWSTR path);

// A due registration on its way to its program. It stays until the program has taken the alarm
// over (or the registration is removed), so that a program that dies first is started again.
struct Delivery {
    ULONGLONG due;       // the registered time, UTC
    ULONGLONG created;   // creation time of the process started last, 0 before any start
    ULONGLONG notBefore; // UTC: no new start before this; 0 when there is no pause
    DWORD process;       // the id of the process started last, 0 before any start
    DWORD starts;        // starts so far for this due time
};

// Whether `keyPath` holds a value named `path`; true also when the store cannot be read, so that
// a caller never gives an alarm up on a read that failed.
bool HasRecord(LPCWSTR keyPath, LPCWSTR path);

LONG StoreDelivery(LPCWSTR path, const Delivery& delivery);
// Removing a delivery that does not exist succeeds.
LONG RemoveDelivery(LPCWSTR path);

// Starts `exe` with `commandLine` in `folder`, trying again a few times when the start fails for
// a passing reason (Wine now and then loses a starting process); a missing file is final. With
// `started`, its handles are the caller's to close.
bool StartProcess(LPCWSTR exe, LPWSTR commandLine, LPCWSTR folder, DWORD flags,
                  PROCESS_INFORMATION* started = nullptr);
// The creation time of a process, 0 when it cannot be read.
ULONGLONG CreationTime(HANDLE process);

bool IsServiceRunning();
// Asks a running service to read its registrations again; nothing happens when none runs.
void SignalReload();

} // namespace runat

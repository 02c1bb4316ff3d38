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
// A program whose file cannot be seen (a drive not mounted yet, a file renamed for a moment) is
// looked for again this long after, without counting a start, until the lateness limit.
constexpr ULONGLONG kMissingProgramPause = 10 * kSecond;

constexpr wchar_t kServiceExe[] = L"dawnbell_runat.exe";
constexpr wchar_t kWindowClass[] = L"DawnbellRunAtTime";
constexpr wchar_t kRunArgument[] = L"AppRunAtTime";
// A program whose alarm the service gives up is started once with this, its start-up argument,
// so that it sees that nothing is pending any more and shows the truth.
constexpr wchar_t kGiveUpArgument[] = L"-s";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr size_t kMaxInstance = 32;

// A second, separate service (own registrations, mutex, reload event, window, logon entry):
// `instance` is letters, digits, '-' and '_', at most kMaxInstance; empty is the program's own.
bool SetInstance(LPCWSTR instance);
LPCWSTR Instance();
// "Dawnbell RunAtTime" (plus " " and the instance): the mutex and the name of the logon entry.
LPCWSTR ServiceName();
// The title of the service's hidden window. It must not begin with "Dawnbell": a second start
// of the program takes the first window whose title does for the running program.
LPCWSTR WindowTitle();
// "Software\Larchworks\<service name>" under HKEY_CURRENT_USER: one REG_BINARY `Registration`
// per program, named by the program's canonical path.
LPCWSTR StoreKey();
// StoreKey() + "\Delivery": one `Delivery` per program whose due alarm has not been taken over
// yet, named by the program's canonical path.
LPCWSTR DeliveryKey();
LPCWSTR ReloadEventName();

// A real local calendar date and time; the day of the week is not looked at.
bool IsValidLocalTime(const SYSTEMTIME& time);
// In 100 ns units since 1601.
ULONGLONG UtcNow();
inline ULONGLONG Ticks(const FILETIME& file) {
    return static_cast<ULONGLONG>(file.dwHighDateTime) << 32 | file.dwLowDateTime;
}

// The one spelling a program's registrations are kept under, into `canonical` (MAX_PATH
// characters): its full path with long names, so that a short name, "..", other letter case or
// forward slashes name the same registration. A file that is not there keeps its full path; a
// path that cannot be made full (too long) is kept as given. False only for a path that is too
// long to keep at all.
bool CanonicalPath(LPCWSTR path, LPWSTR canonical);

// A registered local time and the UTC time it was registered at (0: not known, as in the 16-byte
// records of older versions, which read as made before any occurrence).
struct Registration {
    SYSTEMTIME local;
    ULONGLONG made;
};
// A registration from a record's data: a `Registration`, or an older record's SYSTEMTIME alone.
bool ParseRegistration(const BYTE* data, DWORD size, Registration* registration);

LONG StoreRegistration(LPCWSTR path, const SYSTEMTIME& time, ULONGLONG made = 0);
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

// A delivery from a record's data, which must be exactly one `Delivery`.
bool ParseDelivery(const BYTE* data, DWORD size, Delivery* delivery);
LONG StoreDelivery(LPCWSTR path, const Delivery& delivery);
// Removing a delivery that does not exist succeeds.
LONG RemoveDelivery(LPCWSTR path);

} // namespace runat

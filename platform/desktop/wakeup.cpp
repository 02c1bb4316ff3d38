// The run-at-time notification: registrations go to the store, and the run-at-time service
// (dawnbell_runat.exe, beside the program) fires and delivers them.
#include "platform/wakeup.h"

#include <wchar.h>

#include "runat/processes.h"
#include "runat/store.h"
#include "runat/wall_clock.h"

namespace platform {

namespace {

constexpr size_t kCommandChars = MAX_PATH + runat::kMaxInstance + 4;

// The service's full path: beside the running program.
bool ServicePath(LPWSTR path, LPWSTR folder) {
    DWORD length = ::GetModuleFileNameW(nullptr, folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    wchar_t* slash = wcsrchr(folder, L'\\');
    if (!slash)
        return false;
    slash[1] = L'\0';
    if (wcslen(folder) + wcslen(runat::kServiceExe) >= MAX_PATH)
        return false;
    wcscpy(path, folder);
    wcscat(path, runat::kServiceExe);
    return true;
}

// "<service>" [instance]: the command line that starts this service.
void ServiceCommandLine(LPCWSTR service, LPWSTR commandLine, size_t size) {
    const wchar_t* instance = runat::Instance();
    _snwprintf(commandLine, size - 1, L"\"%ls\"%ls%ls", service, instance[0] ? L" " : L"",
               instance);
    commandLine[size - 1] = L'\0';
}

// The service must come back after a logoff or reboot to fire what is registered.
void StartAtLogon(LPCWSTR commandLine) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, runat::kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, runat::ServiceName(), 0, REG_SZ, reinterpret_cast<const BYTE*>(commandLine),
                   static_cast<DWORD>((wcslen(commandLine) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

bool IsProgramFile(LPCWSTR path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// How the service beside the running program is started.
struct ServiceLaunch {
    wchar_t service[MAX_PATH];
    wchar_t folder[MAX_PATH];
    wchar_t commandLine[kCommandChars];

    bool Prepare() {
        if (!ServicePath(service, folder) || !IsProgramFile(service))
            return false;
        ServiceCommandLine(service, commandLine, kCommandChars);
        return true;
    }
    // Its own folder as working folder, so the service never holds on to the caller's. A failed
    // start is fine when another caller has started it meanwhile.
    bool Start() {
        return runat::StartProcess(service, commandLine, folder, DETACHED_PROCESS) ||
               runat::IsServiceRunning();
    }
};

// The program's registrations are kept under one spelling of its path, whatever spelling the
// caller has.
bool Canonical(LPCWSTR path, LPWSTR canonical) {
    return path && *path && runat::CanonicalPath(path, canonical);
}

// Whether a record (a registration or a delivery) still stands for a ring that the service will
// start a program for: one the lateness limit has not ended yet.
bool IsLive(bool registration, const BYTE* data, DWORD size, ULONGLONG now) {
    ULONGLONG due = 0;
    if (registration) {
        if (!runat::RegistrationDue(data, size, now, &due))
            return false;
    } else {
        runat::Delivery record;
        if (!runat::ParseDelivery(data, size, &record))
            return false;
        due = record.due;
    }
    return now <= due + runat::kMaxLateness;
}

LPCWSTR FileName(LPCWSTR path) {
    LPCWSTR slash = wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

enum class Found { Nothing, Live, Unreadable };

// Whether `keyPath` holds a live record of a program file named `name`, in any folder: another
// copy of the program (the portable one and the installed one) shares its settings and so its
// alarm.
Found FindLiveRecord(LPCWSTR keyPath, bool registrations, LPCWSTR name, ULONGLONG now) {
    HKEY key;
    LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key);
    if (result == ERROR_FILE_NOT_FOUND)
        return Found::Nothing;
    if (result != ERROR_SUCCESS)
        return Found::Unreadable;
    Found found = Found::Nothing;
    for (DWORD index = 0; found == Found::Nothing; ++index) {
        wchar_t path[MAX_PATH];
        DWORD length = MAX_PATH;
        BYTE data[64];
        DWORD size = sizeof data;
        DWORD type = REG_NONE;
        result = RegEnumValueW(key, index, path, &length, nullptr, &type, data, &size);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_MORE_DATA)
            continue; // a name longer than a path, or data larger than a record: not ours
        if (result != ERROR_SUCCESS)
            found = Found::Unreadable;
        else if (type == REG_BINARY && _wcsicmp(FileName(path), name) == 0 &&
                 IsLive(registrations, data, size, now))
            found = Found::Live;
    }
    RegCloseKey(key);
    return found;
}

} // namespace

BOOL CeRunAppAtTime(LPCWSTR given, const SYSTEMTIME* time) {
    wchar_t path[MAX_PATH];
    if (!Canonical(given, path))
        return FALSE;
    if (!time) {
        // No alarm at all any more: neither one to come nor one on its way.
        if (runat::RemoveRegistration(path) != ERROR_SUCCESS ||
            runat::RemoveDelivery(path) != ERROR_SUCCESS)
            return FALSE;
        runat::SignalReload();
        return TRUE;
    }
    // A time that can never come, or a program the service cannot start, is refused now rather
    // than dropped silently later.
    if (!runat::IsValidLocalTime(*time) || !IsProgramFile(path))
        return FALSE;
    ServiceLaunch launch;
    if (!launch.Prepare() ||
        runat::StoreRegistration(path, *time, runat::UtcNow()) != ERROR_SUCCESS)
        return FALSE;
    StartAtLogon(launch.commandLine);
    // A service that is starting reads the store after it holds its mutex and reload event, so
    // the registration written above reaches it either way.
    if (runat::IsServiceRunning()) {
        runat::SignalReload();
        return TRUE;
    }
    return launch.Start() ? TRUE : FALSE;
}

BOOL CeHandleAppNotifications(LPCWSTR given) {
    wchar_t path[MAX_PATH];
    if (!Canonical(given, path))
        return FALSE;
    if (runat::RemoveDelivery(path) != ERROR_SUCCESS)
        return FALSE;
    runat::SignalReload(); // so that it stops watching the program it started
    return TRUE;
}

BOOL IsAppNotificationPending(LPCWSTR given) {
    wchar_t path[MAX_PATH];
    if (!Canonical(given, path))
        return TRUE; // cannot tell
    ULONGLONG now = runat::UtcNow();
    LPCWSTR name = FileName(path);
    Found registration = FindLiveRecord(runat::StoreKey(), true, name, now);
    if (registration != Found::Nothing)
        return TRUE; // live, or unreadable: an alarm is never given up on a read that failed
    return FindLiveRecord(runat::DeliveryKey(), false, name, now) != Found::Nothing ? TRUE : FALSE;
}

BOOL EnsureRunAtTimeService() {
    if (runat::IsServiceRunning())
        return TRUE;
    ServiceLaunch launch;
    return launch.Prepare() && launch.Start() ? TRUE : FALSE;
}

} // namespace platform

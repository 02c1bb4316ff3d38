// The run-at-time notification: registrations go to the store, and the run-at-time service
// (dawnbell_runat.exe, beside the program) fires and delivers them.
#include "platform/wakeup.h"

#include "runat/store.h"

#include <wchar.h>

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
    RegSetValueExW(key, runat::ServiceName(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(commandLine),
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

bool IsUsablePath(LPCWSTR path) { return path && *path && wcslen(path) < MAX_PATH; }

} // namespace

BOOL CeRunAppAtTime(LPCWSTR path, const SYSTEMTIME* time) {
    if (!IsUsablePath(path))
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
    if (!launch.Prepare() || runat::StoreRegistration(path, *time) != ERROR_SUCCESS)
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

BOOL CeHandleAppNotifications(LPCWSTR path) {
    if (!IsUsablePath(path))
        return FALSE;
    if (runat::RemoveDelivery(path) != ERROR_SUCCESS)
        return FALSE;
    runat::SignalReload(); // so that it stops watching the program it started
    return TRUE;
}

BOOL IsAppNotificationPending(LPCWSTR path) {
    if (!IsUsablePath(path))
        return TRUE; // cannot tell
    return runat::HasRecord(runat::StoreKey(), path) || runat::HasRecord(runat::DeliveryKey(), path)
               ? TRUE
               : FALSE;
}

BOOL EnsureRunAtTimeService() {
    if (runat::IsServiceRunning())
        return TRUE;
    ServiceLaunch launch;
    return launch.Prepare() && launch.Start() ? TRUE : FALSE;
}

} // namespace platform

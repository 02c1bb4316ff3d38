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

// Its own folder as working folder, so the service never holds on to the caller's. A failed
// start is fine when another caller has started it meanwhile.
bool StartService(LPCWSTR service, LPCWSTR folder, LPWSTR commandLine) {
    return runat::StartProcess(service, commandLine, folder, DETACHED_PROCESS) ||
           runat::IsServiceRunning();
}

bool IsProgramFile(LPCWSTR path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The service beside the running program, its folder and the command line that starts it.
bool ServiceStart(LPWSTR service, LPWSTR folder, LPWSTR commandLine, size_t size) {
    if (!ServicePath(service, folder) || !IsProgramFile(service))
        return false;
    ServiceCommandLine(service, commandLine, size);
    return true;
}

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
    wchar_t service[MAX_PATH];
    wchar_t folder[MAX_PATH];
    wchar_t commandLine[kCommandChars];
    if (!ServiceStart(service, folder, commandLine, kCommandChars))
        return FALSE;
    if (runat::StoreRegistration(path, *time) != ERROR_SUCCESS)
        return FALSE;
    StartAtLogon(commandLine);
    // A service that is starting reads the store after it holds its mutex and reload event, so
    // the registration written above reaches it either way.
    if (runat::IsServiceRunning()) {
        runat::SignalReload();
        return TRUE;
    }
    return StartService(service, folder, commandLine) ? TRUE : FALSE;
}

BOOL CeHandleAppNotifications(LPCWSTR path) {
    if (!IsUsablePath(path))
        return FALSE;
    if (runat::RemoveDelivery(path) != ERROR_SUCCESS)
        return FALSE;
    runat::SignalReload(); // so that it stops watching the program it started
    return TRUE;
}

BOOL EnsureRunAtTimeService() {
    if (runat::IsServiceRunning())
        return TRUE;
    wchar_t service[MAX_PATH];
    wchar_t folder[MAX_PATH];
    wchar_t commandLine[kCommandChars];
    if (!ServiceStart(service, folder, commandLine, kCommandChars))
        return FALSE;
    return StartService(service, folder, commandLine) ? TRUE : FALSE;
}

} // namespace platform

#include "runat/processes.h"

namespace runat {

bool StartProcess(LPCWSTR exe, LPWSTR commandLine, LPCWSTR folder, DWORD flags,
                  PROCESS_INFORMATION* started) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        if (CreateProcessW(exe, commandLine, nullptr, nullptr, FALSE, flags, nullptr, folder,
                           &startup, &process)) {
            if (started) {
                *started = process;
            } else {
                CloseHandle(process.hThread);
                CloseHandle(process.hProcess);
            }
            return true;
        }
        if (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)
            return false;
        Sleep(kStartRetryPause);
    }
    return false;
}

ULONGLONG CreationTime(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return Ticks(created);
}

bool IsServiceRunning() {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, ServiceName());
    if (mutex) {
        CloseHandle(mutex);
        return true;
    }
    return GetLastError() == ERROR_ACCESS_DENIED;
}

void SignalReload() {
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, ReloadEventName());
    if (event) {
        SetEvent(event);
        CloseHandle(event);
    }
}

} // namespace runat

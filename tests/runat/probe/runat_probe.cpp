// A program for the run-at-time service to start: each start appends one line to
// "<its own path>.started": the UTC time of the start (100 ns units since 1601), the UTC instant
// that the service started it for (its delivery's due time, by the service's own clock; 0 when it
// has none), and the command line it was given, blank-separated, in UTF-16. Then it takes its
// alarm over, as Dawnbell does, in the service instance named by DAWNBELL_RUNAT_INSTANCE; unless
// "<its own path>.fail" holds a number N and this is one of its first N starts: then it ends
// without, like a program that died first. "<its own path>.hold" can hold a number of
// milliseconds to wait before either; the wait ends early when the event named by
// DAWNBELL_PROBE_RELEASE is set.
#include <windows.h>

#include <iterator>
#include <wchar.h>

#include "runat/processes.h"
#include "runat/store.h"

namespace {

DWORD CountLines(HANDLE file) {
    DWORD lines = 0;
    wchar_t buffer[256];
    DWORD read = 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        for (DWORD i = 0; i < read / sizeof(wchar_t); ++i)
            lines += buffer[i] == L'\n';
    }
    return lines;
}

DWORD ReadNumber(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    char text[16] = {};
    DWORD read = 0;
    ReadFile(file, text, sizeof text - 1, &read, nullptr);
    CloseHandle(file);
    DWORD number = 0;
    for (DWORD i = 0; i < read && text[i] >= '0' && text[i] <= '9'; ++i)
        number = number * 10 + (text[i] - '0');
    return number;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG stamp = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
    if (length == 0 || length >= std::size(self))
        return 1;
    wchar_t instance[runat::kMaxInstance + 1] = {};
    GetEnvironmentVariableW(L"DAWNBELL_RUNAT_INSTANCE", instance,
                            static_cast<DWORD>(std::size(instance)));
    if (!runat::SetInstance(instance))
        return 1;
    runat::Delivery delivery = {};
    DWORD size = sizeof delivery;
    if (RegGetValueW(HKEY_CURRENT_USER, runat::DeliveryKey(), self, RRF_RT_REG_BINARY, nullptr,
                     &delivery, &size) != ERROR_SUCCESS)
        delivery.due = 0;
    wchar_t path[MAX_PATH + 16];
    wcscpy(path, self);
    wcscat(path, L".started");
    wchar_t line[MAX_PATH + 96];
    int count = _snwprintf(line, std::size(line) - 1, L"%llu %llu %ls\n", stamp, delivery.due,
                           GetCommandLineW());
    if (count < 0)
        return 1;
    HANDLE file =
        CreateFileW(path, FILE_APPEND_DATA | GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(count * sizeof(wchar_t)), &written, nullptr);
    DWORD starts = CountLines(file);
    CloseHandle(file);

    wcscpy(path, self);
    wcscat(path, L".hold");
    wchar_t releaseName[64] = {};
    GetEnvironmentVariableW(L"DAWNBELL_PROBE_RELEASE", releaseName,
                            static_cast<DWORD>(std::size(releaseName)));
    HANDLE release = releaseName[0] ? OpenEventW(SYNCHRONIZE, FALSE, releaseName) : nullptr;
    if (release) {
        WaitForSingleObject(release, ReadNumber(path));
        CloseHandle(release);
    } else {
        Sleep(ReadNumber(path));
    }
    wcscpy(path, self);
    wcscat(path, L".fail");
    if (starts <= ReadNumber(path))
        return 0;
    runat::RemoveDelivery(self);
    runat::SignalReload();
    return 0;
}

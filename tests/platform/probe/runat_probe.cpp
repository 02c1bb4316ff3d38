// A program for the run-at-time service to start: each start appends one line to
// "<its own path>.started": the UTC time of the start (100 ns units since 1601), a blank and the
// command line it was given, in UTF-16.
#include <windows.h>

#include <wchar.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG stamp = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    wchar_t path[MAX_PATH + 16];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    wcscat(path, L".started");
    wchar_t line[MAX_PATH + 64];
    int count = _snwprintf(line, MAX_PATH + 63, L"%llu %ls\n", stamp, GetCommandLineW());
    if (count < 0)
        return 1;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(count * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return 0;
}

// What every test of real processes (the built programs, the run-at-time service) needs: the
// build folder, waits with a limit, and time in the system's 100 ns units. Header-only, so that
// each test program takes it without linking anything more.
#pragma once
#include "platform/win.h"

#include <tlhelp32.h>

#include <iterator>
#include <string>
#include <vector>

#include "runat/store.h"

// 100 ns units, as FILETIME and the run-at-time store count.
inline constexpr ULONGLONG kMillisecond = runat::kSecond / 1000;
inline constexpr ULONGLONG kMinute = 60 * runat::kSecond;

// A span of 100 ns units in whole milliseconds, for Sleep and the waits.
inline DWORD Milliseconds(ULONGLONG span) {
    return static_cast<DWORD>(span / kMillisecond);
}

// The ids of the running processes whose file is named `exe`; with `parent`, only the ones that
// process started.
inline std::vector<DWORD> ProcessesNamed(const wchar_t* exe, DWORD parent = 0) {
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, exe) == 0 &&
            (parent == 0 || entry.th32ParentProcessID == parent))
            found.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return found;
}

// The folder of this test program, ending in a backslash: the build puts the programs under
// test beside it.
inline std::wstring BuildFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    std::wstring folder(path, length);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

// How long a wait for something that should happen may take: it only ends a hang, so it leaves a
// loaded 2-core machine time to start a few programs. A test ends as soon as the event comes.
inline constexpr DWORD kPatience = 20000;

// Polls `condition` every `poll` milliseconds until it holds or `milliseconds` are up: a program
// that never gets there fails the test instead of hanging it.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD milliseconds = kPatience, DWORD poll = 20) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds)
            return false;
        Sleep(poll);
    }
    return true;
}

inline ULONGLONG FromFileTime(const FILETIME& file) {
    return static_cast<ULONGLONG>(file.dwHighDateTime) << 32 | file.dwLowDateTime;
}
inline FILETIME ToFileTime(ULONGLONG time) {
    return {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
}

// The local time of the UTC instant `utc`, in this machine's time zone.
inline SYSTEMTIME LocalAtUtc(ULONGLONG utc) {
    FILETIME file = ToFileTime(utc);
    SYSTEMTIME universal, local;
    FileTimeToSystemTime(&file, &universal);
    SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local);
    return local;
}

// The calendar time `minutes` after `from`, counted as a clock's face does (no time zone).
inline SYSTEMTIME AddMinutes(const SYSTEMTIME& from, ULONGLONG minutes) {
    FILETIME file;
    SystemTimeToFileTime(&from, &file);
    file = ToFileTime(FromFileTime(file) + minutes * kMinute);
    SYSTEMTIME at;
    FileTimeToSystemTime(&file, &at);
    return at;
}

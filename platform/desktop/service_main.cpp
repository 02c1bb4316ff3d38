// dawnbell_runat: the desktop's run-at-time service. It starts each registered program with
// "AppRunAtTime" at its local time, waking the machine from sleep for it, and drops the
// registration. It sleeps between events and reads its registrations again when asked to
// (reload event), when the clock or time zone changes, after a resume, and at start.
//
//   dawnbell_runat.exe [instance]
#include "platform/desktop/runat_store.h"

#include <wchar.h>

namespace {

HANDLE g_timer;
bool g_reload = true;

// The longest value name the registry allows, and the terminator.
constexpr DWORD kMaxValueName = 16384;
wchar_t g_valueName[kMaxValueName];

void StartProgram(LPCWSTR path) {
    wchar_t commandLine[MAX_PATH + 16];
    _snwprintf(commandLine, MAX_PATH + 15, L"\"%ls\" %ls", path, runat::kRunArgument);
    commandLine[MAX_PATH + 15] = L'\0';
    wchar_t folder[MAX_PATH];
    wcsncpy(folder, path, MAX_PATH - 1);
    folder[MAX_PATH - 1] = L'\0';
    wchar_t* slash = wcsrchr(folder, L'\\');
    if (slash)
        slash[1] = L'\0';
    // The registration is gone already, so a start that fails for a passing reason is tried
    // again.
    runat::StartProcess(path, commandLine, slash ? folder : nullptr, 0);
}

enum class Verdict { Wait, Fire, Drop };

// What to do with the value at `index` now; `due` gets its UTC time when it is to wait.
Verdict Judge(HKEY key, DWORD index, ULONGLONG now, ULONGLONG* due, LONG* enumResult) {
    DWORD nameLength = kMaxValueName;
    DWORD type = REG_NONE;
    DWORD size = 0;
    *enumResult =
        RegEnumValueW(key, index, g_valueName, &nameLength, nullptr, &type, nullptr, &size);
    if (*enumResult != ERROR_SUCCESS)
        return Verdict::Wait;
    if (type != REG_BINARY || size != sizeof(SYSTEMTIME) || nameLength == 0 ||
        nameLength >= MAX_PATH)
        return Verdict::Drop;
    SYSTEMTIME local;
    size = sizeof local;
    if (RegQueryValueExW(key, g_valueName, nullptr, &type, reinterpret_cast<BYTE*>(&local),
                         &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size != sizeof local)
        return Verdict::Drop;
    DWORD attributes = GetFileAttributesW(g_valueName);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Verdict::Drop;
    if (!runat::LocalToUtc(local, due))
        return Verdict::Drop;
    if (*due > now)
        return Verdict::Wait;
    return now - *due <= runat::kMaxLateness ? Verdict::Fire : Verdict::Drop;
}

// Fires what is due, drops what is bad or too late, and sets the timer for the earliest of
// the rest.
void ProcessRegistrations() {
    ULONGLONG earliest = 0;
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, runat::StoreKey(), 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        ULONGLONG now = runat::UtcNow();
        DWORD index = 0;
        for (;;) {
            ULONGLONG due = 0;
            LONG result;
            Verdict verdict = Judge(key, index, now, &due, &result);
            if (result == ERROR_NO_MORE_ITEMS)
                break;
            if (result != ERROR_SUCCESS) {
                ++index;
                continue;
            }
            if (verdict == Verdict::Wait) {
                if (earliest == 0 || due < earliest)
                    earliest = due;
                ++index;
                continue;
            }
            // Removed before the start, so that nothing can fire it twice. A value that will not
            // go is stepped over instead.
            if (RegDeleteValueW(key, g_valueName) != ERROR_SUCCESS) {
                ++index;
                continue;
            }
            if (verdict == Verdict::Fire)
                StartProgram(g_valueName);
        }
        RegCloseKey(key);
    }
    if (earliest == 0) {
        CancelWaitableTimer(g_timer);
        return;
    }
    LARGE_INTEGER when;
    when.QuadPart = static_cast<LONGLONG>(earliest); // positive: an absolute UTC time
    // Resume set: the machine wakes from sleep for the alarm where it can.
    if (!SetWaitableTimer(g_timer, &when, 0, nullptr, nullptr, TRUE))
        SetWaitableTimer(g_timer, &when, 0, nullptr, nullptr, FALSE);
}

LRESULT CALLBACK ServiceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMECHANGE:
    case WM_SETTINGCHANGE: // a new time zone may come this way alone
        g_reload = true;
        return 0;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)
            g_reload = true;
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// A hidden top-level window: message-only windows get no broadcasts such as WM_TIMECHANGE.
HWND CreateServiceWindow(HINSTANCE instance) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ServiceWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = runat::kWindowClass;
    RegisterClassW(&windowClass);
    return CreateWindowExW(WS_EX_TOOLWINDOW, runat::kWindowClass, runat::WindowTitle(), WS_POPUP,
                           0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

// Runs until the window is closed or the session ends. Its window shows that it is ready: the
// reload event exists by then.
int Serve(HINSTANCE instance) {
    HANDLE reload = CreateEventW(nullptr, FALSE, FALSE, runat::ReloadEventName());
    g_timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    if (!reload || !g_timer || !CreateServiceWindow(instance))
        return 1;
    HANDLE events[2] = {reload, g_timer};
    for (;;) {
        if (g_reload) {
            g_reload = false;
            ProcessRegistrations();
        }
        DWORD woken = MsgWaitForMultipleObjects(2, events, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_OBJECT_0 + 1) {
            g_reload = true;
        } else if (woken == WAIT_OBJECT_0 + 2) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT)
                    return 0;
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        } else {
            return 1; // waiting itself failed: end rather than spin
        }
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    while (*commandLine == L' ' || *commandLine == L'\t')
        ++commandLine;
    wchar_t name[runat::kMaxInstance + 2];
    size_t length = wcscspn(commandLine, L" \t");
    if (length > runat::kMaxInstance)
        return 2;
    wmemcpy(name, commandLine, length);
    name[length] = L'\0';
    if (!runat::SetInstance(name))
        return 2;
    // One service per instance: a second one leaves at once.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, runat::ServiceName());
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;
    int result = Serve(instance);
    CloseHandle(mutex);
    return result;
}

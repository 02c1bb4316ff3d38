// dawnbell_runat: the desktop's run-at-time service. At each registered local time it starts the
// registered program with "AppRunAtTime", waking the machine from sleep for it, and then sees
// the alarm through: the registration becomes a delivery that stays until the program says it
// has taken the alarm over. A started program that ends before that (a crash, a kill, power
// lost) is started again, within the lateness limit; an alarm it gives up (too late, or started
// too often) it tells the program about with a start-up start. It sleeps between events and
// reads its store again when asked to (reload event), when a started program ends, when the
// clock or time zone changes, after a resume, and at start.
//
//   dawnbell_runat.exe [instance]
#include <string.h>
#include <wchar.h>

#include "runat/fixed_text.h"
#include "runat/processes.h"
#include "runat/store.h"
#include "runat/wall_clock.h"

namespace {

HANDLE g_timer;
bool g_reload = true;

// Value names longer than a path are never ours; reading them whole lets them be removed.
constexpr DWORD kMaxValueName = 16384;

// The started programs being watched, one per delivery: there is rarely more than one.
constexpr DWORD kMaxWatched = 4;
struct Watch {
    wchar_t path[MAX_PATH];
    DWORD process;
    HANDLE handle;
    bool seen;
};
Watch g_watched[kMaxWatched];
DWORD g_watchCount = 0;

// What becomes of a record: it stays, it goes, or it goes and its program is told that its
// alarm was given up.
enum class Verdict { Keep, Drop, GiveUp };

// The value at `index` of `key`, its data (at most `*size` bytes) and their size; `usable` is
// false for a value that cannot be one of our records: not REG_BINARY, too large, or a name that
// is no program path. A program file that is not there now is no reason to drop it.
LONG ReadRecord(HKEY key, DWORD index, wchar_t* name, BYTE* data, DWORD* size, bool* usable) {
    DWORD nameLength = kMaxValueName;
    DWORD type = REG_NONE;
    LONG result = RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, size);
    *usable = false;
    if (result == ERROR_MORE_DATA) {
        // Data too large for any record: the name alone is enough to remove it.
        nameLength = kMaxValueName;
        return RegEnumValueW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
    }
    if (result != ERROR_SUCCESS)
        return result;
    if (type == REG_BINARY && nameLength > 0 && nameLength < MAX_PATH) {
        DWORD attributes = GetFileAttributesW(name);
        *usable = attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    return ERROR_SUCCESS;
}

ULONGLONG Earlier(ULONGLONG a, ULONGLONG b) {
    return a == 0 || (b != 0 && b < a) ? b : a;
}

// Starts `path` with `argument` in its own folder; with `started`, its handles are the caller's.
bool Launch(LPCWSTR path, LPCWSTR argument, PROCESS_INFORMATION* started) {
    wchar_t commandLine[MAX_PATH + 16];
    runat::FormatInto(commandLine, L"\"%ls\" %ls", path, argument);
    wchar_t folder[MAX_PATH];
    runat::CopyInto(folder, path);
    wchar_t* slash = wcsrchr(folder, L'\\');
    if (slash)
        slash[1] = L'\0';
    return runat::StartProcess(path, commandLine, slash ? folder : nullptr, 0, started);
}

// Walks the records under `keyPath`: `judge(key, data, size)` gives each one's verdict, and one
// that does not stay is removed (a value that will not go is stepped over). The program of a
// record given up is started once with its start-up argument, after its record is gone, so that
// it finds nothing pending and shows so.
template <class Judge> void ForEachRecord(LPCWSTR keyPath, wchar_t* name, Judge judge) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;;) {
        BYTE data[64];
        DWORD size = sizeof data;
        bool usable = false;
        LONG result = ReadRecord(key, index, name, data, &size, &usable);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_SUCCESS) {
            Verdict verdict = usable ? judge(key, data, size) : Verdict::Drop;
            if (verdict != Verdict::Keep && RegDeleteValueW(key, name) == ERROR_SUCCESS) {
                if (verdict == Verdict::GiveUp)
                    Launch(name, runat::kGiveUpArgument, nullptr);
                continue; // the next value now has this index
            }
        }
        ++index;
    }
    RegCloseKey(key);
}

// Registrations that are due become deliveries; bad ones go, and ones too late are given up.
// Gives the earliest time still to wait for, 0 for none.
ULONGLONG FireDueRegistrations(ULONGLONG now, wchar_t* name) {
    ULONGLONG earliest = 0;
    ForEachRecord(runat::StoreKey(), name, [&](HKEY, const BYTE* data, DWORD size) {
        ULONGLONG due = 0;
        if (!runat::RegistrationDue(data, size, now, &due))
            return Verdict::Drop;
        if (due > now) {
            earliest = Earlier(earliest, due);
            return Verdict::Keep;
        }
        if (now - due > runat::kMaxLateness)
            return Verdict::GiveUp;
        // The delivery is written before the registration goes, so that a service that dies in
        // between still has the alarm in one of them.
        runat::Delivery delivery = {};
        delivery.due = due;
        return runat::StoreDelivery(name, delivery) == ERROR_SUCCESS ? Verdict::Drop
                                                                     : Verdict::Keep;
    });
    return earliest;
}

Watch* FindWatch(LPCWSTR path) {
    for (DWORD i = 0; i < g_watchCount; ++i) {
        if (_wcsicmp(g_watched[i].path, path) == 0)
            return &g_watched[i];
    }
    return nullptr;
}

void Unwatch(DWORD i) {
    CloseHandle(g_watched[i].handle);
    g_watched[i] = g_watched[--g_watchCount];
}

void AddWatch(LPCWSTR path, DWORD process, HANDLE handle) {
    if (Watch* old = FindWatch(path))
        Unwatch(static_cast<DWORD>(old - g_watched));
    if (g_watchCount == kMaxWatched) {
        CloseHandle(handle); // more programs at once than we serve: this one goes unwatched
        return;
    }
    Watch& watch = g_watched[g_watchCount++];
    runat::CopyInto(watch.path, path);
    watch.process = process;
    watch.handle = handle;
    watch.seen = true;
}

// Whether the process that a delivery started last still runs. A service that started anew
// finds it again by its id and creation time (an id alone may belong to a later process).
bool StillRunning(LPCWSTR path, const runat::Delivery& delivery) {
    if (delivery.process == 0)
        return false;
    Watch* watch = FindWatch(path);
    if (watch && watch->process == delivery.process) {
        if (WaitForSingleObject(watch->handle, 0) == WAIT_TIMEOUT) {
            watch->seen = true;
            return true;
        }
        Unwatch(static_cast<DWORD>(watch - g_watched)); // an ended process would wake us forever
        return false;
    }
    HANDLE handle =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, delivery.process);
    if (!handle)
        return false;
    if (runat::CreationTime(handle) != delivery.created ||
        WaitForSingleObject(handle, 0) != WAIT_TIMEOUT) {
        CloseHandle(handle);
        return false;
    }
    AddWatch(path, delivery.process, handle);
    return true;
}

enum class Started { Yes, Missing, Failed };

Started StartProgram(LPCWSTR path, runat::Delivery* delivery) {
    PROCESS_INFORMATION started = {};
    if (!Launch(path, runat::kRunArgument, &started))
        return GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES ? Started::Missing
                                                                   : Started::Failed;
    CloseHandle(started.hThread);
    delivery->process = started.dwProcessId;
    delivery->created = runat::CreationTime(started.hProcess);
    AddWatch(path, started.dwProcessId, started.hProcess);
    return Started::Yes;
}

// Moves one delivery on: waits while its program runs, starts it (again) when it is gone, and
// gives it up when it is too late or was started often enough. Gives the time to look at it
// again, 0 for none.
ULONGLONG Deliver(LPCWSTR path, runat::Delivery* delivery, ULONGLONG now, Verdict* verdict) {
    *verdict = Verdict::Keep;
    ULONGLONG limit = delivery->due + runat::kMaxLateness;
    if (now > limit) {
        *verdict = Verdict::GiveUp; // an alarm this late helps nobody
        return 0;
    }
    if (StillRunning(path, *delivery))
        return 0;
    if (delivery->process != 0 && delivery->notBefore == 0) {
        // It ended without taking the alarm over: give a hand-over in flight its moment.
        delivery->notBefore = now + runat::kRedeliveryPause;
        return delivery->notBefore;
    }
    if (now < delivery->notBefore)
        return delivery->notBefore;
    if (delivery->starts >= runat::kMaxStarts) {
        *verdict = Verdict::GiveUp;
        return 0;
    }
    delivery->notBefore = 0;
    switch (StartProgram(path, delivery)) {
    case Started::Yes:
        delivery->starts += 1;
        return 0;
    case Started::Missing:
        // Not a start: looked for again a while later, and given up only when too late.
        delivery->process = 0;
        delivery->notBefore = now + runat::kMissingProgramPause;
        if (delivery->notBefore > limit)
            delivery->notBefore = limit + 1;
        return delivery->notBefore;
    case Started::Failed:
        break;
    }
    delivery->starts += 1;
    delivery->process = 0;
    delivery->notBefore = now + runat::kRedeliveryPause;
    return delivery->notBefore;
}

ULONGLONG ServeDeliveries(ULONGLONG now, wchar_t* name) {
    for (DWORD i = 0; i < g_watchCount; ++i)
        g_watched[i].seen = false;
    ULONGLONG earliest = 0;
    ForEachRecord(runat::DeliveryKey(), name, [&](HKEY key, const BYTE* data, DWORD size) {
        runat::Delivery delivery;
        if (!runat::ParseDelivery(data, size, &delivery))
            return Verdict::Drop;
        Verdict verdict;
        earliest = Earlier(earliest, Deliver(name, &delivery, now, &verdict));
        if (verdict == Verdict::Keep && memcmp(data, &delivery, sizeof delivery) != 0)
            RegSetValueExW(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&delivery),
                           sizeof delivery);
        return verdict;
    });
    // Programs whose delivery is gone (taken over, removed or dropped) are no longer watched.
    for (DWORD i = g_watchCount; i-- > 0;) {
        if (!g_watched[i].seen)
            Unwatch(i);
    }
    return earliest;
}

// Value names are read whole, so that overlong ones can be removed; the buffer is on the heap,
// so that the program file carries no 32 KB of zeros for it.
wchar_t* g_valueName = nullptr;

void ProcessStore() {
    ULONGLONG earliest = 0;
    if (g_valueName) {
        ULONGLONG now = runat::UtcNow();
        earliest = FireDueRegistrations(now, g_valueName);
        earliest = Earlier(earliest, ServeDeliveries(now, g_valueName));
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
    return CreateWindowExW(WS_EX_TOOLWINDOW, runat::kWindowClass, runat::WindowTitle(), WS_POPUP, 0,
                           0, 0, 0, nullptr, nullptr, instance, nullptr);
}

// Runs until the window is closed or the session ends. Its window shows that it is ready: the
// reload event exists by then.
int Serve(HINSTANCE instance) {
    g_valueName =
        static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, kMaxValueName * sizeof(wchar_t)));
    HANDLE reload = CreateEventW(nullptr, FALSE, FALSE, runat::ReloadEventName());
    g_timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    if (!reload || !g_timer || !CreateServiceWindow(instance))
        return 1;
    HANDLE events[2 + kMaxWatched] = {reload, g_timer};
    for (;;) {
        if (g_reload) {
            g_reload = false;
            ProcessStore();
        }
        DWORD count = 2 + g_watchCount;
        for (DWORD i = 0; i < g_watchCount; ++i)
            events[2 + i] = g_watched[i].handle;
        DWORD woken = MsgWaitForMultipleObjects(count, events, FALSE, INFINITE, QS_ALLINPUT);
        if (woken < WAIT_OBJECT_0 + count) {
            // A reload, a due time, or a started program that ended.
            g_reload = true;
        } else if (woken == WAIT_OBJECT_0 + count) {
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

// The timings of tools/bench, taken inside Wine: Dawnbell and its yardsticks started in turn,
// round after round, so that whatever else the machine does falls on both. Prints one line per
// round of milliseconds, "round <n> <program>=<ms> ...", for bench.py to take apart.
//
//   probe ring EFFECT ROUNDS       "AppRunAtTime" start to ring shown: dawnbell.exe, and the ring
//                                  yardstick on its own window and on Dawnbell's template
//   probe handover EFFECT ROUNDS   a second start's hand-over to a hidden resident Dawnbell, the
//                                  protocol-minimal hand-over and a bare find-and-send
//   probe dialog ROUNDS            the settings dialog opening
//   probe resident EFFECT          leaves a resident Dawnbell (armed, hidden, never rung) and the
//                                  idle ring yardstick running, for memory and idle wake-ups
//   probe ring-residents           rings both once and stops them
//   probe cleanup                  ends every program and removes every setting and alarm
//
// EFFECT is the volume effect, 0 ("None") or 1 ("MAX Volume"). Every alarm is armed for a time
// of day that has just passed, with a snooze of a day, so that nothing left registered by an
// interrupted run could ring before tomorrow; cleanup removes it all.
#include <cstdio>
#include <cwchar>
#include <string>

#include "resources/resource.h"
#include "tests/e2e/e2e_dialogs.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/settings_controls.h"

namespace {

const wchar_t kYardstickTitle[] = L"Ring yardstick";
constexpr DWORD kSnoozeOfADay = 24 * 60;

double Millis() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart * 1000.0 / frequency.QuadPart;
}

// Polls every millisecond: the probe spins only while it times, the same for every program.
template <typename Condition> bool Spin(Condition condition) {
    return WaitUntil(condition, 10000, 1);
}

void StoreAlarm(DWORD effect, DWORD resident) {
    CleanSlate();
    SYSTEMTIME now;
    GetLocalTime(&now);
    SYSTEMTIME passed = AddMinutes(now, kSnoozeOfADay - 2); // two minutes ago, as a time of day
    WriteSetting(L"Hour", passed.wHour);
    WriteSetting(L"Minute", passed.wMinute);
    WriteSetting(L"Alarm", 1);
    WriteSetting(L"AlarmNum", 0);
    WriteSetting(L"AlarmInterval", kSnoozeOfADay);
    WriteSetting(L"UseBeep", 0);
    WriteSetting(L"VolCtrl", effect);
    WriteSetting(L"NoSuspend", resident);
}

void WaitUntilNoInstance() {
    Spin([] {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kMutexName);
        if (mutex)
            CloseHandle(mutex);
        return mutex == nullptr;
    });
}

// Starts `exe` and times it until its window titled `title` shows the Stop button; -1 if it
// never does. The program is ended afterwards.
double TimeRing(const wchar_t* exe, const wchar_t* arguments, const wchar_t* title) {
    double start = Millis();
    Program program = Start(exe, arguments);
    DWORD pid = program.process.dwProcessId;
    bool rang = Spin([&] { return ShowsRing(FindShown(pid, title, nullptr)); });
    double elapsed = Millis() - start;
    program.Kill();
    WaitUntilNoInstance();
    Sleep(100); // the sound server and Wine settle the same after every program
    return rang ? elapsed : -1;
}

struct Contender {
    const char* name;
    double (*run)(DWORD effect);
};

double DawnbellRing(DWORD) {
    return TimeRing(kProgramExe, kAlarmToken, kWindowTitle);
}
double PlainRing(DWORD effect) {
    return TimeRing(L"ring_window.exe", effect ? L"--volume" : L"", kYardstickTitle);
}
double TemplateRing(DWORD effect) {
    return TimeRing(L"ring_window.exe", effect ? L"--template --volume" : L"--template",
                    kYardstickTitle);
}

// Runs each contender once untimed, then `rounds` rounds with the order turned by one each round.
void Rounds(const Contender* contenders, int count, DWORD effect, int rounds) {
    for (int i = 0; i < count; ++i)
        contenders[i].run(effect);
    for (int round = 0; round < rounds; ++round) {
        double times[8] = {};
        for (int k = 0; k < count; ++k) {
            int i = (round + k) % count;
            times[i] = contenders[i].run(effect);
        }
        printf("round %d", round);
        for (int i = 0; i < count; ++i)
            printf(" %s=%.2f", contenders[i].name, times[i]);
        printf("\n");
        fflush(stdout);
    }
}

void Ring(DWORD effect, int rounds) {
    StoreAlarm(effect, 0);
    const Contender contenders[] = {
        {"dawnbell", DawnbellRing}, {"plain", PlainRing}, {"template", TemplateRing}};
    Rounds(contenders, 3, effect, rounds);
    CleanSlate();
}

HWND g_resident = nullptr;

// The alarm check box clicked into state `check`, as the user would.
void ClickAlarmBox(HWND window, UINT check) {
    HWND box = GetDlgItem(window, IDC_ALARM);
    if (static_cast<UINT>(SendMessageW(box, BM_GETCHECK, 0, 0)) == check)
        return;
    SendMessageW(box, BM_SETCHECK, check, 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_ALARM, BN_CLICKED),
                 reinterpret_cast<LPARAM>(box));
}

// Arms the resident Dawnbell afresh (a hand-over of an alarm it has just rung would not ring it
// again) and hides it, silenced, as it waits for its alarm; then times `exe` from its start to
// its end. -1 if it failed, or did not ring when it should have.
double TimeHandOver(const wchar_t* exe, const wchar_t* arguments, bool rings) {
    ClickAlarmBox(g_resident, BST_UNCHECKED);
    ClickAlarmBox(g_resident, BST_CHECKED);
    SendMessageW(g_resident, WM_CLOSE, 0, 0);
    Spin([] { return !IsWindowVisible(g_resident); });
    Sleep(100);
    double start = Millis();
    Program program = Start(exe, arguments);
    bool ended = program.WaitForExit(10000);
    double elapsed = Millis() - start;
    DWORD code = 1;
    GetExitCodeProcess(program.process.hProcess, &code);
    program.Kill();
    bool rang = ShowsRing(g_resident);
    // Stopped as the user would.
    SendMessageW(g_resident, WM_COMMAND, MAKEWPARAM(IDC_STOP, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(g_resident, IDC_STOP)));
    return ended && code == 0 && rang == rings ? elapsed : -1;
}

double DawnbellHandOver(DWORD) {
    return TimeHandOver(kProgramExe, kAlarmToken, true);
}
double MinimalHandOver(DWORD) {
    return TimeHandOver(L"hand_over.exe", L"", true);
}
double BareFindAndSend(DWORD) {
    return TimeHandOver(L"hand_over.exe", L"--bare", false);
}

void HandOver(DWORD effect, int rounds) {
    StoreAlarm(effect, 1);
    Program resident = Start(kProgramExe, L"");
    g_resident = WaitForMainWindow(resident.process.dwProcessId);
    if (!g_resident) {
        printf("error no resident window\n");
        resident.Kill();
        CleanSlate();
        return;
    }
    Sleep(500); // ready for a hand-over; each round arms it
    const Contender contenders[] = {
        {"dawnbell", DawnbellHandOver}, {"minimal", MinimalHandOver}, {"bare", BareFindAndSend}};
    Rounds(contenders, 3, effect, rounds);
    resident.Kill();
    CleanSlate();
}

void Dialog(int rounds) {
    CleanSlate();
    WriteSetting(L"Alarm", 0);
    Program program = Start(kProgramExe, L"");
    HWND window = WaitForMainWindow(program.process.dwProcessId);
    for (int i = 0; window && i <= rounds; ++i) {
        double start = Millis();
        Press(GetDlgItem(window, IDC_SETTINGS));
        HWND settings = nullptr;
        Spin([&] {
            return (settings = FindShown(program.process.dwProcessId, kSettingsCaption, nullptr)) !=
                   nullptr;
        });
        if (i > 0) // the first opening is a warm-up
            printf("round %d dialog=%.2f\n", i - 1, settings ? Millis() - start : -1);
        if (settings) {
            PostMessageW(settings, WM_CLOSE, 0, 0);
            Spin([&] { return !IsWindow(settings); });
        }
    }
    program.Kill();
    CleanSlate();
}

// Both are started shown and closed into hiding, as a user leaves a resident program.
void Residents(DWORD effect) {
    StoreAlarm(effect, 1);
    Program dawnbell = Start(kProgramExe, L"");
    HWND window = WaitForMainWindow(dawnbell.process.dwProcessId);
    Program yardstick = Start(L"ring_window.exe", L"--idle");
    HWND other = nullptr;
    Spin([&] {
        return (other = FindShown(yardstick.process.dwProcessId, kYardstickTitle, nullptr)) !=
               nullptr;
    });
    Sleep(500);
    if (window) {
        // Armed with a registration, or the close would end it: an alarm without a pending
        // ring opens disarmed.
        ClickAlarmBox(window, BST_UNCHECKED);
        ClickAlarmBox(window, BST_CHECKED);
        SendMessageW(window, WM_CLOSE, 0, 0);
    }
    if (other)
        SendMessageW(other, WM_CLOSE, 0, 0);
    printf("dawnbell %lu\nyardstick %lu\n", dawnbell.process.dwProcessId,
           yardstick.process.dwProcessId);
    if (!window || !other)
        printf("error the residents did not start\n");
}

void RingResidents() {
    HWND windows[] = {MainWindowOf(0), FindWindowW(nullptr, kYardstickTitle)};
    for (HWND window : windows) {
        if (!window) {
            printf("error a resident is missing\n");
            continue;
        }
        SendMessageW(window, WM_ALARM, 0, 0);
    }
    Sleep(1500);
    for (HWND window : windows) {
        if (!window)
            continue;
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_STOP, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_STOP)));
        SendMessageW(window, WM_CLOSE, 0, 0);
    }
}

void Cleanup() {
    CleanSlate();
    for (const wchar_t* exe : {L"ring_window.exe", L"hand_over.exe"}) {
        for (DWORD pid : ProcessesNamed(exe))
            KillProcess(pid);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring what = argc > 1 ? argv[1] : L"";
    auto number = [&](int i, int otherwise) { return argc > i ? _wtoi(argv[i]) : otherwise; };
    if (what == L"ring")
        Ring(number(2, 0), number(3, 7));
    else if (what == L"handover")
        HandOver(number(2, 0), number(3, 7));
    else if (what == L"dialog")
        Dialog(number(2, 7));
    else if (what == L"resident")
        Residents(number(2, 0));
    else if (what == L"ring-residents")
        RingResidents();
    else if (what == L"cleanup")
        Cleanup();
    else {
        fprintf(stderr, "probe: ring|handover|dialog|resident|ring-residents|cleanup\n");
        return 2;
    }
    return 0;
}

// Timings taken inside Wine for tools/bench, side by side with the minimal program. Prints
// "name value" lines (milliseconds, medians of 10).
//   probe timings      ring, hand-over and settings dialog against the minimal program
//   probe idle         leaves a resident Dawnbell (hidden, armed), its service and a minimal
//                      window running for the idle measurement
//   probe cleanup      ends them
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>
#include "resources/resource.h"
#include "tests/e2e/e2e_dialogs.h"
#include "tests/e2e/e2e_support.h"

namespace {

constexpr int kRuns = 10;

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

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return (values[values.size() / 2] + values[(values.size() - 1) / 2]) / 2;
}

// Polls every millisecond: the probe is the only one that spins, and only while it times.
template <typename Condition> bool Spin(Condition condition, DWORD milliseconds = 10000) {
    double end = Millis() + milliseconds;
    while (!condition()) {
        if (Millis() > end)
            return false;
        Sleep(1);
    }
    return true;
}

HWND Shown(DWORD pid, const wchar_t* title) { return FindShown(pid, title, nullptr); }

void StoreAlarm(DWORD armed, DWORD resident) {
    CleanSlate();
    WriteSetting(L"Alarm", armed);
    WriteSetting(L"AlarmNum", 0);
    WriteSetting(L"AlarmInterval", 15);
    WriteSetting(L"UseBeep", 0);
    WriteSetting(L"VolCtrl", 0);
    WriteSetting(L"NoSuspend", resident);
}

void Print(const char* name, double value) { printf("%s %.1f\n", name, value); }

void Timings() {
    std::vector<double> ring, minimal, handOver, minimalProcess, dialog;
    StoreAlarm(1, 0);
    for (int i = 0; i < kRuns; ++i) {
        double start = Millis();
        Program program = Start(L"dawnbell.exe", L"AppRunAtTime");
        DWORD pid = program.process.dwProcessId;
        HWND window = nullptr;
        Spin([&] {
            window = Shown(pid, L"Dawnbell");
            return window && IsWindowVisible(GetDlgItem(window, IDC_STOP));
        });
        ring.push_back(Millis() - start);
        program.Kill();
        // The next start must find no instance to hand over to.
        Spin([] {
            HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"DBELL");
            if (mutex)
                CloseHandle(mutex);
            return mutex == nullptr;
        });

        start = Millis();
        Program yardstick = Start(L"minimal.exe", L"");
        Spin([&] { return Shown(yardstick.process.dwProcessId, L"Minimal") != nullptr; });
        minimal.push_back(Millis() - start);
        yardstick.Kill();
    }

    // A second start hands over to the resident instance and ends.
    StoreAlarm(1, 1);
    Program resident = Start(L"dawnbell.exe", L"");
    HWND window = WaitForMainWindow(resident.process.dwProcessId);
    for (int i = 0; window && i < kRuns; ++i) {
        SendMessageW(window, WM_CLOSE, 0, 0); // hides
        double start = Millis();
        Program second = Start(L"dawnbell.exe", L"AppRunAtTime");
        second.WaitForExit(10000);
        handOver.push_back(Millis() - start);
        second.Kill();
        SendMessageW(GetDlgItem(window, IDC_STOP), BM_CLICK, 0, 0);

        start = Millis();
        Program yardstick = Start(L"minimal.exe", L"--exit");
        yardstick.WaitForExit(10000);
        minimalProcess.push_back(Millis() - start);
        yardstick.Kill();
    }
    resident.Kill();

    // The settings dialog, opened from a disarmed window.
    StoreAlarm(0, 0);
    Program program = Start(L"dawnbell.exe", L"");
    window = WaitForMainWindow(program.process.dwProcessId);
    for (int i = 0; window && i < kRuns; ++i) {
        double start = Millis();
        Press(GetDlgItem(window, IDC_SETTINGS));
        HWND settings = nullptr;
        Spin([&] { return (settings = Shown(program.process.dwProcessId, L"Settings")) != nullptr; });
        dialog.push_back(Millis() - start);
        if (settings) {
            PostMessageW(settings, WM_CLOSE, 0, 0);
            Spin([&] { return !IsWindow(settings); });
        }
    }
    program.Kill();
    CleanSlate();

    Print("ring", Median(ring));
    Print("minimal_window", Median(minimal));
    Print("hand_over", handOver.empty() ? -1 : Median(handOver));
    Print("minimal_process", minimalProcess.empty() ? -1 : Median(minimalProcess));
    Print("settings_dialog", dialog.empty() ? -1 : Median(dialog));
}

// Leaves the programs running; the bench finds them by name and the prefix.
void Idle() {
    StoreAlarm(1, 1);
    WriteSetting(L"Hour", 3);
    Program resident = Start(L"dawnbell.exe", L"");
    HWND window = WaitForMainWindow(resident.process.dwProcessId);
    if (window) {
        // Armed again so that the service holds a registration, then closed into resident mode.
        SendDlgItemMessageW(window, IDC_ALARM, BM_CLICK, 0, 0);
        SendDlgItemMessageW(window, IDC_ALARM, BM_CLICK, 0, 0);
        SendMessageW(window, WM_CLOSE, 0, 0);
    }
    Start(L"minimal.exe", L"");
    Sleep(1000);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const wchar_t* what = argc > 1 ? argv[1] : L"timings";
    if (wcscmp(what, L"timings") == 0)
        Timings();
    else if (wcscmp(what, L"idle") == 0)
        Idle();
    else {
        CleanSlate();
        for (HWND minimal; (minimal = FindWindowW(L"MinimalWindow", nullptr)) != nullptr;) {
            DWORD pid = 0;
            GetWindowThreadProcessId(minimal, &pid);
            HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
            if (!process)
                break;
            TerminateProcess(process, 0);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
    return 0;
}

// Plays the user's part for the audio test: previews a wave file in the settings dialog, lets
// the beep ring and stops it, lets a wave file ring and closes the window. Each step is printed
// as "<event> <unix time in ms>" so that the recording can be read against it.
#include <cstdio>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/e2e/e2e_dialogs.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/settings_controls.h"

namespace {

const wchar_t kToneName[] = L"e2e-tone";
const double kToneHertz = 660;
const double kToneSeconds = 0.6;
constexpr DWORD kRingMs = 2500;
constexpr DWORD kQuietMs = 1200;

// 1970-01-01, the Unix epoch, in 100 ns units since 1601.
constexpr ULONGLONG kUnixEpoch = 116444736000000000ull;

double Now() {
    FILETIME file;
    GetSystemTimePreciseAsFileTime(&file);
    return static_cast<double>(FromFileTime(file) - kUnixEpoch) / kMillisecond;
}

void Event(const char* name) {
    printf("%s %.1f\n", name, Now());
    fflush(stdout);
}

int Fail(const char* what) {
    printf("error %s\n", what);
    fflush(stdout);
    CleanSlate();
    return 1;
}

void StoreAlarm(DWORD useBeep) {
    WriteSetting(L"Alarm", 1);
    WriteSetting(L"AlarmNum", 0);
    WriteSetting(L"AlarmInterval", 5);
    WriteSetting(L"VolCtrl", 0);
    WriteSetting(L"NoSuspend", 0);
    WriteSetting(L"UseBeep", useBeep);
    WriteSettingText(L"Wave", kToneName);
}

// Starts a ring as the system would and waits until Stop shows; the ring's window or null.
HWND Ring(Program& program, const char* event) {
    Event(event);
    program = Start(kProgramExe, kAlarmToken);
    HWND window = WaitForMainWindow(program.process.dwProcessId);
    if (!window || !WaitUntil([&] { return ControlVisible(window, IDC_STOP); }, 5000))
        return nullptr;
    return window;
}

} // namespace

int main() {
    Event("begin");
    CleanSlate();
    std::wstring tone = SoundsFolder() + kToneName + L".wav";
    if (!WriteToneFile(tone, kToneHertz, kToneSeconds))
        return Fail("cannot write the tone file");

    // A preview plays the chosen file once.
    Program program = Start(kProgramExe, L"");
    HWND window = WaitForMainWindow(program.process.dwProcessId);
    if (!window)
        return Fail("no main window");
    Press(GetDlgItem(window, IDC_SETTINGS));
    HWND dialog = WaitForDialog(program.process.dwProcessId, kSettingsCaption);
    if (!dialog)
        return Fail("no settings dialog");
    HWND waves = GetDlgItem(dialog, IDC_WAVE);
    std::vector<std::wstring> items = ComboItems(waves);
    int index = -1;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == kToneName)
            index = static_cast<int>(i);
    if (index < 0)
        return Fail("the tone is not listed");
    SendMessageW(waves, CB_SETCURSEL, index, 0);
    Event("preview");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_WAVE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(waves));
    Sleep(static_cast<DWORD>(kToneSeconds * 1000) + kQuietMs);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    WaitUntil([&] { return !IsWindow(dialog); }, 5000);
    SendMessageW(window, WM_CLOSE, 0, 0);
    program.WaitForExit(5000);
    program.Kill();

    // The built-in beep rings until Stop.
    StoreAlarm(0);
    window = Ring(program, "beep");
    if (!window)
        return Fail("the beep did not ring");
    Sleep(kRingMs);
    Event("stop");
    SendMessageW(GetDlgItem(window, IDC_STOP), BM_CLICK, 0, 0);
    Sleep(kQuietMs);
    SendMessageW(window, WM_CLOSE, 0, 0);
    program.WaitForExit(5000);
    program.Kill();

    // A wave file rings with its own sound until the window is closed.
    StoreAlarm(1);
    window = Ring(program, "wave");
    if (!window)
        return Fail("the wave file did not ring");
    Sleep(kRingMs);
    Event("close");
    SendMessageW(window, WM_CLOSE, 0, 0);
    bool ended = program.WaitForExit(5000);
    Sleep(kQuietMs);
    Event("end");
    program.Kill();
    CleanSlate();
    DeleteFileW(tone.c_str());
    return ended ? 0 : Fail("closing did not end the program");
}

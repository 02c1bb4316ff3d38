// Plays the user's part for the audio test: previews a wave file in the settings dialog, lets
// the beep ring and stops it, lets a wave file ring and closes the window. The test's judge
// listens to the sound meanwhile (tests/audio/ring_heard.py), so the two take turns: each step
// is printed as one line once taken, and before the next one the driver waits for the judge's
// go-ahead, a file "go<N>" that the judge makes in the folder given on the command line once it
// has heard what it needs.
//
//   audio_driver.exe FOLDER     the user's part
//   audio_driver.exe clean      ends whatever a broken run left: programs, settings, alarms
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
// Only ends a hang: a starved machine starts a Wine program in seconds, and the judge gives
// each go-ahead within 90 s even when every one of its waits runs out.
constexpr DWORD kHangMs = 30000;
constexpr DWORD kJudgeMs = 120000;

std::wstring g_folder;
int g_steps = 0;

void Step(const char* name) {
    printf("%s\n", name);
    fflush(stdout);
}

int Fail(const char* what) {
    printf("error %s\n", what);
    fflush(stdout);
    CleanSlate();
    return 1;
}

// Waits for the judge to have heard the step just taken.
bool GoAhead() {
    std::wstring go = g_folder + L"go" + std::to_wstring(++g_steps);
    return WaitUntil([&] { return GetFileAttributesW(go.c_str()) != INVALID_FILE_ATTRIBUTES; },
                     kJudgeMs);
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
HWND Ring(Program& program) {
    program = Start(kProgramExe, kAlarmToken);
    HWND window = WaitForMainWindow(program.process.dwProcessId, kHangMs);
    if (!window || !WaitUntil([&] { return ControlVisible(window, IDC_STOP); }, kHangMs))
        return nullptr;
    return window;
}

// Closes the window as the user would; whether the program ended.
bool Close(Program& program, HWND window) {
    SendMessageW(window, WM_CLOSE, 0, 0);
    return program.WaitForExit(kHangMs);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2)
        return Fail("usage: audio_driver.exe FOLDER|clean");
    if (std::wstring(argv[1]) == L"clean") {
        CleanSlate();
        return 0;
    }
    g_folder = argv[1];
    if (g_folder.back() != L'\\')
        g_folder += L'\\';
    Step("begin");
    CleanSlate();
    std::wstring tone = SoundsFolder() + kToneName + L".wav";
    if (!WriteToneFile(tone, kToneHertz, kToneSeconds))
        return Fail("cannot write the tone file");

    // A preview plays the chosen file once.
    Program program = Start(kProgramExe, L"");
    HWND window = WaitForMainWindow(program.process.dwProcessId, kHangMs);
    if (!window)
        return Fail("no main window");
    Press(GetDlgItem(window, IDC_SETTINGS));
    HWND dialog = WaitForDialog(program.process.dwProcessId, kSettingsCaption, kHangMs);
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
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_WAVE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(waves));
    Step("preview");
    if (!GoAhead())
        return Fail("no go-ahead after the preview");
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    WaitUntil([&] { return !IsWindow(dialog); }, kHangMs);
    Close(program, window);
    program.Kill();

    // The built-in beep rings until Stop.
    StoreAlarm(0);
    window = Ring(program);
    if (!window)
        return Fail("the beep did not ring");
    Step("beep");
    if (!GoAhead())
        return Fail("no go-ahead while the beep rang");
    SendMessageW(GetDlgItem(window, IDC_STOP), BM_CLICK, 0, 0);
    Step("stop");
    if (!GoAhead())
        return Fail("no go-ahead after Stop");
    Close(program, window);
    program.Kill();

    // A wave file rings with its own sound until the window is closed.
    StoreAlarm(1);
    window = Ring(program);
    if (!window)
        return Fail("the wave file did not ring");
    Step("wave");
    if (!GoAhead())
        return Fail("no go-ahead while the wave file rang");
    // Whether the program ended is judged after the sound: a program that stays must still be
    // silent.
    bool ended = Close(program, window);
    Step("close");
    if (!GoAhead())
        return Fail("no go-ahead after the close");
    if (!ended)
        return Fail("closing did not end the program");
    program.Kill();
    CleanSlate();
    DeleteFileW(tone.c_str());
    Step("end");
    return 0;
}

// The ring cycle's whole conversation with the device, call by call: a ring, the last ring, a
// stop, arming and disarming, and the settings dialog ending with OK or closed. Each operation
// is called directly on a running main window, so only its own calls are in the journal.
#include <string>
#include <vector>

#include "cycle/ring_cycle.h"
#include "model/settings.h"
#include "resources/resource.h"
#include "store/settings_store.h"
#include "tests/support/test_support.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kProgram = "\\Program Files\\Dawnbell\\dawnbell.exe";
const Lines kDisplayOn = {"GetDC(NULL)", "ExtEscape(QUERYESCSUPPORT, 6147)",
                          "ExtEscape(SETPOWERMANAGEMENT, length=12, dpms=1, state=1)", "Sleep(100)",
                          "ReleaseDC(NULL)"};
// "MAX Volume": the user's volume is kept, full volume set, then the beep loops.
const Lines kBeepAtFullVolume = {"waveOutGetNumDevs()", "waveOutGetVolume(0)",
                                 "waveOutSetVolume(0, 0xFFFFFFFF)", "PlaySoundW(#132, 0x0004000D)"};
const Lines kLedBlinks = {"NLedGetDeviceInfo(1, led=0)", "NLedSetDevice(2, led=0, mode=2)"};
const std::string kLedOff = "NLedSetDevice(2, led=0, mode=0)";
const std::string kSilence = "PlaySoundW(NULL, 0x00000000)";
const std::string kAskDevices = "waveOutGetNumDevs()";
const std::string kUserVolumeBack = "waveOutSetVolume(0, 0x80008000)";
// What the settings dialog asks of the device while it opens (no wave files here).
const Lines kDialogOpens = {"FindFirstFileW(\\Windows\\*.wav)", "NLedGetDeviceInfo(0)"};

Lines HotKeys(bool capture) {
    Lines lines;
    char line[64];
    for (int k = 0; k < 16; ++k) {
        if (capture)
            snprintf(line, sizeof line, "RegisterHotKey(hwnd, %d, 0x1008, 0x%X)", k, 0xC1 + k);
        else
            snprintf(line, sizeof line, "UnregisterHotKey(hwnd, %d)", k);
        lines.push_back(line);
    }
    return lines;
}

std::string Registration(const std::string& time) {
    return "CeRunAppAtTime(" + kProgram + ", " + time + ")";
}

Lines Join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

bool HasFocusState(HWND window, int id) {
    return (SendDlgItemMessageW(window, id, BM_GETSTATE, 0, 0) & BST_FOCUS) != 0;
}

class RingSequenceTest : public ProgramTest {
  protected:
    // Armed at 7:00 for `rings` rings (`done` of them rung), 5 minutes apart, with the beep at
    // full volume, LED 1, the hardware buttons and, if asked, resident mode.
    void StoreArmed(int rings, int done, bool noSuspend = true) {
        Settings.Hour = 7;
        Settings.Minute = 0;
        Settings.Alarm = 1;
        Settings.AlarmNum = rings;
        Settings.AlarmCnt = done;
        Settings.AlarmInterval = 5;
        Settings.VolCtrl = 1;
        Settings.UseBeep = 0;
        Settings.LedBlink = 1;
        Settings.Button = 1;
        Settings.NoSuspend = noSuspend;
        SaveSettings();
        ResetProgramState();
        fake::device().journalDeviceCount = true;
    }
    // Runs the program; `script` starts with an empty journal.
    void Run(std::function<void(HWND)> script) {
        bool ran = false;
        RunProgram(L"", [&](HWND window) {
            ran = true;
            fake::ClearJournal();
            script(window);
            PostQuitMessage(0);
        });
        EXPECT_TRUE(ran);
    }
};

TEST_F(RingSequenceTest, ARingRegistersTheSnoozeThenWakesTheDisplayThenRingsAndCaptures) {
    StoreArmed(3, 0);
    fake::device().clock = fake::Time(2026, 12, 8, 7, 0, 1);
    Run([](HWND window) {
        EXPECT_FALSE(HasFocusState(window, IDC_STOP));
        FireAlarm(window);
        EXPECT_EQ(fake::Journal(), Join({{Registration("2026-12-08 07:05:00.000")},
                                         kDisplayOn,
                                         kBeepAtFullVolume,
                                         kLedBlinks,
                                         HotKeys(true)}));
        EXPECT_TRUE(IsShown(window, IDC_STOP));
        EXPECT_FALSE(IsShown(window, IDC_SETTINGS));
        EXPECT_TRUE(HasFocusState(window, IDC_STOP)) << "Stop is told it has the focus";
    });
}

TEST_F(RingSequenceTest, StopSilencesPutsTheVolumeBackDarkensTheLedAndReleasesTheButtons) {
    StoreArmed(3, 0);
    Run([](HWND window) {
        FireAlarm(window);
        fake::ClearJournal();
        StopRinging(window);
        // The stop ends the volume effect once in the sound's stop and once more on its own;
        // the second has nothing left to put back and asks the device nothing.
        EXPECT_EQ(fake::Journal(),
                  Join({{kSilence, kAskDevices, kUserVolumeBack, kLedOff}, HotKeys(false)}));
        EXPECT_FALSE(IsShown(window, IDC_STOP));
        EXPECT_TRUE(IsChecked(window, IDC_ALARM));
    });
}

TEST_F(RingSequenceTest, TheLastRingStopsKeepingAwakeAndRegistersNothing) {
    StoreArmed(3, 2);
    Run([](HWND window) {
        FireAlarm(window);
        EXPECT_EQ(fake::Journal(), Join({{"KillTimer(hwnd, 2)"},
                                         kDisplayOn,
                                         kBeepAtFullVolume,
                                         kLedBlinks,
                                         HotKeys(true)}));
        EXPECT_FALSE(IsChecked(window, IDC_ALARM));
    });
}

TEST_F(RingSequenceTest, UncheckingStopsKeepingAwakeStopsTheRingAndRemovesTheRegistration) {
    StoreArmed(3, 0);
    Run([](HWND window) {
        FireAlarm(window);
        fake::ClearJournal();
        SendDlgItemMessageW(window, IDC_ALARM, BM_SETCHECK, BST_UNCHECKED, 0); // as the click
        ToggleAlarm(window);
        EXPECT_EQ(fake::Journal(),
                  Join({{"KillTimer(hwnd, 2)", kSilence, kAskDevices, kUserVolumeBack, kLedOff},
                        HotKeys(false),
                        {Registration("NULL")}}));
        EXPECT_TRUE(IsShown(window, IDC_SETTINGS));

        // Checked again: keeping awake (resident mode) starts before the registration.
        fake::device().clock = fake::Time(2026, 12, 8, 6, 0);
        fake::ClearJournal();
        SendDlgItemMessageW(window, IDC_ALARM, BM_SETCHECK, BST_CHECKED, 0);
        ToggleAlarm(window);
        EXPECT_EQ(fake::Journal(),
                  (Lines{"SetTimer(hwnd, 2, 10000)", Registration("2026-12-08 07:00:00.000")}));
    });
}

// OK stops the sound and LED before the dialog and again after it (ending a preview), then
// registers and keeps the device awake as the new resident setting says.
TEST_F(RingSequenceTest, SettingsOkStopsTwiceRegistersAndKeepsAwakeAsChosen) {
    const std::string shortcut = "\\Windows\\StartUp\\DBELL.lnk";
    for (bool noSuspend : {true, false}) {
        SCOPED_TRACE(noSuspend ? "resident" : "not resident");
        for (bool armed : {true, false}) {
            SCOPED_TRACE(armed ? "from armed" : "from disarmed");
            StoreArmed(3, 0, noSuspend);
            if (!armed)
                WriteDword(L"Alarm", 0);
            fake::device().clock = fake::Time(2026, 12, 8, 6, 0);
            Run([&](HWND window) {
                WhenDialogOpens([](HWND dialog) { Click(dialog, IDOK); });
                OpenSettings(window);
                Lines afterDialog =
                    noSuspend ? Lines{"SHCreateShortcut(" + shortcut + ", \"" + kProgram + "\" -s)"}
                              : Lines{"DeleteFileW(" + shortcut + ")"};
                EXPECT_EQ(fake::Journal(),
                          Join({{kSilence, kLedOff},
                                kDialogOpens,
                                afterDialog,
                                {kSilence, kLedOff, Registration("2026-12-08 07:00:00.000"),
                                 noSuspend ? "SetTimer(hwnd, 2, 10000)" : "KillTimer(hwnd, 2)"}}));
                EXPECT_TRUE(IsChecked(window, IDC_ALARM));
            });
        }
    }
}

TEST_F(RingSequenceTest, SettingsClosedStopsTheRingBeforeTheDialogAndNothingAfter) {
    StoreArmed(3, 0);
    Run([](HWND window) {
        FireAlarm(window);
        fake::ClearJournal();
        WhenDialogOpens([](HWND dialog) { SendMessageW(dialog, WM_CLOSE, 0, 0); });
        OpenSettings(window);
        EXPECT_EQ(fake::Journal(),
                  Join({{kSilence, kAskDevices, kUserVolumeBack, kLedOff}, kDialogOpens}));
        EXPECT_TRUE(IsChecked(window, IDC_ALARM));
    });
}

} // namespace

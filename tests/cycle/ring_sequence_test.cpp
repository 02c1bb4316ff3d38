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

bool HasFocusState(HWND window, int id) {
    return (SendDlgItemMessageW(window, id, BM_GETSTATE, 0, 0) & BST_FOCUS) != 0;
}

class RingSequenceTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        fake::device().journalDeviceCount = true;
    }
    // Armed at 7:00 for `rings` rings (`done` of them rung), 5 minutes apart, with the beep at
    // full volume, LED 1, the hardware buttons and, if asked, resident mode.
    static void StoreArmed(int rings, int done, bool noSuspend = true) {
        StoreSettings([&](SettingsBlock& s) {
            s.Hour = 7;
            s.Minute = 0;
            s.Alarm = 1;
            s.AlarmNum = rings;
            s.AlarmCnt = done;
            s.AlarmInterval = 5;
            s.VolCtrl = kVolumeMax;
            s.UseBeep = kPlayBeep;
            s.LedBlink = 1;
            s.Button = 1;
            s.NoSuspend = noSuspend;
        });
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
                                         LedQueriedThenBlinks(),
                                         kButtonsCaptured}));
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
                  Join({{kSilence, kAskDevices, kUserVolumeBack, LedOff()}, kButtonsReleased}));
        EXPECT_FALSE(IsShown(window, IDC_STOP));
        EXPECT_TRUE(IsChecked(window, IDC_ALARM));
    });
}

TEST_F(RingSequenceTest, TheLastRingStopsKeepingAwakeAndRegistersNothing) {
    StoreArmed(3, 2);
    Run([](HWND window) {
        FireAlarm(window);
        EXPECT_EQ(fake::Journal(), Join({{kKeepAwakeStops},
                                         kDisplayOn,
                                         kBeepAtFullVolume,
                                         LedQueriedThenBlinks(),
                                         kButtonsCaptured}));
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
                  Join({{kKeepAwakeStops, kSilence, kAskDevices, kUserVolumeBack, LedOff()},
                        kButtonsReleased,
                        {RegistrationRemoved()}}));
        EXPECT_TRUE(IsShown(window, IDC_SETTINGS));

        // Checked again: keeping awake (resident mode) starts before the registration.
        fake::device().clock = fake::Time(2026, 12, 8, 6, 0);
        fake::ClearJournal();
        SendDlgItemMessageW(window, IDC_ALARM, BM_SETCHECK, BST_CHECKED, 0);
        ToggleAlarm(window);
        EXPECT_EQ(fake::Journal(),
                  (Lines{kKeepAwakeStarts, Registration("2026-12-08 07:00:00.000")}));
    });
}

// OK stops the sound and LED before the dialog and again after it (ending a preview), then
// registers and keeps the device awake as the new resident setting says.
TEST_F(RingSequenceTest, SettingsOkStopsTwiceRegistersAndKeepsAwakeAsChosen) {
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
                EXPECT_EQ(fake::Journal(),
                          Join({{kSilence, LedOff()},
                                kSettingsDialogOpens,
                                {noSuspend ? ShortcutMade() : ShortcutDeleted()},
                                {kSilence, LedOff(), Registration("2026-12-08 07:00:00.000"),
                                 noSuspend ? kKeepAwakeStarts : kKeepAwakeStops}}));
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
                  Join({{kSilence, kAskDevices, kUserVolumeBack, LedOff()}, kSettingsDialogOpens}));
        EXPECT_TRUE(IsChecked(window, IDC_ALARM));
    });
}

} // namespace

#include "cycle/registration.h"
#include "cycle/ring_cycle.h"
#include "model/app_state.h"
#include "model/settings.h"
#include "resources/resource.h"
#include "store/settings_store.h"
#include "tests/support/test_support.h"

namespace {

class RingCycleTest : public ProgramTest {
  protected:
    // Stores an alarm as the settings dialog would leave it, not armed.
    static void StoreAlarm(int hour, int minute, int rings, int snooze) {
        StoreSettings([&](SettingsBlock& s) {
            s.Hour = hour;
            s.Minute = minute;
            s.AlarmNum = rings;
            s.AlarmInterval = snooze;
        });
    }
    void SetClock(int hour, int minute, int second = 0, int day = 8) {
        fake::device().clock = fake::Time(2026, 12, day, hour, minute, second);
    }
};

TEST_F(RingCycleTest, ArmingRegistersTheNextOccurrenceAndShowsIt) {
    StoreAlarm(7, 0, 0, 5);
    struct Case {
        int hour, minute, second;
        const char* registered;
        const wchar_t* text;
    } cases[] = {
        {7, 0, 30, "2026-12-09 07:00:00.000", L"Next: 2026/12/9 7:00"},
        {6, 59, 59, "2026-12-08 07:00:00.000", L"Next: 2026/12/8 7:00"},
    };
    for (const Case& c : cases) {
        WriteDword(L"Alarm", 0);
        ResetProgramState();
        fake::ClearJournal();
        SetClock(c.hour, c.minute, c.second);
        fake::device().clock.wMilliseconds = 789;
        RunProgram(L"", [&](HWND window) {
            Click(window, IDC_ALARM);
            EXPECT_TRUE(IsChecked(window, IDC_ALARM));
            EXPECT_FALSE(IsShown(window, IDC_SETTINGS));
            EXPECT_EQ(ControlText(window, IDC_NEXT), c.text);
            PostQuitMessage(0);
        });
        EXPECT_EQ(fake::Calls("CeRunAppAtTime"), Lines{Registration(c.registered)});
        EXPECT_EQ(ReadString(L"strNext"), c.text);
        EXPECT_EQ(ReadDword(L"Alarm"), 1u);
    }
}

// The road of one alarm: three rings five minutes apart, each handled either by a program
// started for it (state loaded from the registry) or by the resident window.
TEST_F(RingCycleTest, ThreeRingsFiveMinutesApartThenTheAlarmDisarmsItself) {
    for (bool resident : {false, true}) {
        DeleteSettingsKey();
        StoreAlarm(7, 0, 3, 5);
        SetClock(6, 30);
        fake::Reset();
        SetClock(6, 30);
        HWND residentWindow = nullptr;
        struct Ring {
            int minute;
            const char* next;
            DWORD count;
        } rings[] = {
            {0, "2026-12-08 07:05:00.000", 1}, {5, "2026-12-08 07:10:00.000", 2}, {10, nullptr, 0}};
        auto ring = [&](HWND window, const Ring& r) {
            if (resident) {
                fake::ClearJournal();
                SetClock(7, r.minute, 1);
                SendMessageW(window, WM_ALARM, 0, 0);
            }
            EXPECT_TRUE(IsShown(window, IDC_STOP));
            EXPECT_FALSE(IsShown(window, IDC_SETTINGS));
            EXPECT_EQ(fake::Calls("CeRunAppAtTime"),
                      r.next ? Lines{Registration(r.next)} : Lines{});
            EXPECT_EQ(ReadDword(L"AlarmCnt"), r.count) << r.minute;
            EXPECT_EQ(ReadDword(L"Alarm"), r.next ? 1u : 0u) << r.minute;
            EXPECT_EQ(IsChecked(window, IDC_ALARM), r.next != nullptr);
            if (!r.next) {
                EXPECT_EQ(ControlText(window, IDC_NEXT), kNoSetting);
                EXPECT_EQ(ReadString(L"strNext"), kNoSetting);
            }
            EXPECT_EQ(fake::Calls("PlaySoundW").size(), 1u);
        };
        if (resident) {
            RunProgram(L"", [&](HWND window) {
                Click(window, IDC_ALARM);
                for (const Ring& r : rings) {
                    ring(window, r);
                    Click(window, IDC_STOP);
                    EXPECT_FALSE(IsShown(window, IDC_STOP));
                }
                residentWindow = window;
                PostQuitMessage(0);
            });
            EXPECT_NE(residentWindow, nullptr);
        } else {
            RunProgram(L"", [&](HWND window) {
                Click(window, IDC_ALARM);
                SendMessageW(window, WM_CLOSE, 0, 0);
            });
            for (const Ring& r : rings) {
                ResetProgramState();
                SetClock(7, r.minute, 1);
                fake::ClearJournal();
                RunProgram(kAlarmToken, [&](HWND window) {
                    ring(window, r);
                    SendMessageW(window, WM_CLOSE, 0, 0);
                });
            }
        }
        EXPECT_EQ(ReadDword(L"Alarm"), 0u);
        EXPECT_EQ(ReadDword(L"AlarmCnt"), 0u);
    }
}

TEST_F(RingCycleTest, ASnoozeFromLateEveningRegistersTheNextDay) {
    StoreSettings([](SettingsBlock& s) {
        s.Hour = 23;
        s.Minute = 50;
        s.AlarmInterval = 10;
        s.Alarm = 1;
    });
    fake::device().clock = fake::Time(2026, 12, 31, 23, 55, 20);
    RunProgram(kAlarmToken, [&](HWND window) {
        EXPECT_EQ(ControlText(window, IDC_NEXT), L"Next: 2027/1/1 0:05");
        PostQuitMessage(0);
    });
    EXPECT_EQ(fake::Calls("CeRunAppAtTime"), Lines{Registration("2027-01-01 00:05:00.000")});
}

TEST_F(RingCycleTest, WithoutALimitEveryRingSnoozesAndTheCountStays) {
    StoreAlarm(7, 0, 0, 5);
    RunProgram(L"", [&](HWND window) {
        Click(window, IDC_ALARM);
        Settings.AlarmCnt = 4; // whatever it holds, an unlimited alarm leaves it
        for (int minute : {0, 5, 10, 15}) {
            SetClock(7, minute);
            fake::ClearJournal();
            SendMessageW(window, WM_ALARM, 0, 0);
            EXPECT_EQ(fake::Calls("CeRunAppAtTime").size(), 1u);
            EXPECT_TRUE(IsChecked(window, IDC_ALARM));
        }
        EXPECT_EQ(Settings.AlarmCnt, 4);
        EXPECT_EQ(ControlText(window, IDC_NEXT), L"Next: 2026/12/8 7:20");
        PostQuitMessage(0);
    });
    EXPECT_EQ(ReadDword(L"AlarmCnt"), 4u);
}

TEST_F(RingCycleTest, ASingleRingIsAlsoTheLast) {
    StoreAlarm(7, 0, 1, 5);
    RunProgram(L"", [&](HWND window) {
        Click(window, IDC_ALARM);
        fake::ClearJournal();
        SendMessageW(window, WM_ALARM, 0, 0);
        EXPECT_TRUE(fake::Calls("CeRunAppAtTime").empty());
        EXPECT_FALSE(IsChecked(window, IDC_ALARM));
        EXPECT_EQ(ControlText(window, IDC_NEXT), kNoSetting);
        EXPECT_TRUE(IsShown(window, IDC_STOP));
        EXPECT_EQ(fake::Calls("PlaySoundW").size(), 1u);
        // Stopped after the last ring: neither button.
        Click(window, IDC_STOP);
        EXPECT_FALSE(IsShown(window, IDC_STOP));
        EXPECT_FALSE(IsShown(window, IDC_SETTINGS));
        PostQuitMessage(0);
    });
}

TEST_F(RingCycleTest, AnAlarmThatComesWhileDisarmedDoesNothing) {
    RunProgram(L"", [&](HWND window) {
        fake::ClearJournal();
        SendMessageW(window, WM_ALARM, 0, 0);
        // Nothing but telling the system that its notification was dealt with.
        EXPECT_EQ(fake::Journal(), Lines{NotificationsHandled()});
        EXPECT_FALSE(IsShown(window, IDC_STOP));
        EXPECT_TRUE(IsShown(window, IDC_SETTINGS));
        PostQuitMessage(0);
    });
}

TEST_F(RingCycleTest, AFailedRegistrationIsShownAndStoredAndTheStateKept) {
    StoreAlarm(7, 0, 0, 5);
    fake::device().runAtTimeFails = true;
    RunProgram(L"", [&](HWND window) {
        Click(window, IDC_ALARM);
        EXPECT_EQ(ControlText(window, IDC_NEXT), kRegistrationError);
        EXPECT_TRUE(IsChecked(window, IDC_ALARM));
        EXPECT_EQ(ReadString(L"strNext"), kRegistrationError);
        EXPECT_EQ(ReadDword(L"Alarm"), 1u);

        Click(window, IDC_ALARM); // removing fails too
        EXPECT_EQ(ControlText(window, IDC_NEXT), kRegistrationError);
        EXPECT_EQ(ReadDword(L"Alarm"), 0u);
        PostQuitMessage(0);
    });
}

TEST_F(RingCycleTest, NoRegistrationWithoutOurOwnPathOrForATimeOutOfRange) {
    StoreAlarm(7, 0, 0, 5);
    fake::device().modulePathFails = true;
    Settings.Alarm = 1;
    RunProgram(L"", [&](HWND window) {
        nextAlarm = alarmSetting;
        RegisterNextAlarm(window, kSchedule);
        EXPECT_EQ(ControlText(window, IDC_NEXT), kRegistrationError);
        RegisterNextAlarm(window, kCancel);
        EXPECT_EQ(ControlText(window, IDC_NEXT), kRegistrationError);

        fake::device().modulePathFails = false;
        for (AlarmTime bad : {AlarmTime{0, 0, 0, 24, 0, 0}, AlarmTime{0, 0, 0, 7, 60, 0},
                              AlarmTime{0, 0, 0, -1, 0, 0}}) {
            nextAlarm = bad;
            RegisterNextAlarm(window, kSchedule);
            EXPECT_EQ(ControlText(window, IDC_NEXT), kRegistrationError);
        }
        PostQuitMessage(0);
    });
    EXPECT_TRUE(fake::Calls("CeRunAppAtTime").empty());
    EXPECT_EQ(ReadString(L"strNext"), kRegistrationError);
}

TEST_F(RingCycleTest, StopKeepsTheSnoozeButUncheckingRemovesItAndResetsTheCount) {
    StoreAlarm(7, 0, 3, 5);
    RunProgram(L"", [&](HWND window) {
        Click(window, IDC_ALARM);
        SendMessageW(window, WM_ALARM, 0, 0);
        fake::ClearJournal();
        Click(window, IDC_STOP);
        EXPECT_TRUE(fake::Calls("CeRunAppAtTime").empty());
        EXPECT_TRUE(fake::device().registered);
        EXPECT_TRUE(IsChecked(window, IDC_ALARM));
        EXPECT_EQ(ReadDword(L"AlarmCnt"), 1u);

        Click(window, IDC_ALARM);
        EXPECT_EQ(fake::Calls("CeRunAppAtTime"), Lines{RegistrationRemoved()});
        EXPECT_FALSE(fake::device().registered);
        EXPECT_EQ(ControlText(window, IDC_NEXT), kNoSetting);
        EXPECT_TRUE(IsShown(window, IDC_SETTINGS));
        // The disarming save already holds the reset count.
        EXPECT_EQ(ReadDword(L"AlarmCnt"), 0u);
        EXPECT_EQ(ReadDword(L"Alarm"), 0u);

        // Armed again, the limit counts from the start.
        Click(window, IDC_ALARM);
        for (int i = 0; i < 2; ++i)
            SendMessageW(window, WM_ALARM, 0, 0);
        EXPECT_TRUE(IsChecked(window, IDC_ALARM));
        SendMessageW(window, WM_ALARM, 0, 0);
        EXPECT_FALSE(IsChecked(window, IDC_ALARM));
        PostQuitMessage(0);
    });
}

TEST_F(RingCycleTest, SettingsOkArmsWhateverTheStateAndCancelChangesNothing) {
    StoreAlarm(7, 0, 3, 5);
    RunProgram(L"", [&](HWND window) {
        // Cancel: the dialog is closed.
        WhenDialogOpens([](HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
        fake::ClearJournal();
        Click(window, IDC_SETTINGS);
        EXPECT_TRUE(fake::Calls("CeRunAppAtTime").empty());
        EXPECT_FALSE(IsChecked(window, IDC_ALARM));
        EXPECT_EQ(ControlText(window, IDC_NEXT), kNoSetting);

        // OK, while a count is left over from an earlier arming.
        Settings.AlarmCnt = 2;
        WhenDialogOpens([](HWND dialog) {
            Settings.Hour = 7;
            Settings.Minute = 5;
            Settings.AlarmInterval = 10;
            EndDialog(dialog, IDOK);
        });
        SetClock(6, 0);
        Click(window, IDC_SETTINGS);
        EXPECT_TRUE(IsChecked(window, IDC_ALARM));
        EXPECT_FALSE(IsShown(window, IDC_SETTINGS));
        EXPECT_EQ(ControlText(window, IDC_ALARM), L"Alarm at 7:05\n(Snooze 10 Min.)");
        EXPECT_EQ(ControlText(window, IDC_NEXT), L"Next: 2026/12/8 7:05");
        EXPECT_EQ(ReadDword(L"Alarm"), 1u);
        EXPECT_EQ(ReadDword(L"AlarmCnt"), 0u);
        PostQuitMessage(0);
    });
}

} // namespace

#include "app/entry.h"
#include "cycle/registration.h"
#include "cycle/ring_cycle.h"
#include "model/app_state.h"
#include "model/settings.h"
#include "model/text.h"
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
    // Armed for 7:00 on Tuesdays (the clock's day) and Thursdays, two rings, `rung` rung, and the
    // line promising the 7:05 ring.
    static void StoreRepeating(int32_t rung = 0) {
        StoreSettings([&](SettingsBlock& s) {
            s.Hour = 7;
            s.Alarm = 1;
            s.AlarmNum = 2;
            s.AlarmCnt = rung;
            s.AlarmDays = 1 << 2 | 1 << 4;
            CopyText(s.strNext, std::size(s.strNext), L"Next: 2026/12/8 7:05");
        });
    }
};

const wchar_t kThursday[] = L"Next: 2026/12/10 7:00";

// Whatever the window has posted itself, handled.
void HandlePosted(HWND window) {
    MSG message;
    while (PeekMessageW(&message, window, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

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

// The last ring of Tuesday leaves the alarm armed for Thursday. A program killed at any moment of
// it leaves the alarm armed, untouched or registered for Thursday, and with the count at the
// limit until the ring sounds: started again for it, it rings this last ring again either way.
TEST_F(RingCycleTest, ARepeatingAlarmsLastRingMovesItOnToItsNextDay) {
    StoreRepeating(1);
    Lines lost;
    fake::device().onCall = [&](const std::string& call) {
        DWORD count = ReadDword(L"AlarmCnt");
        if (ReadDword(L"Alarm") != 1 || !(count == 1 || fake::device().registeredTime.wDay == 10) ||
            (call == "Sleep(100)" && count != 2)) // the display's pause, before the sound
            lost.push_back(call);
    };
    RunProgram(kAlarmToken, [&](HWND window) {
        EXPECT_TRUE(IsShown(window, IDC_STOP) && IsChecked(window, IDC_ALARM));
        EXPECT_EQ(ControlText(window, IDC_NEXT), kThursday);
        SendMessageW(window, WM_ALARM, WM_ALARM_HANDOVER, 0); // the same ring: no snooze now
        PostQuitMessage(0);
    });
    EXPECT_EQ(lost, Lines{});
    EXPECT_EQ(fake::Calls("CeRunAppAtTime"), Lines{Registration("2026-12-10 07:00:00.000")});
    EXPECT_EQ(ReadDword(L"AlarmCnt"), 0u);
}

// Missed (the system holds no ring for it), it goes on to Thursday at a start, and in a hidden
// instance asked to look, which waits on for it.
TEST_F(RingCycleTest, AMissedRepeatingAlarmGoesOnToItsNextDay) {
    for (bool hidden : {false, true}) {
        fake::Reset();
        StoreRepeating(1);
        fake::device().ringPending = hidden;
        RunProgram(hidden ? kStartupToken : L"", [&](HWND window) {
            if (hidden) {
                SendMessageW(window, WM_TIMER, TIMER_HIDE, 0);
                fake::device().ringPending = false;
                SendMessageW(window, WM_CHECKALARM, 0, 0);
                EXPECT_NE(FindRunningInstance(), nullptr) << "it waits on, hidden";
            }
            EXPECT_TRUE(IsChecked(window, IDC_ALARM));
            EXPECT_EQ(ControlText(window, IDC_NEXT), kThursday);
            PostQuitMessage(0);
        });
        EXPECT_EQ(ReadDword(L"AlarmCnt"), 0u);
    }
}

// The miss is told once the window is seen: at an ordinary start, or at once in a shown window
// asked to look; after a start-up start, only when a second start shows it.
TEST_F(RingCycleTest, AMissedRepeatingAlarmIsToldOnceTheWindowIsSeen) {
    const Lines told = {"MessageBoxW(Missed: 2026/12/8 7:05, Missed alarm, 0x30)"};
    for (const wchar_t* start : {L"", kStartupToken, L"look"}) {
        bool look = start[0] == L'l';
        fake::Reset();
        StoreRepeating();
        fake::device().ringPending = look;
        RunProgram(look ? L"" : start, [&](HWND window) {
            fake::device().ringPending = !look;
            SendMessageW(window, WM_CHECKALARM, 0, 0);
            HandlePosted(window);
            EXPECT_EQ(fake::Calls("MessageBoxW"), start == kStartupToken ? Lines{} : told);
            for (int show = 0; show < 2; ++show) {
                SendMessageW(window, WM_SHOWINSTANCE, 0, 0);
                HandlePosted(window);
            }
            EXPECT_EQ(fake::Calls("MessageBoxW"), told) << fake::Narrow(start);
            PostQuitMessage(0);
        });
    }
}

// Unticked it is off; ticked again it rings on the first of its days to come (today while 7:00
// is ahead, else Thursday), and that ring snoozes as any other.
TEST_F(RingCycleTest, ARepeatingAlarmTurnedOffAndOnAgainRingsOnItsNextDay) {
    for (int hour : {6, 8}) {
        StoreRepeating();
        SetClock(hour, 0);
        RunProgram(L"", [&](HWND window) {
            Click(window, IDC_ALARM);
            EXPECT_EQ(ReadString(L"strNext"), kNoSetting);
            Click(window, IDC_ALARM);
            EXPECT_EQ(ControlText(window, IDC_NEXT),
                      hour == 6 ? L"Next: 2026/12/8 7:00" : kThursday);
            SendMessageW(window, WM_ALARM, 0, 0);
            EXPECT_EQ(ControlText(window, IDC_NEXT),
                      L"Next: 2026/12/8 " + std::to_wstring(hour) + L":05");
            PostQuitMessage(0);
        });
    }
}

} // namespace

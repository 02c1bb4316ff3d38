// What a running instance does with the requests of a second start and with its own start: an
// armed alarm whose ring the system no longer holds ends at once, a copy of an alarm already
// rung is not rung again, a ring is never hidden by a start-up hide, and a resident instance
// keeps its service alive.
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/main_window.h"
#include "model/settings.h"
#include "model/text.h"
#include "resources/resource.h"
#include "store/settings_store.h"
#include "tests/support/test_support.h"

namespace {

class HandOverTest : public ProgramTest {
  protected:
    // Armed for 7:00, five rings of a 5-minute snooze, `rung` of them rung already.
    static void StoreArmed(bool resident, int32_t rung = 0) {
        StoreSettings([&](SettingsBlock& s) {
            s.Hour = 7;
            s.Alarm = 1;
            s.AlarmNum = 5;
            s.AlarmCnt = rung;
            s.AlarmInterval = 5;
            s.NoSuspend = resident;
            CopyText(s.strNext, std::size(s.strNext), L"Next: 2026/12/8 7:00");
        });
    }
};

TEST_F(HandOverTest, AStartFindsAMissedAlarmEndedAndTheSystemsStartRingsIt) {
    // The line tells which ring was missed: the one it promised.
    const wchar_t kMissed[] = L"Missed: 2026/12/8 7:00";
    struct Case {
        const wchar_t* cmdLine;
        bool pending;
        bool armedAfter;
    } cases[] = {
        {L"", false, false},         {kStartupToken, false, false}, {L"", true, true},
        {kStartupToken, true, true}, {kAlarmToken, false, true}, // the ring it was started for
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fake::Narrow(c.cmdLine) + (c.pending ? " pending" : " missed"));
        fake::Reset();
        StoreArmed(false, 2);
        fake::device().ringPending = c.pending;
        bool ends = !c.armedAfter && wcscmp(c.cmdLine, kStartupToken) == 0;
        auto look = [&](HWND window) {
            EXPECT_EQ(IsChecked(window, IDC_ALARM), c.armedAfter);
            if (!c.armedAfter) {
                EXPECT_EQ(ControlText(window, IDC_NEXT), kMissed);
                EXPECT_TRUE(IsShown(window, IDC_SETTINGS));
            }
            PostQuitMessage(0);
        };
        if (ends) {
            EXPECT_TRUE(RunProgramWithoutWindow(c.cmdLine));
        } else {
            RunProgram(c.cmdLine, look);
        }
        bool asked = !fake::Calls("IsAppNotificationPending(").empty();
        EXPECT_EQ(asked, wcscmp(c.cmdLine, kAlarmToken) != 0);
        if (!c.armedAfter) {
            EXPECT_EQ(ReadDword(L"Alarm"), 0u);
            EXPECT_EQ(ReadDword(L"AlarmCnt"), 0u);
            EXPECT_EQ(ReadString(L"strNext"), kMissed);
            EXPECT_TRUE(fake::Calls("SetTimer(hwnd, 2").empty()) << "no keep-awake for nothing";
            if (wcscmp(c.cmdLine, kStartupToken) == 0) {
                EXPECT_TRUE(fake::Calls("SetTimer(hwnd, 4").empty()) << "ends, not hidden";
            }
        }
        EXPECT_TRUE(fake::Calls("CeRunAppAtTime(").empty() || c.armedAfter)
            << "a missed alarm is given up, not registered anew";
    }
}

TEST_F(HandOverTest, AStartupStartsCheckEndsAHiddenInstanceWhoseAlarmWasGivenUp) {
    for (bool pending : {true, false}) {
        SCOPED_TRACE(pending ? "still pending" : "given up");
        fake::Reset();
        StoreArmed(true);
        RunProgram(L"", [&](HWND window) {
            SendMessageW(window, WM_CLOSE, 0, 0); // resident: hidden
            ASSERT_FALSE(IsWindowVisible(window));
            fake::device().ringPending = pending;
            SendMessageW(window, WM_CHECKALARM, 0, 0);
            EXPECT_FALSE(IsWindowVisible(window)) << "nothing pops up for a check";
            EXPECT_EQ(FindRunningInstance() != nullptr, pending);
            EXPECT_EQ(IsChecked(window, IDC_ALARM), pending);
            if (pending)
                PostQuitMessage(0);
        });
        EXPECT_EQ(ReadDword(L"Alarm"), pending ? 1u : 0u);
        EXPECT_EQ(fake::device().shortcuts.empty(), !pending);
    }
}

TEST_F(HandOverTest, ACopyOfTheAlarmJustRungIsTakenButNotRungAgain) {
    StoreArmed(false);
    RunProgram(kAlarmToken, [&](HWND window) {
        ASSERT_EQ(Settings.AlarmCnt, 1);
        auto handOver = [&] {
            fake::ClearJournal();
            SendMessageW(window, WM_ALARM, WM_ALARM_HANDOVER, 0);
        };
        // Another copy started for 7:00, or the system trying again: the 7:05 ring is ahead.
        handOver();
        EXPECT_EQ(Settings.AlarmCnt, 1);
        EXPECT_TRUE(fake::Calls(kBeep).empty());
        EXPECT_EQ(fake::Calls("CeHandleAppNotifications(").size(), 1u);
        // The snooze ring's own time: a ring of its own.
        fake::device().clock = fake::Time(2026, 12, 8, 7, 5, 0);
        handOver();
        EXPECT_EQ(Settings.AlarmCnt, 2);
        EXPECT_EQ(fake::Calls(kBeep).size(), 1u);
        // The system's own message is never taken for a copy.
        SendMessageW(window, WM_ALARM, 0, 0);
        EXPECT_EQ(Settings.AlarmCnt, 3);
        PostQuitMessage(0);
    });

    // An instance that has not rung rings what is handed over, even with its next ring ahead.
    fake::Reset();
    StoreArmed(true);
    RunProgram(L"", [&](HWND window) {
        SendMessageW(window, WM_ALARM, WM_ALARM_HANDOVER, 0);
        EXPECT_EQ(Settings.AlarmCnt, 1);
        EXPECT_TRUE(IsShown(window, IDC_STOP));
        PostQuitMessage(0);
    });
}

TEST_F(HandOverTest, ARingOrAHandOversShowCancelsAPendingStartupHide) {
    for (UINT request : {UINT(WM_ALARM), UINT(WM_SHOWINSTANCE)}) {
        SCOPED_TRACE(request == WM_ALARM ? "ring" : "show");
        fake::Reset();
        StoreArmed(false);
        RunProgram(kStartupToken, [&](HWND window) {
            ASSERT_TRUE(fake::TimerRunning(window, TIMER_HIDE));
            SendMessageW(window, request, request == WM_ALARM ? WM_ALARM_HANDOVER : 0, 0);
            EXPECT_FALSE(fake::TimerRunning(window, TIMER_HIDE));
            EXPECT_TRUE(IsWindowVisible(window));
            EXPECT_EQ(IsShown(window, IDC_STOP), request == WM_ALARM);
            PostQuitMessage(0);
        });
    }
}

TEST_F(HandOverTest, AResidentInstanceMakesSureOfItsServiceOnTheKeepAwakeTimer) {
    StoreArmed(true);
    RunProgram(L"", [&](HWND window) {
        fake::ClearJournal();
        SendMessageW(window, WM_TIMER, TIMER_KEEPAWAKE, 0);
        EXPECT_EQ(fake::Journal(), (Lines{kKeepAwakeKey, kEnsureService}));
        PostQuitMessage(0);
    });
}

} // namespace

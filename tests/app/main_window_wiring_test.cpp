// What the main window asks of the device around the ring cycle: a hardware button stops a
// ring, the display goes dark after the user's actions, and closing silences, updates the
// Startup shortcut and then hides, suspends or just ends.
#include <algorithm>
#include <string>
#include <vector>

#include "model/settings.h"
#include "resources/resource.h"
#include "store/settings_store.h"
#include "tests/support/test_support.h"

namespace {

class MainWindowWiringTest : public ProgramTest {
  protected:
    // An alarm with LED 1, the hardware buttons and no volume effect, armed or not.
    static void Store(bool armed, bool noSuspend, bool screenOff) {
        StoreSettings([&](SettingsBlock& s) {
            s.Hour = 7;
            s.Alarm = armed;
            s.NoSuspend = noSuspend;
            s.ScreenOff = screenOff;
            s.LedBlink = 1;
            s.Button = 1;
            s.VolCtrl = kVolumeNone;
        });
    }
};

TEST_F(MainWindowWiringTest, AHardwareButtonStopsTheRingAndTheDisplayGoesDarkSoonAfter) {
    for (bool screenOff : {true, false}) {
        SCOPED_TRACE(screenOff ? "screen off" : "screen stays on");
        Store(true, false, screenOff);
        RunProgram(L"", [&](HWND window) {
            SendMessageW(window, WM_ALARM, 0, 0);
            fake::ClearJournal();
            SendMessageW(window, WM_HOTKEY, 3, MAKELPARAM(0x1008, 0xC4));
            EXPECT_EQ(fake::Journal(), Join({{kSilence, LedOff()},
                                             kButtonsReleased,
                                             screenOff ? kDisplayOffSoon : Lines{}}));
            EXPECT_FALSE(IsShown(window, IDC_STOP));
            PostQuitMessage(0);
        });
    }
}

TEST_F(MainWindowWiringTest, EveryButtonCommandEndsWithTheDisplayTailWhileArmed) {
    Store(false, false, true);
    RunProgram(L"", [&](HWND window) {
        // Arming: the tail follows the registration.
        fake::ClearJournal();
        Click(window, IDC_ALARM);
        Lines calls = fake::Journal();
        Lines tail(calls.end() - std::min(calls.size(), kDisplayOffSoon.size()), calls.end());
        EXPECT_EQ(tail, kDisplayOffSoon);

        // Stop while armed: the stop, then the tail.
        SendMessageW(window, WM_ALARM, 0, 0);
        fake::ClearJournal();
        Click(window, IDC_STOP);
        EXPECT_EQ(fake::Journal(), Join({{kSilence, LedOff()}, kButtonsReleased, kDisplayOffSoon}));

        // Disarming leaves the display alone: there is no alarm to wait for in the dark.
        fake::ClearJournal();
        Click(window, IDC_ALARM);
        EXPECT_TRUE(fake::Calls("SetTimer(hwnd, 3").empty());
        PostQuitMessage(0);
    });
}

TEST_F(MainWindowWiringTest, WhenTimerThreeExpiresTheDisplayGoesOffAtOnce) {
    Store(false, false, true);
    RunProgram(L"", [&](HWND window) {
        Click(window, IDC_ALARM); // arming: the display goes dark half a second later
        ASSERT_TRUE(fake::TimerRunning(window, TIMER_SCREENOFF));
        fake::ClearJournal();
        SendMessageW(window, WM_TIMER, TIMER_SCREENOFF, 0);
        EXPECT_EQ(fake::Journal(), kDisplayOffNow);
        EXPECT_FALSE(fake::TimerRunning(window, TIMER_SCREENOFF));
        PostQuitMessage(0);
    });
}

// Close: save, silence, LED off, shortcut, then by the mode: resident hides (darkening the
// display when asked), otherwise the program ends, suspending the device first when asked.
TEST_F(MainWindowWiringTest, ClosingSilencesUpdatesTheShortcutThenHidesOrSuspendsOrEnds) {
    struct Case {
        bool armed, noSuspend, screenOff;
        Lines expected;
        bool stays;
    };
    const Lines silenced = {kSilence, LedOff()};
    const Case cases[] = {
        {true, true, true, Join({silenced, {ShortcutMade()}, kDisplayOffSoon, {kClockStops}}),
         true},
        {true, true, false, Join({silenced, {ShortcutMade(), kClockStops}}), true},
        {true, false, true, Join({silenced, {ShortcutDeleted()}, kSuspend}), false},
        {true, false, false, Join({silenced, {ShortcutDeleted()}}), false},
        {false, true, true, Join({silenced, {ShortcutDeleted()}}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.armed ? "armed" : "disarmed") +
                     (c.noSuspend ? " resident" : "") + (c.screenOff ? " screen-off" : ""));
        Store(c.armed, c.noSuspend, c.screenOff);
        bool stays = false;
        RunProgram(L"", [&](HWND window) {
            fake::ClearJournal();
            SendMessageW(window, WM_CLOSE, 0, 0);
            EXPECT_EQ(fake::Journal(), c.expected);
            stays = IsWindow(window) && !IsWindowVisible(window);
            if (stays)
                PostQuitMessage(0);
        });
        EXPECT_EQ(stays, c.stays);
    }
}

TEST_F(MainWindowWiringTest, StartingMakesOrRemovesTheShortcutByResidentMode) {
    struct Case {
        bool armed, noSuspend;
        Lines expected;
    };
    const Case cases[] = {
        {true, true, {ShortcutMade()}},
        {true, false, {ShortcutDeleted()}},
        {false, true, {ShortcutDeleted()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.armed ? "armed" : "disarmed") +
                     (c.noSuspend ? " resident" : ""));
        Store(c.armed, c.noSuspend, false);
        fake::ClearJournal();
        RunProgram(L"", [&](HWND) {
            Lines shortcuts = fake::Calls("SHCreateShortcut");
            for (const std::string& call : fake::Calls("DeleteFileW"))
                shortcuts.push_back(call);
            EXPECT_EQ(shortcuts, c.expected);
            PostQuitMessage(0);
        });
    }
}

} // namespace

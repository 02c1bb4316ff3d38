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

using Lines = std::vector<std::string>;

const std::string kShortcut = "\\Windows\\StartUp\\DBELL.lnk";
const std::string kMakeShortcut =
    "SHCreateShortcut(" + kShortcut + ", \"\\Program Files\\Dawnbell\\dawnbell.exe\" -s)";
const std::string kDeleteShortcut = "DeleteFileW(" + kShortcut + ")";
const std::string kSilence = "PlaySoundW(NULL, 0x00000000)";
const std::string kLedOff = "NLedSetDevice(2, led=0, mode=0)";
const Lines kDarkSoon = {"KillTimer(hwnd, 3)", "GetDC(NULL)", "ExtEscape(QUERYESCSUPPORT, 6147)",
                         "SetTimer(hwnd, 3, 500)", "ReleaseDC(NULL)"};
const Lines kSuspend = {"keybd_event(0xDF, 0, 4, 1)", "keybd_event(0xDF, 0, 6, 1)"};

Lines Join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Lines ReleaseButtons() {
    Lines lines;
    for (int k = 0; k < 16; ++k)
        lines.push_back("UnregisterHotKey(hwnd, " + std::to_string(k) + ")");
    return lines;
}

class MainWindowWiringTest : public ProgramTest {
  protected:
    // An alarm with LED 1, the hardware buttons and no volume effect, armed or not.
    void Store(bool armed, bool noSuspend, bool screenOff) {
        Settings.Hour = 7;
        Settings.Alarm = armed;
        Settings.NoSuspend = noSuspend;
        Settings.ScreenOff = screenOff;
        Settings.LedBlink = 1;
        Settings.Button = 1;
        Settings.VolCtrl = 0;
        SaveSettings();
        ResetProgramState();
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
            EXPECT_EQ(
                fake::Journal(),
                Join({{kSilence, kLedOff}, ReleaseButtons(), screenOff ? kDarkSoon : Lines{}}));
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
        Lines tail(calls.end() - std::min(calls.size(), kDarkSoon.size()), calls.end());
        EXPECT_EQ(tail, kDarkSoon);

        // Stop while armed: the stop, then the tail.
        SendMessageW(window, WM_ALARM, 0, 0);
        fake::ClearJournal();
        Click(window, IDC_STOP);
        EXPECT_EQ(fake::Journal(), Join({{kSilence, kLedOff}, ReleaseButtons(), kDarkSoon}));

        // Disarming leaves the display alone: there is no alarm to wait for in the dark.
        fake::ClearJournal();
        Click(window, IDC_ALARM);
        EXPECT_TRUE(fake::Calls("SetTimer(hwnd, 3").empty());
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
    const Case cases[] = {
        {true, true, true,
         Join({{kSilence, kLedOff, kMakeShortcut}, kDarkSoon, {"KillTimer(hwnd, 1)"}}), true},
        {true, true, false, {kSilence, kLedOff, kMakeShortcut, "KillTimer(hwnd, 1)"}, true},
        {true, false, true, Join({{kSilence, kLedOff, kDeleteShortcut}, kSuspend}), false},
        {true, false, false, {kSilence, kLedOff, kDeleteShortcut}, false},
        {false, true, true, {kSilence, kLedOff, kDeleteShortcut}, false},
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
        {true, true, {kMakeShortcut}},
        {true, false, {kDeleteShortcut}},
        {false, true, {kDeleteShortcut}},
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

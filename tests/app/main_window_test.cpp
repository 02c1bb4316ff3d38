#include <iterator>

#include "app/main_window.h"
#include "model/app_state.h"
#include "model/settings.h"
#include "resources/resource.h"
#include "store/settings_store.h"
#include "tests/support/test_support.h"
namespace {
#include <iterator>
using MainWindowTest = ProgramTest;
#include <iterator>
std::wstring Title(HWND window) {
#include <iterator>
    wchar_t text[64] = {};
#include <iterator>
    GetWindowTextW(window, text, static_cast<int>(std::size(text)));
#include <iterator>
    return text;
#include <iterator>
}
#include <iterator>
TEST_F(MainWindowTest, InitialisationShowsTheStoredAlarmAndTheDeviceClock) {
#include <iterator>
    StoreSettings([](SettingsBlock& s) {
#include <iterator>
        s.Hour = 6;
#include <iterator>
        s.Minute = 5;
#include <iterator>
        s.AlarmInterval = 10;
#include <iterator>
        wcscpy(s.strNext, L"Next: 2026/12/9 6:05");
#include <iterator>
        s.Alarm = 1;
#include <iterator>
    });
#include <iterator>
    fake::device().clock = fake::Time(2026, 12, 8, 7, 4, 9);
#include <iterator>
    fake::device().clock.wDayOfWeek = 2;
#include <iterator>
    bool ran = false;
#include <iterator>
    RunProgram(L"", [&](HWND window) {
#include <iterator>
        ran = true;
#include <iterator>
        EXPECT_EQ(Title(window), kWindowTitle);
#include <iterator>
        EXPECT_EQ(ControlText(window, IDC_ALARM), L"Alarm at 6:05\n(Snooze 10 Min.)");
#include <iterator>
        EXPECT_TRUE(IsChecked(window, IDC_ALARM));
#include <iterator>
        EXPECT_FALSE(IsShown(window, IDC_SETTINGS));
#include <iterator>
        EXPECT_FALSE(IsShown(window, IDC_STOP));
#include <iterator>
        EXPECT_EQ(ControlText(window, IDC_NEXT), L"Next: 2026/12/9 6:05");
#include <iterator>
        EXPECT_EQ(ControlText(window, IDC_DATE), L"2026/12/8(Tue)");
#include <iterator>
        EXPECT_EQ(ControlText(window, IDC_CLOCK).substr(0, 4), L"7:04");
#include <iterator>
        // The clock shows in its own large font.
#include <iterator>
        HFONT clockFont =
#include <iterator>
            reinterpret_cast<HFONT>(SendDlgItemMessageW(window, IDC_CLOCK, WM_GETFONT, 0, 0));
#include <iterator>
        EXPECT_EQ(clockFont, AppState.clockFont);
#include <iterator>
        EXPECT_NE(clockFont, nullptr);
#include <iterator>
        EXPECT_NE(clockFont, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
#include <iterator>
        EXPECT_TRUE(fake::TimerRunning(window, TIMER_CLOCK));
#include <iterator>
        PostQuitMessage(0);
#include <iterator>
    });
#include <iterator>
    EXPECT_TRUE(ran);
#include <iterator>
}
#include <iterator>
TEST_F(MainWindowTest, ADisarmedAlarmShowsTheSettingsButton) {
#include <iterator>
    RunProgram(L"", [&](HWND window) {
#include <iterator>
        EXPECT_FALSE(IsChecked(window, IDC_ALARM));
#include <iterator>
        EXPECT_TRUE(IsShown(window, IDC_SETTINGS));
#include <iterator>
        EXPECT_EQ(ControlText(window, IDC_ALARM), L"Alarm at 0:00\n(Snooze 5 Min.)");
#include <iterator>
        EXPECT_EQ(ControlText(window, IDC_NEXT), kNoSetting);
#include <iterator>
        PostQuitMessage(0);
#include <iterator>
    });
#include <iterator>
}
#include <iterator>
TEST_F(MainWindowTest, TimersAreDispatchedByTheirIds) {
#include <iterator>
    RunProgram(L"", [&](HWND window) {
#include <iterator>
        fake::device().clock = fake::Time(2027, 1, 1, 0, 0, 5);
#include <iterator>
        SendMessageW(window, WM_TIMER, TIMER_CLOCK, 0);
#include <iterator>
        EXPECT_EQ(ControlText(window, IDC_DATE).substr(0, 8), L"2027/1/1");
#include <iterator>
        EXPECT_TRUE(fake::TimerRunning(window, TIMER_CLOCK));
#include <iterator>
        fake::ClearJournal();
#include <iterator>
        SendMessageW(window, WM_TIMER, 9, 0); // a stray timer is stopped
#include <iterator>
        EXPECT_EQ(fake::Journal(), Lines{"KillTimer(hwnd, 9)"});
#include <iterator>
        EXPECT_TRUE(IsWindowVisible(window));
#include <iterator>
        SendMessageW(window, WM_TIMER, TIMER_HIDE, 0);
#include <iterator>
        EXPECT_FALSE(IsWindowVisible(window));
#include <iterator>
        EXPECT_EQ(fake::Calls("KillTimer").back(), "KillTimer(hwnd, 4)");
#include <iterator>
        PostQuitMessage(0);
#include <iterator>
    });
#include <iterator>
}
#include <iterator>
TEST_F(MainWindowTest, EnterAndOkCloseTheWindowAndClosingSavesTheSettings) {
#include <iterator>
    for (int way = 0; way < 3; ++way) {
#include <iterator>
        DeleteSettingsKey();
#include <iterator>
        bool closed = false;
#include <iterator>
        RunProgram(L"", [&](HWND window) {
#include <iterator>
            Settings.AlarmInterval = 12; // a change made while the window runs
#include <iterator>
            if (way == 0)
#include <iterator>
                SendMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
#include <iterator>
            else if (way == 1)
#include <iterator>
                SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
#include <iterator>
            else
#include <iterator>
                SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
#include <iterator>
            closed = true;
#include <iterator>
        });
#include <iterator>
        EXPECT_TRUE(closed);
#include <iterator>
        EXPECT_EQ(ReadDword(L"AlarmInterval"), 12u) << way;
#include <iterator>
        EXPECT_EQ(ReadString(L"strNext"), kNoSetting);
#include <iterator>
        ResetProgramState();
#include <iterator>
    }
#include <iterator>
}
#include <iterator>
TEST_F(MainWindowTest, ACommandWithANotificationCodeDoesNothingUnlessItIsOk) {
#include <iterator>
    RunProgram(L"", [&](HWND window) {
#include <iterator>
        fake::ClearJournal();
#include <iterator>
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_ALARM, 5),
#include <iterator>
                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_ALARM)));
#include <iterator>
        EXPECT_TRUE(fake::Journal().empty());
#include <iterator>
        EXPECT_TRUE(IsWindowVisible(window));
#include <iterator>
        PostQuitMessage(0);
#include <iterator>
    });
#include <iterator>
}
#include <iterator>
TEST_F(MainWindowTest, ClosingAnArmedResidentAlarmHidesTheWindowAndStopsTheClock) {
#include <iterator>
    StoreSettings([](SettingsBlock& s) {
#include <iterator>
        s.Alarm = 1;
#include <iterator>
        s.NoSuspend = 1;
#include <iterator>
    });
#include <iterator>
    RunProgram(L"", [&](HWND window) {
#include <iterator>
        SendMessageW(window, WM_CLOSE, 0, 0);
#include <iterator>
        EXPECT_TRUE(IsWindow(window));
#include <iterator>
        EXPECT_FALSE(IsWindowVisible(window));
#include <iterator>
        EXPECT_FALSE(fake::TimerRunning(window, TIMER_CLOCK));
#include <iterator>
        // Shown again (as a second start does), it restarts its own clock.
#include <iterator>
        ShowWindow(window, SW_SHOW);
#include <iterator>
        EXPECT_TRUE(fake::TimerRunning(window, TIMER_CLOCK));
#include <iterator>
        PostQuitMessage(0);
#include <iterator>
    });
#include <iterator>
    EXPECT_EQ(ReadDword(L"Alarm"), 1u);
#include <iterator>
}
#include <iterator>
TEST_F(MainWindowTest, StartupWithAnArmedAlarmHidesAtOnce) {
#include <iterator>
    StoreSettings([](SettingsBlock& s) {
#include <iterator>
        s.Alarm = 1;
#include <iterator>
        s.NoSuspend = 1;
#include <iterator>
    });
#include <iterator>
    RunProgram(kStartupToken, [&](HWND window) {
#include <iterator>
        EXPECT_TRUE(fake::TimerRunning(window, TIMER_HIDE));
#include <iterator>
        EXPECT_EQ(fake::Calls("SetTimer(hwnd, 4").front(), "SetTimer(hwnd, 4, 0)");
#include <iterator>
        SendMessageW(window, WM_TIMER, TIMER_HIDE, 0);
#include <iterator>
        EXPECT_FALSE(IsWindowVisible(window));
#include <iterator>
        EXPECT_TRUE(fake::TimerRunning(window, TIMER_CLOCK)); // hidden by timer 4, not closed
#include <iterator>
        PostQuitMessage(0);
#include <iterator>
    });
#include <iterator>
}
#include <iterator>
TEST_F(MainWindowTest, StartupWithoutAnArmedAlarmSavesAndEnds) {
#include <iterator>
    WriteDword(L"AlarmInterval", 9);
#include <iterator>
    EXPECT_TRUE(RunProgramWithoutWindow(L"-sxyz"));
#include <iterator>
    EXPECT_EQ(AppState.startupFlag, 1);
#include <iterator>
    EXPECT_EQ(ReadDword(L"AlarmInterval"), 9u);
#include <iterator>
    EXPECT_EQ(ReadString(L"strNext"), kNoSetting);
#include <iterator>
    EXPECT_EQ(ReadDword(L"Alarm"), 0u);
#include <iterator>
}
#include <iterator>
TEST_F(MainWindowTest, OnlyACommandLineThatBeginsWithTheTokenCounts) {
#include <iterator>
    RunProgram(L" -s", [&](HWND) { PostQuitMessage(0); });
#include <iterator>
    EXPECT_EQ(AppState.startupFlag, 0);
#include <iterator>
}
#include <iterator>
TEST_F(MainWindowTest, ClockFontIsTwentyFourPoint) {
#include <iterator>
    HFONT font = MakeClockFont(240, L"System");
#include <iterator>
    ASSERT_NE(font, nullptr);
#include <iterator>
    LOGFONTW info = {};
#include <iterator>
    GetObjectW(font, sizeof info, &info);
#include <iterator>
    HDC screen = GetDC(nullptr);
#include <iterator>
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
#include <iterator>
    ReleaseDC(nullptr, screen);
#include <iterator>
    EXPECT_EQ(info.lfHeight, -(dpi / 3));
#include <iterator>
    EXPECT_STREQ(info.lfFaceName, L"System");
#include <iterator>
    EXPECT_EQ(info.lfCharSet, DEFAULT_CHARSET);
#include <iterator>
    DeleteObject(font);
#include <iterator>
}
#include <iterator>
} // namespace

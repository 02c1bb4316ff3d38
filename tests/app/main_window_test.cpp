#include <iterator>

#include "app/main_window.h"
#include "app/week_days.h"
#include "model/app_state.h"
#include "model/settings.h"
#include "resources/resource.h"
#include "store/settings_store.h"
#include "tests/support/test_support.h"

namespace {

using MainWindowTest = ProgramTest;

std::wstring Title(HWND window) {
    wchar_t text[64] = {};
    GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    return text;
}

TEST_F(MainWindowTest, InitialisationShowsTheStoredAlarmAndTheDeviceClock) {
    StoreSettings([](SettingsBlock& s) {
        s.Hour = 6;
        s.Minute = 5;
        s.AlarmInterval = 10;
        wcscpy(s.strNext, L"Next: 2026/12/9 6:05");
        s.Alarm = 1;
    });
    fake::device().clock = fake::Time(2026, 12, 8, 7, 4, 9);
    fake::device().clock.wDayOfWeek = 2;

    bool ran = false;
    RunProgram(L"", [&](HWND window) {
        ran = true;
        EXPECT_EQ(Title(window), kWindowTitle);
        EXPECT_EQ(ControlText(window, IDC_ALARM), L"Alarm at 6:05\n(Snooze 10 Min.)");
        EXPECT_TRUE(IsChecked(window, IDC_ALARM));
        EXPECT_FALSE(IsShown(window, IDC_SETTINGS));
        EXPECT_FALSE(IsShown(window, IDC_STOP));
        EXPECT_EQ(ControlText(window, IDC_NEXT), L"Next: 2026/12/9 6:05");
        EXPECT_EQ(ControlText(window, IDC_DATE), L"2026/12/8(Tue)");
        EXPECT_EQ(ControlText(window, IDC_CLOCK).substr(0, 4), L"7:04");
        // The clock shows in its own large font.
        HFONT clockFont =
            reinterpret_cast<HFONT>(SendDlgItemMessageW(window, IDC_CLOCK, WM_GETFONT, 0, 0));
        EXPECT_EQ(clockFont, AppState.clockFont);
        EXPECT_NE(clockFont, nullptr);
        EXPECT_NE(clockFont, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
        EXPECT_TRUE(fake::TimerRunning(window, TIMER_CLOCK));
        PostQuitMessage(0);
    });
    EXPECT_TRUE(ran);
}

TEST_F(MainWindowTest, ADisarmedAlarmShowsTheSettingsButton) {
    RunProgram(L"", [&](HWND window) {
        EXPECT_FALSE(IsChecked(window, IDC_ALARM));
        EXPECT_TRUE(IsShown(window, IDC_SETTINGS));
        EXPECT_EQ(ControlText(window, IDC_ALARM), L"Alarm at 0:00\n(Snooze 5 Min.)");
        EXPECT_EQ(ControlText(window, IDC_NEXT), kNoSetting);
        PostQuitMessage(0);
    });
}

TEST_F(MainWindowTest, TimersAreDispatchedByTheirIds) {
    RunProgram(L"", [&](HWND window) {
        fake::device().clock = fake::Time(2027, 1, 1, 0, 0, 5);
        SendMessageW(window, WM_TIMER, TIMER_CLOCK, 0);
        EXPECT_EQ(ControlText(window, IDC_DATE).substr(0, 8), L"2027/1/1");
        EXPECT_TRUE(fake::TimerRunning(window, TIMER_CLOCK));

        fake::ClearJournal();
        SendMessageW(window, WM_TIMER, 9, 0); // a stray timer is stopped
        EXPECT_EQ(fake::Journal(), Lines{"KillTimer(hwnd, 9)"});

        EXPECT_TRUE(IsWindowVisible(window));
        SendMessageW(window, WM_TIMER, TIMER_HIDE, 0);
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_EQ(fake::Calls("KillTimer").back(), "KillTimer(hwnd, 4)");
        PostQuitMessage(0);
    });
}

TEST_F(MainWindowTest, EnterAndOkCloseTheWindowAndClosingSavesTheSettings) {
    for (int way = 0; way < 3; ++way) {
        DeleteSettingsKey();
        bool closed = false;
        RunProgram(L"", [&](HWND window) {
            Settings.AlarmInterval = 12; // a change made while the window runs
            if (way == 0)
                SendMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
            else if (way == 1)
                SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
            else
                SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            closed = true;
        });
        EXPECT_TRUE(closed);
        EXPECT_EQ(ReadDword(L"AlarmInterval"), 12u) << way;
        EXPECT_EQ(ReadString(L"strNext"), kNoSetting);
        ResetProgramState();
    }
}

TEST_F(MainWindowTest, ACommandWithANotificationCodeDoesNothingUnlessItIsOk) {
    RunProgram(L"", [&](HWND window) {
        fake::ClearJournal();
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_ALARM, 5),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_ALARM)));
        EXPECT_TRUE(fake::Journal().empty());
        EXPECT_TRUE(IsWindowVisible(window));
        PostQuitMessage(0);
    });
}

TEST_F(MainWindowTest, ClosingAnArmedResidentAlarmHidesTheWindowAndStopsTheClock) {
    StoreSettings([](SettingsBlock& s) {
        s.Alarm = 1;
        s.NoSuspend = 1;
    });
    RunProgram(L"", [&](HWND window) {
        SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(window));
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_FALSE(fake::TimerRunning(window, TIMER_CLOCK));
        // Shown again (as a second start does), it restarts its own clock.
        ShowWindow(window, SW_SHOW);
        EXPECT_TRUE(fake::TimerRunning(window, TIMER_CLOCK));
        PostQuitMessage(0);
    });
    EXPECT_EQ(ReadDword(L"Alarm"), 1u);
}

TEST_F(MainWindowTest, StartupWithAnArmedAlarmHidesAtOnce) {
    StoreSettings([](SettingsBlock& s) {
        s.Alarm = 1;
        s.NoSuspend = 1;
    });
    RunProgram(kStartupToken, [&](HWND window) {
        EXPECT_TRUE(fake::TimerRunning(window, TIMER_HIDE));
        EXPECT_EQ(fake::Calls("SetTimer(hwnd, 4").front(), "SetTimer(hwnd, 4, 0)");
        SendMessageW(window, WM_TIMER, TIMER_HIDE, 0);
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_TRUE(fake::TimerRunning(window, TIMER_CLOCK)); // hidden by timer 4, not closed
        PostQuitMessage(0);
    });
}

TEST_F(MainWindowTest, StartupWithoutAnArmedAlarmSavesAndEnds) {
    WriteDword(L"AlarmInterval", 9);
    EXPECT_TRUE(RunProgramWithoutWindow(L"-sxyz"));
    EXPECT_EQ(AppState.startupFlag, 1);
    EXPECT_EQ(ReadDword(L"AlarmInterval"), 9u);
    EXPECT_EQ(ReadString(L"strNext"), kNoSetting);
    EXPECT_EQ(ReadDword(L"Alarm"), 0u);
}

TEST_F(MainWindowTest, OnlyACommandLineThatBeginsWithTheTokenCounts) {
    RunProgram(L" -s", [&](HWND) { PostQuitMessage(0); });
    EXPECT_EQ(AppState.startupFlag, 0);
}

TEST_F(MainWindowTest, ClockFontIsTwentyFourPoint) {
    HFONT font = MakeClockFont(240, L"System");
    ASSERT_NE(font, nullptr);
    LOGFONTW info = {};
    GetObjectW(font, sizeof info, &info);
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(info.lfHeight, -(dpi / 3));
    EXPECT_STREQ(info.lfFaceName, L"System");
    EXPECT_EQ(info.lfCharSet, DEFAULT_CHARSET);
    DeleteObject(font);
}

// With days, the label names them in the fullest form whose first line fits beside the box: the
// abbreviated names, the shortest, then without "Alarm at". Without days it reads as always.
TEST_F(MainWindowTest, TheAlarmLabelShowsTheDaysInTheFullestFormThatFits) {
    const struct {
        int hour;
        int32_t days;
        int form;
    } cases[] = {{6, 0x3E, 0}, {16, 0x3E, 1}, {16, 0x55, 2}, {123456789, 0, 0}};
    for (const auto& c : cases) {
        StoreSettings([&](SettingsBlock& s) {
            s.Hour = c.hour;
            s.AlarmDays = c.days;
        });
        wchar_t days[64];
        DescribeDays(LOCALE_USER_DEFAULT, c.days,
                     c.form ? DayNames::Shortest : DayNames::Abbreviated, days, 64);
        RunProgram(L"", [&](HWND window) {
            EXPECT_EQ(ControlText(window, IDC_ALARM), (c.form < 2 ? L"Alarm at " : L"") +
                                                          std::to_wstring(c.hour) + L":00" + days +
                                                          L"\n(Snooze 5 Min.)");
            PostQuitMessage(0);
        });
    }
}

} // namespace

// The settings dialog from its real template: what it shows, what it plays, what OK commits.
#include <cwchar>
#include <iterator>

#include "app/week_days.h"
#include "model/names.h"
#include "model/settings.h"
#include "resources/resource.h"
#include "resources/version.h"
#include "settings/settings_dialog.h"
#include "tests/settings/dialog_driver.h"
#include "tests/support/settings_controls.h"

namespace {

using Texts = std::vector<std::wstring>;
using Strings = std::vector<std::string>;

Texts Numbers(int first, int last) {
    Texts texts;
    for (int n = first; n <= last; ++n)
        texts.push_back(std::to_wstring(n));
    return texts;
}

using SettingsDialogTest = ProgramTest;

TEST_F(SettingsDialogTest, TheTemplateHasItsControlsInTabOrder) {
    RunSettingsDialog([&](HWND dialog) {
        wchar_t caption[64] = {};
        GetWindowTextW(dialog, caption, static_cast<int>(std::size(caption)));
        EXPECT_STREQ(caption, kSettingsCaption);
        EXPECT_EQ(FocusedControl(dialog), IDC_HOUR);

        HWND child = GetWindow(dialog, GW_CHILD);
        for (const ControlSpec& c : kSettingsControls) {
            ASSERT_NE(child, nullptr);
            wchar_t className[32] = {};
            GetClassNameW(child, className, static_cast<int>(std::size(className)));
            LONG style = GetWindowLongW(child, GWL_STYLE);
            SCOPED_TRACE(fake::Narrow(className) + " " + std::to_string(c.id));
            EXPECT_EQ(GetDlgCtrlID(child) & 0xFFFF, c.id & 0xFFFF);
            EXPECT_EQ(_wcsicmp(className, c.className), 0);
            const bool comboBox = wcscmp(c.className, L"ComboBox") == 0;
            // A combo box's text is its edit field's, and a day is named from the locale: both
            // filled in by the dialog.
            if (!comboBox && c.style != kDayToggle) {
                wchar_t text[64] = {};
                GetWindowTextW(child, text, static_cast<int>(std::size(text)));
                EXPECT_STREQ(text, c.text);
            }
            // The kind: drop-down or list, push button or check box.
            if (comboBox) {
                EXPECT_EQ(style & 3, static_cast<LONG>(c.style & 3));
            } else if (wcscmp(c.className, L"Button") == 0) {
                EXPECT_EQ(style & BS_TYPEMASK, static_cast<LONG>(c.style & BS_TYPEMASK));
            }
            const bool tabStop = (c.style & WS_TABSTOP) != 0;
            EXPECT_EQ((style & WS_TABSTOP) != 0, tabStop);
            EXPECT_EQ((style & WS_GROUP) != 0, !tabStop);
            child = GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(child, nullptr);
    });
}

TEST_F(SettingsDialogTest, StoredValuesArePreselectedAndCommittedUnchanged) {
    Settings.Hour = 7;
    Settings.Minute = 5;
    Settings.AlarmNum = 3;
    Settings.AlarmInterval = 10;
    wcscpy(Settings.Wave, L"Chimes");
    Settings.UseBeep = 1;
    Settings.VolCtrl = 2;
    Settings.NoSuspend = 1;
    Settings.Button = 1;
    fake::device().windowsFolder = {{L"ding.wav"}, {L"CHIMES.WAV"}};

    INT_PTR result = RunSettingsDialog([](HWND dialog) {
        EXPECT_EQ(Items(dialog, IDC_HOUR), Numbers(0, 23));
        EXPECT_EQ(Items(dialog, IDC_MINUTE), Numbers(0, 59));
        Texts repeat = Numbers(1, 15);
        repeat.insert(repeat.begin(), L"");
        EXPECT_EQ(Items(dialog, IDC_REPEAT), repeat);
        EXPECT_EQ(Items(dialog, IDC_SNOOZE), Numbers(1, 15));
        EXPECT_EQ(Items(dialog, IDC_VOLUME),
                  (Texts{L"None", L"MAX Volume", L"Fade-in 15sec", L"Fade-in 30sec"}));

        EXPECT_EQ(ControlText(dialog, IDC_HOUR), L"7");
        EXPECT_EQ(ControlText(dialog, IDC_MINUTE), L"5");
        EXPECT_EQ(ControlText(dialog, IDC_REPEAT), L"3");
        EXPECT_EQ(ControlText(dialog, IDC_SNOOZE), L"10");
        EXPECT_EQ(Selection(dialog, IDC_WAVE), 1);
        EXPECT_FALSE(IsChecked(dialog, IDC_BEEP));
        EXPECT_TRUE(IsEnabled(dialog, IDC_WAVE));
        EXPECT_EQ(Selection(dialog, IDC_VOLUME), 2);
        EXPECT_TRUE(IsChecked(dialog, IDC_NOSUSPEND));
        EXPECT_FALSE(IsChecked(dialog, IDC_SCREENOFF));
        EXPECT_TRUE(IsChecked(dialog, IDC_BUTTONS));
        Click(dialog, IDOK);
    });

    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Settings.Hour, 7);
    EXPECT_EQ(Settings.Minute, 5);
    EXPECT_EQ(Settings.AlarmNum, 3);
    EXPECT_EQ(Settings.AlarmInterval, 10);
    EXPECT_STREQ(Settings.Wave, L"chimes"); // as listed
    EXPECT_EQ(Settings.UseBeep, 1);
    EXPECT_EQ(Settings.VolCtrl, 2);
    EXPECT_EQ(Settings.NoSuspend, 1);
    EXPECT_EQ(Settings.ScreenOff, 0);
    EXPECT_EQ(Settings.Button, 1);
}

// The row begins with the first day of the user's week, whatever it is, named by the locale; it
// shows the stored days and OK commits the ticked ones alone, not the bits that name no day.
TEST_F(SettingsDialogTest, TheDayRowFollowsTheUsersWeek) {
    struct OwnFirstDay { // put back however the test ends
        wchar_t day[4] = {};
        OwnFirstDay() { GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IFIRSTDAYOFWEEK, day, 4); }
        ~OwnFirstDay() { SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IFIRSTDAYOFWEEK, day); }
    } own;
    // The locale numbers its first day from "0" Monday to "6" Sunday.
    for (const wchar_t* first : {L"6", L"0", L"5"}) {
        ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IFIRSTDAYOFWEEK, first));
        int firstDay = (first[0] - L'0' + 1) % 7, secondDay = (firstDay + 1) % 7;
        Settings.AlarmDays = 0x80 | 1 << firstDay;
        RunSettingsDialog([&](HWND dialog) {
            for (int position = 0; position < 7; ++position) {
                wchar_t name[64] = {};
                DayName(LOCALE_USER_DEFAULT, DayNames::Shortest, (firstDay + position) % 7, name,
                        64);
                EXPECT_EQ(ControlText(dialog, IDC_DAY1 + position), name);
                EXPECT_EQ(IsChecked(dialog, IDC_DAY1 + position), position == 0);
            }
            Click(dialog, IDC_DAY1);
            Click(dialog, IDC_DAY2);
            Click(dialog, IDOK);
        });
        EXPECT_EQ(Settings.AlarmDays, 1 << secondDay) << fake::Narrow(first);
    }
}

TEST_F(SettingsDialogTest, ValuesMissingFromTheListsShowTheFirstItemAndCommitIt) {
    Settings.Hour = 30;
    Settings.Minute = 75;
    Settings.AlarmNum = 20;
    Settings.AlarmInterval = 0;
    Settings.VolCtrl = 7;
    Settings.UseBeep = 0; // the beep; the wave name is still taken from the list
    fake::device().windowsFolder = {{L"Ding.wav"}, {L"chimes.wav"}};

    INT_PTR result = RunSettingsDialog([](HWND dialog) {
        EXPECT_EQ(ControlText(dialog, IDC_HOUR), L"0");
        EXPECT_EQ(ControlText(dialog, IDC_MINUTE), L"0");
        EXPECT_EQ(Selection(dialog, IDC_REPEAT), 0);
        EXPECT_EQ(ControlText(dialog, IDC_REPEAT), L"");
        EXPECT_EQ(ControlText(dialog, IDC_SNOOZE), L"1");
        EXPECT_EQ(Selection(dialog, IDC_VOLUME), CB_ERR);
        EXPECT_EQ(Selection(dialog, IDC_WAVE), 0); // an empty name: the first listed
        EXPECT_TRUE(IsChecked(dialog, IDC_BEEP));
        EXPECT_FALSE(IsEnabled(dialog, IDC_WAVE));
        Click(dialog, IDOK);
    });

    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Settings.Hour, 0);
    EXPECT_EQ(Settings.Minute, 0);
    EXPECT_EQ(Settings.AlarmNum, 0);
    EXPECT_EQ(Settings.AlarmInterval, 1);
    EXPECT_EQ(Settings.VolCtrl, -1);
    EXPECT_STREQ(Settings.Wave, L"ding");
    EXPECT_EQ(Settings.UseBeep, 0);
}

TEST_F(SettingsDialogTest, TheWaveListHoldsTheFolderFilesInSearchOrder) {
    const std::wstring longest(63, L'N'), tooLong(64, L'L');
    fake::device().windowsFolder = {
        {L"Wake.WAV"},       {L"Sounds.wav", FILE_ATTRIBUTE_DIRECTORY},
        {tooLong + L".wav"}, {L"song.wave"},
        {L"alarm2.wav"},     {longest + L".Wav"},
        {L"readme.txt"},     {L"x.wavy"},
    };

    RunSettingsDialog([&](HWND dialog) {
        EXPECT_EQ(Items(dialog, IDC_WAVE), (Texts{L"wake", L"alarm2", std::wstring(63, L'n')}));
        EXPECT_EQ(fake::Calls("Find"),
                  (Strings{"FindFirstFileW(\\Windows\\*.wav)", "FindClose(search)"}));
        EXPECT_TRUE(fake::Calls("PlaySoundW").empty()) << "opening plays nothing";
    });
}

TEST_F(SettingsDialogTest, ChoosingAWaveFilePlaysItOnce) {
    Settings.UseBeep = 1;
    fake::device().windowsFolder = {{L"Wake.wav"}, {L"Alarm2.wav"}};

    RunSettingsDialog([](HWND dialog) {
        fake::ClearJournal();
        Choose(dialog, IDC_WAVE, 1);
        EXPECT_EQ(fake::Journal(), (Strings{"PlaySoundW(NULL, 0x00000000)",
                                            "PlaySoundW(\\Windows\\alarm2.wav, 0x00022003)"}));
        fake::ClearJournal();
        // Through the box itself: a key press moves the selection and the box reports it.
        SetFocus(GetDlgItem(dialog, IDC_WAVE));
        SendDlgItemMessageW(dialog, IDC_WAVE, WM_KEYDOWN, VK_UP, 0);
        EXPECT_EQ(fake::Journal(), (Strings{"PlaySoundW(NULL, 0x00000000)",
                                            "PlaySoundW(\\Windows\\wake.wav, 0x00022003)"}));
        fake::ClearJournal();
        Click(dialog, IDC_NOW); // other controls play nothing
        SendDlgItemMessageW(dialog, IDC_HOUR, CB_SETCURSEL, 3, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_HOUR, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_HOUR)));
        EXPECT_TRUE(fake::Calls("PlaySoundW").empty());
    });
}

TEST_F(SettingsDialogTest, WithoutWaveFilesTheListIsEmptyAndTheNameKept) {
    wcscpy(Settings.Wave, L"gone");
    INT_PTR result = RunSettingsDialog([](HWND dialog) {
        EXPECT_TRUE(Items(dialog, IDC_WAVE).empty());
        EXPECT_TRUE(fake::Calls("FindClose").empty()) << "no search was opened";
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_STREQ(Settings.Wave, L"gone");
}

TEST_F(SettingsDialogTest, TheBeepBoxSwitchesTheWaveList) {
    Settings.UseBeep = 1;
    fake::device().windowsFolder = {{L"wake.wav"}};
    RunSettingsDialog([](HWND dialog) {
        EXPECT_TRUE(IsEnabled(dialog, IDC_WAVE));
        Click(dialog, IDC_BEEP);
        EXPECT_FALSE(IsEnabled(dialog, IDC_WAVE));
        Click(dialog, IDC_BEEP);
        EXPECT_TRUE(IsEnabled(dialog, IDC_WAVE));
        Click(dialog, IDC_BEEP);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(Settings.UseBeep, 0);
    EXPECT_STREQ(Settings.Wave, L"wake");

    RunSettingsDialog([](HWND dialog) {
        Click(dialog, IDC_BEEP);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(Settings.UseBeep, 1);
}

TEST_F(SettingsDialogTest, NowSelectsTheCurrentTimeAndStoresNothing) {
    Settings.Hour = 22;
    Settings.Minute = 45;
    fake::device().clock = fake::Time(2026, 12, 8, 6, 7, 59);

    INT_PTR result = RunSettingsDialog([](HWND dialog) {
        Click(dialog, IDC_NOW);
        EXPECT_EQ(Selection(dialog, IDC_HOUR), 6);
        EXPECT_EQ(ControlText(dialog, IDC_HOUR), L"6");
        EXPECT_EQ(ControlText(dialog, IDC_MINUTE), L"7");
        EXPECT_EQ(Settings.Hour, 22);
        EXPECT_EQ(Settings.Minute, 45);
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(Settings.Hour, 22);
    EXPECT_EQ(Settings.Minute, 45);

    RunSettingsDialog([](HWND dialog) {
        Click(dialog, IDC_NOW);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(Settings.Hour, 6);
    EXPECT_EQ(Settings.Minute, 7);
}

TEST_F(SettingsDialogTest, TheVersionBannerHasTwoParagraphs) {
    INT_PTR result = RunSettingsDialog([](HWND dialog) {
        Click(dialog, IDC_VERSION);
        // An ended dialog is hidden at once; this one must stay open for the user.
        EXPECT_TRUE(IsWindowVisible(dialog));
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
    Strings boxes = fake::Calls("MessageBoxW(");
    ASSERT_EQ(boxes.size(), 1u);
    const std::string suffix = ", Larchworks presents, 0x40)";
    const std::string& call = boxes[0];
    ASSERT_GT(call.size(), suffix.size());
    ASSERT_EQ(call.substr(call.size() - suffix.size()), suffix);
    const std::string prefix = "MessageBoxW(";
    ASSERT_EQ(call.substr(0, prefix.size()), prefix);
    std::string banner = call.substr(prefix.size(), call.size() - prefix.size() - suffix.size());
    EXPECT_LE(banner.size(), 127u);
    size_t gap = banner.find("\n\n");
    ASSERT_NE(gap, std::string::npos);
    EXPECT_EQ(banner.find("\n\n", gap + 1), std::string::npos) << "exactly two paragraphs";
    EXPECT_GT(gap, 0u);
    EXPECT_EQ(banner.substr(gap + 2, 9), "Dawnbell ");
    // The version shown is the one the program's resources carry.
    EXPECT_NE(banner.find("Dawnbell Ver. " DAWNBELL_VERSION_TEXT "\n"), std::string::npos)
        << banner;
}

// LEDs: the list offers the device's LEDs; with one the box alone is seen, with none the box is
// disabled and no LED is kept.

TEST_F(SettingsDialogTest, SeveralLedsAreListedAndTheBoxSwitchesTheList) {
    fake::device().ledCount = 3;
    Settings.LedBlink = 2;
    RunSettingsDialog([](HWND dialog) {
        EXPECT_EQ(Items(dialog, IDC_LEDNUM), Numbers(1, 3));
        EXPECT_EQ(ControlText(dialog, IDC_LEDNUM), L"2");
        EXPECT_TRUE(IsShown(dialog, IDC_LEDNUM));
        EXPECT_TRUE(IsChecked(dialog, IDC_LED));
        EXPECT_TRUE(IsEnabled(dialog, IDC_LED));
        EXPECT_TRUE(IsEnabled(dialog, IDC_LEDNUM));
        Click(dialog, IDC_LED);
        EXPECT_FALSE(IsEnabled(dialog, IDC_LEDNUM));
        Click(dialog, IDC_LED);
        EXPECT_TRUE(IsEnabled(dialog, IDC_LEDNUM));
        SendDlgItemMessageW(dialog, IDC_LEDNUM, CB_SETCURSEL, 2, 0);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(Settings.LedBlink, 3);

    RunSettingsDialog([](HWND dialog) {
        Click(dialog, IDC_LED);
        EXPECT_FALSE(IsEnabled(dialog, IDC_LEDNUM));
        Click(dialog, IDOK);
    });
    EXPECT_EQ(Settings.LedBlink, 0);

    RunSettingsDialog([](HWND dialog) {
        EXPECT_FALSE(IsChecked(dialog, IDC_LED));
        EXPECT_FALSE(IsEnabled(dialog, IDC_LEDNUM));
        EXPECT_EQ(ControlText(dialog, IDC_LEDNUM), L"1");
    });
}

TEST_F(SettingsDialogTest, OneLedShowsTheBoxAlone) {
    fake::device().ledCount = 1;
    RunSettingsDialog([](HWND dialog) {
        EXPECT_EQ(Items(dialog, IDC_LEDNUM), Numbers(1, 1));
        EXPECT_FALSE(IsShown(dialog, IDC_LEDNUM));
        EXPECT_TRUE(IsEnabled(dialog, IDC_LED));
        EXPECT_FALSE(IsChecked(dialog, IDC_LED));
        Click(dialog, IDC_LED);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(Settings.LedBlink, 1);
}

TEST_F(SettingsDialogTest, WithoutLedsOrWithAFailedCountNoLedIsKept) {
    for (bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "failed count" : "no LEDs");
        fake::device().ledCount = 0;
        fake::device().ledCountFails = fails;
        Settings.LedBlink = 2;
        INT_PTR result = RunSettingsDialog([](HWND dialog) {
            EXPECT_FALSE(IsEnabled(dialog, IDC_LED));
            EXPECT_FALSE(IsChecked(dialog, IDC_LED));
            EXPECT_FALSE(IsShown(dialog, IDC_LEDNUM));
            EXPECT_TRUE(Items(dialog, IDC_LEDNUM).empty());
            EXPECT_EQ(Settings.LedBlink, 0);
            SendMessageW(dialog, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(Settings.LedBlink, 0);
    }
}

TEST_F(SettingsDialogTest, TheSuspendBoxMakesOrRemovesTheStartupShortcut) {
    const std::wstring shortcut = std::wstring(L"\\Windows\\StartUp\\") + kShortcutName;
    fake::device().modulePath = L"\\Program Files\\Dawn bell\\dawnbell.exe";
    RunSettingsDialog([&](HWND dialog) {
        Click(dialog, IDC_NOSUSPEND);
        Click(dialog, IDOK);
        // OK has ended the dialog, and the shortcut is there before the dialog is gone.
        EXPECT_FALSE(IsWindowVisible(dialog));
        EXPECT_EQ(fake::device().shortcuts.count(shortcut), 1u);
    });
    EXPECT_EQ(Settings.NoSuspend, 1);
    // Quoted, so the blanks stay in the path and "-s" reaches the program as its argument.
    EXPECT_EQ(fake::device().shortcuts[shortcut],
              L"\"\\Program Files\\Dawn bell\\dawnbell.exe\" -s");

    RunSettingsDialog([&](HWND dialog) {
        EXPECT_TRUE(IsChecked(dialog, IDC_NOSUSPEND));
        Click(dialog, IDC_NOSUSPEND);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(Settings.NoSuspend, 0);
    EXPECT_EQ(fake::device().shortcuts.count(shortcut), 0u);
    EXPECT_EQ(fake::Calls("DeleteFileW"), Strings{"DeleteFileW(" + fake::Narrow(shortcut) + ")"});
}

TEST_F(SettingsDialogTest, TheScreenAndButtonBoxesAreCommittedAsFlags) {
    Settings.ScreenOff = 5; // any nonzero value ticks the box
    RunSettingsDialog([](HWND dialog) {
        EXPECT_TRUE(IsChecked(dialog, IDC_SCREENOFF));
        EXPECT_FALSE(IsChecked(dialog, IDC_BUTTONS));
        Click(dialog, IDC_BUTTONS);
        SendDlgItemMessageW(dialog, IDC_VOLUME, CB_SETCURSEL, 3, 0);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(Settings.ScreenOff, 1);
    EXPECT_EQ(Settings.Button, 1);
    EXPECT_EQ(Settings.VolCtrl, 3);
}

TEST_F(SettingsDialogTest, OkFromTheMainWindowShowsTheNewAlarmAndArmsIt) {
    fake::device().clock = fake::Time(2026, 12, 8, 6, 0);
    RunProgram(L"", [](HWND window) {
        EXPECT_FALSE(IsChecked(window, IDC_ALARM));
        WhenDialogOpens([](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_HOUR, L"7");
            SetDlgItemTextW(dialog, IDC_MINUTE, L"05");
            SetDlgItemTextW(dialog, IDC_SNOOZE, L"10");
            Click(dialog, IDOK);
        });
        Click(window, IDC_SETTINGS);
        EXPECT_EQ(ControlText(window, IDC_ALARM), L"Alarm at 7:05\n(Snooze 10 Min.)");
        EXPECT_TRUE(IsChecked(window, IDC_ALARM));
        EXPECT_FALSE(IsShown(window, IDC_SETTINGS));
        EXPECT_EQ(Settings.Alarm, 1);
        EXPECT_TRUE(fake::device().registered);
        EXPECT_EQ(fake::device().registeredTime.wHour, 7);
        EXPECT_EQ(fake::device().registeredTime.wMinute, 5);
        EXPECT_EQ(ReadDword(L"AlarmInterval"), 10u);
        PostQuitMessage(0);
    });
}

} // namespace

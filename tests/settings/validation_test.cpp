// OK checks the four number fields in order and reports only the first fault.
#include <string>

#include "model/settings.h"
#include "resources/resource.h"
#include "tests/settings/dialog_driver.h"

namespace {

struct Outcome {
    INT_PTR result = 0;
    Lines messages;
    int focus = 0;
    DWORD selection = 0;    // of the focused field's edit: start in the low word, end in the high
    int selectRequests = 0; // selections asked of the focused field itself while OK ran
};

// Counts the selections asked of one combo box. An empty field has no text whose selection
// could be read back, so what OK asks of the box is watched instead.
HWND g_watched = nullptr;
int g_selectRequests = 0;
HHOOK g_selectHook = nullptr;

LRESULT CALLBACK WatchSelections(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->hwnd == g_watched &&
        (message->message == CB_SETEDITSEL || message->message == EM_SETSEL))
        ++g_selectRequests;
    return CallNextHookEx(g_selectHook, code, wParam, lParam);
}

const int kNumberFields[] = {IDC_HOUR, IDC_MINUTE, IDC_REPEAT, IDC_SNOOZE};

class ValidationTest : public ProgramTest {
  protected:
    // Types `texts` over valid ones (7:05, 3 rings, 10 minutes) and presses OK.
    Outcome PressOk(std::vector<std::pair<int, std::wstring>> texts) {
        Outcome outcome;
        outcome.result = RunSettingsDialog([&](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_HOUR, L"7");
            SetDlgItemTextW(dialog, IDC_MINUTE, L"5");
            SetDlgItemTextW(dialog, IDC_REPEAT, L"3");
            SetDlgItemTextW(dialog, IDC_SNOOZE, L"10");
            for (const auto& [id, text] : texts)
                SetDlgItemTextW(dialog, id, text.c_str());
            // A box selects its text the first time it gets the focus; spend that, clear every
            // selection and leave the focus elsewhere, so what OK selects is OK's own doing.
            for (int id : kNumberFields) {
                SetFocus(GetDlgItem(dialog, id));
                SendDlgItemMessageW(dialog, id, CB_SETEDITSEL, 0, MAKELPARAM(0, 0));
            }
            SetFocus(GetDlgItem(dialog, IDC_VERSION));
            fake::ClearJournal();

            int faulty = texts.empty() ? 0 : texts.front().first;
            g_watched = faulty ? GetDlgItem(dialog, faulty) : nullptr;
            g_selectRequests = 0;
            g_selectHook =
                SetWindowsHookExW(WH_CALLWNDPROC, WatchSelections, nullptr, GetCurrentThreadId());
            Click(dialog, IDOK);
            UnhookWindowsHookEx(g_selectHook);
            outcome.selectRequests = g_selectRequests;
            outcome.messages = fake::Calls("MessageBoxW");
            outcome.focus = FocusedControl(dialog);
            if (outcome.focus)
                outcome.selection = static_cast<DWORD>(
                    SendDlgItemMessageW(dialog, outcome.focus, CB_GETEDITSEL, 0, 0));
        });
        return outcome;
    }
};

std::string Box(const char* text) {
    return std::string("MessageBoxW(") + text + ", NULL, 0x30)";
}

TEST_F(ValidationTest, ValuesWithinTheirRangesAreCommitted) {
    struct Case {
        int id;
        const wchar_t* text;
        int32_t expected;
    };
    const Case cases[] = {
        {IDC_HOUR, L"0", 0},   {IDC_HOUR, L"23", 23},   {IDC_HOUR, L"07", 7},
        {IDC_MINUTE, L"0", 0}, {IDC_MINUTE, L"59", 59}, {IDC_MINUTE, L"007", 7},
        {IDC_REPEAT, L"1", 1}, {IDC_REPEAT, L"15", 15}, {IDC_REPEAT, L"", 0},
        {IDC_SNOOZE, L"1", 1}, {IDC_SNOOZE, L"15", 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fake::Narrow(std::to_wstring(c.id) + L" = \"" + c.text + L"\""));
        ResetProgramState();
        Outcome outcome = PressOk({{c.id, c.text}});
        EXPECT_EQ(outcome.result, IDOK);
        EXPECT_TRUE(outcome.messages.empty());
        int32_t committed = c.id == IDC_HOUR     ? Settings.Hour
                            : c.id == IDC_MINUTE ? Settings.Minute
                            : c.id == IDC_REPEAT ? Settings.AlarmNum
                                                 : Settings.AlarmInterval;
        EXPECT_EQ(committed, c.expected);
    }
    EXPECT_EQ(Settings.Hour, 7);
    EXPECT_EQ(Settings.Minute, 5);
    EXPECT_EQ(Settings.AlarmNum, 3);
}

TEST_F(ValidationTest, AFaultyFieldIsReportedFocusedAndSelected) {
    struct Case {
        int id;
        const wchar_t* text;
        const char* message;
    };
    const std::wstring fortyDigits(40, L'9');
    const Case cases[] = {
        {IDC_HOUR, L" 7", "Time setting Error."},
        {IDC_HOUR, L"7 ", "Time setting Error."},
        {IDC_HOUR, L"-1", "Time setting Error."},
        {IDC_HOUR, L"+7", "Time setting Error."},
        {IDC_HOUR, L"24", "Time setting Error."},
        {IDC_HOUR, fortyDigits.c_str(), "Time setting Error."},
        {IDC_HOUR, L"4294967303", "Time setting Error."}, // 2^32 + 7 must not wrap round to 7
        {IDC_HOUR, L"\u0663", "Time setting Error."},     // an Arabic-Indic three
        {IDC_MINUTE, L"5x", "Minutes setting Error."},
        {IDC_MINUTE, L"\uFF10\uFF15", "Minutes setting Error."}, // full-width 05
        {IDC_MINUTE, L"60", "Minutes setting Error."},
        {IDC_REPEAT, L"3a", "Alarm repeat number Error."},
        {IDC_REPEAT, L"\uFF13", "Alarm repeat number Error."}, // a full-width 3
        {IDC_REPEAT, L"0", "Please choose the alarm repeat number between 1 and 15 times."},
        {IDC_REPEAT, L"16", "Please choose the alarm repeat number between 1 and 15 times."},
        {IDC_SNOOZE, L"1a", "snooze interval setting error. "},
        {IDC_SNOOZE, L"1\uFF12", "snooze interval setting error. "}, // 1 and a full-width 2
        {IDC_SNOOZE, L"0", "Please choose a snooze interval between 1 and 15 min."},
        {IDC_SNOOZE, L"16", "Please choose a snooze interval between 1 and 15 min."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fake::Narrow(std::to_wstring(c.id) + L" = \"" + c.text + L"\""));
        ResetProgramState();
        Outcome outcome = PressOk({{c.id, c.text}});
        EXPECT_EQ(outcome.result, IDCANCEL) << "the dialog must stay open until closed";
        EXPECT_EQ(outcome.messages, Lines{Box(c.message)});
        EXPECT_EQ(outcome.focus, c.id);
        EXPECT_EQ(outcome.selection, static_cast<DWORD>(MAKELONG(0, wcslen(c.text))));
        EXPECT_EQ(Settings.Hour, 0);
        EXPECT_EQ(Settings.AlarmInterval, 5);
    }
}

TEST_F(ValidationTest, AnEmptyFieldIsReportedAndFocusedOnly) {
    struct Case {
        int id;
        const char* message;
    };
    const Case cases[] = {
        {IDC_HOUR, "Please input an hour."},
        {IDC_MINUTE, "Please input minutes."},
        {IDC_SNOOZE, "Please input a snooze interval."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ResetProgramState();
        Outcome outcome = PressOk({{c.id, L""}});
        EXPECT_EQ(outcome.result, IDCANCEL);
        EXPECT_EQ(outcome.messages, Lines{Box(c.message)});
        EXPECT_EQ(outcome.focus, c.id);
        EXPECT_EQ(outcome.selectRequests, 0) << "an empty field is not selected";
    }
}

TEST_F(ValidationTest, OnlyTheFirstFaultyFieldIsReported) {
    Outcome outcome = PressOk({{IDC_HOUR, L"25"}, {IDC_MINUTE, L""}, {IDC_SNOOZE, L"x"}});
    EXPECT_EQ(outcome.messages, Lines{Box("Time setting Error.")});
    EXPECT_EQ(outcome.focus, IDC_HOUR);

    outcome = PressOk({{IDC_MINUTE, L"61"}, {IDC_REPEAT, L"99"}});
    EXPECT_EQ(outcome.messages, Lines{Box("Minutes setting Error.")});
    EXPECT_EQ(outcome.focus, IDC_MINUTE);
}

TEST_F(ValidationTest, ARingLimitTakenBeforeASnoozeFaultOutlivesTheClose) {
    Settings.Hour = 6;
    Settings.Minute = 30;
    Settings.UseBeep = kPlayWaveFile;
    Settings.VolCtrl = kVolumeFade15;
    Settings.Button = 1;
    wcscpy(Settings.Wave, L"ding");
    SettingsSnapshot before = SettingsNow();
    fake::device().windowsFolder = {{L"chimes.wav"}, {L"ding.wav"}};

    INT_PTR result = RunSettingsDialog([](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_HOUR, L"9");
        SetDlgItemTextW(dialog, IDC_REPEAT, L"3");
        SetDlgItemTextW(dialog, IDC_SNOOZE, L"");
        Click(dialog, IDC_BEEP);
        Click(dialog, IDC_BUTTONS);
        Click(dialog, IDC_NOSUSPEND);
        Click(dialog, IDC_DAY2);
        SendDlgItemMessageW(dialog, IDC_WAVE, CB_SETCURSEL, 0, 0);
        SendDlgItemMessageW(dialog, IDC_VOLUME, CB_SETCURSEL, 0, 0);
        Click(dialog, IDOK);
        EXPECT_EQ(fake::Calls("MessageBoxW"), Lines{Box("Please input a snooze interval.")});
        EXPECT_EQ(FocusedControl(dialog), IDC_SNOOZE);
        EXPECT_EQ(Settings.AlarmNum, 3);
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });

    EXPECT_EQ(result, IDCANCEL);
    // The ring limit and nothing else.
    SettingsSnapshot expected = before;
    expected.AlarmNum = 3;
    EXPECT_EQ(SettingsNow(), expected);
    EXPECT_TRUE(fake::device().shortcuts.empty());
    EXPECT_TRUE(fake::Calls("DeleteFileW").empty());
}

} // namespace

#include "settings/settings_dialog.h"

#include <cwchar>
#include <iterator>

#include "alerts/power.h"
#include "app/startup_shortcut.h" // the dialog's OK updates the Startup shortcut
#include "app/week_days.h"
#include "model/app_state.h"
#include "model/settings.h"
#include "model/text.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/shell.h"
#include "platform/sound.h"
#include "resources/resource.h"
#include "resources/version.h"

namespace {

const wchar_t kWavePattern[] = L"\\Windows\\*.wav";
const wchar_t kWaveEnding[] = L".wav";
constexpr size_t kWaveEndingChars = sizeof kWaveEnding / sizeof kWaveEnding[0] - 1;

void AppendItem(HWND list, const wchar_t* text) {
    // Appended at the end even in a sorted list, so items show in the order added.
    SendMessageW(list, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
}

void AppendNumbers(HWND list, int first, int last) {
    for (int n = first; n <= last; ++n) {
        wchar_t text[kTextChars];
        FormatText(text, kTextChars, L"%d", n);
        AppendItem(list, text);
    }
}

// Selects the item whose whole text equals `text` (in any letter case), or item 0 when there is
// none, so a stored value the list lacks shows as its first item.
void SelectText(HWND list, const wchar_t* text) {
    LRESULT found = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(text));
    SendMessageW(list, CB_SETCURSEL, found == CB_ERR ? 0 : found, 0);
}

void SelectNumber(HWND list, int32_t value) {
    wchar_t text[kTextChars];
    FormatText(text, kTextChars, L"%d", value);
    SelectText(list, text);
}

bool IsTicked(HWND dialog, int id) {
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetTicked(HWND dialog, int id, bool ticked) {
    SendDlgItemMessageW(dialog, id, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// The selected item's text into `out`; false when nothing is selected or the text would not fit.
bool SelectedText(HWND list, wchar_t* out, size_t count) {
    LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return false;
    LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR || static_cast<size_t>(length) >= count)
        return false;
    return SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(out)) != CB_ERR;
}

void FillWaveList(HWND list) {
    SetWindowLongW(list, GWL_STYLE, GetWindowLongW(list, GWL_STYLE) | CBS_SORT);

    WIN32_FIND_DATAW found;
    HANDLE search = platform::FindFirstFileW(kWavePattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        size_t length = wcsnlen(found.cFileName, MAX_PATH);
        // The pattern also matches through short names, so "song.wave" comes back too: only a
        // name that ends in ".wav" (any case) is a file a ring can play by its base name.
        if (length < kWaveEndingChars ||
            _wcsicmp(found.cFileName + length - kWaveEndingChars, kWaveEnding) != 0)
            continue;
        // A name the list cannot hold whole is left out rather than listed cut: a cut name
        // would name another file, or none.
        if (length - kWaveEndingChars >= kTextChars)
            continue;
        wchar_t name[kTextChars];
        wmemset(name, L'\0', kTextChars);
        wmemcpy(name, found.cFileName, length - kWaveEndingChars);
        // Names are listed, and so stored, in lower case; the list's lookup ignores case.
        CharLowerW(name);
        AppendItem(list, name);
    } while (platform::FindNextFileW(search, &found));
    platform::FindClose(search);
}

void FillLedList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_LEDNUM);
    int32_t count = GetLedCount();
    if (count <= 0) {
        // No LEDs, or a driver that cannot tell: nothing to blink. The field is cleared at once
        // so a ring never asks for an LED that is not there.
        EnableWindow(GetDlgItem(dialog, IDC_LED), FALSE);
        ShowWindow(list, SW_HIDE);
        Settings.LedBlink = kNoLed;
        return;
    }
    AppendNumbers(list, 1, count);
    SelectNumber(list, Settings.LedBlink);
    if (count == 1)
        ShowWindow(list, SW_HIDE); // the box alone says it all
    bool blinking = Settings.LedBlink > kNoLed;
    SetTicked(dialog, IDC_LED, blinking);
    EnableWindow(list, blinking);
}

// The row of day toggles begins with the first day of the user's week: the day of the toggle at
// `position`.
int32_t DayAt(int32_t firstDay, int32_t position) {
    return (firstDay + position) % 7;
}

void FillDayRow(HWND dialog) {
    int32_t first = FirstDayOfWeek(LOCALE_USER_DEFAULT);
    for (int32_t position = 0; position < 7; ++position) {
        int32_t day = DayAt(first, position);
        wchar_t name[kTextChars];
        if (DayName(LOCALE_USER_DEFAULT, DayNames::Shortest, day, name, kTextChars))
            SetDlgItemTextW(dialog, IDC_DAY1 + position, name);
        SetTicked(dialog, IDC_DAY1 + position, (RepeatDays() >> day) & 1);
    }
}

int32_t TickedDays(HWND dialog) {
    int32_t first = FirstDayOfWeek(LOCALE_USER_DEFAULT);
    int32_t days = kRingOnce;
    for (int32_t position = 0; position < 7; ++position)
        if (IsTicked(dialog, IDC_DAY1 + position))
            days |= 1 << DayAt(first, position);
    return days;
}

// One of the four number fields and what it says when its text is wrong.
struct NumberField {
    int id;
    int32_t low, high;
    const wchar_t* characterError;
    const wchar_t* emptyError; // null: empty text means 0
    const wchar_t* rangeError;
};

const NumberField kHourField = {
    IDC_HOUR, 0, 23, L"Time setting Error.", L"Please input an hour.", L"Time setting Error."};
const NumberField kMinuteField = {IDC_MINUTE,
                                  0,
                                  59,
                                  L"Minutes setting Error.",
                                  L"Please input minutes.",
                                  L"Minutes setting Error."};
const NumberField kRepeatField = {
    IDC_REPEAT, 1,
    15,         L"Alarm repeat number Error.",
    nullptr,    L"Please choose the alarm repeat number between 1 and 15 times."};
const NumberField kSnoozeField = {IDC_SNOOZE,
                                  1,
                                  15,
                                  L"snooze interval setting error. ",
                                  L"Please input a snooze interval.",
                                  L"Please choose a snooze interval between 1 and 15 min."};

void Complain(HWND dialog, const wchar_t* text) {
    platform::MessageBoxW(dialog, text, nullptr, MB_OK | MB_ICONEXCLAMATION);
}

// Reads and checks one number field. On a fault it says so, puts the focus on the field and,
// unless the field was empty, selects its text for retyping; the result is then false.
bool ReadNumberField(HWND dialog, const NumberField& field, int32_t* value) {
    HWND control = GetDlgItem(dialog, field.id);
    wchar_t text[kTextChars] = {};
    GetWindowTextW(control, text, kTextChars);

    const wchar_t* error = nullptr;
    bool selectText = true;
    bool allDigits = true;
    for (const wchar_t* c = text; *c; ++c)
        if (*c < L'0' || *c > L'9')
            allDigits = false;

    if (!allDigits) {
        error = field.characterError;
    } else if (text[0] == L'\0') {
        if (!field.emptyError) {
            *value = 0;
            return true;
        }
        error = field.emptyError;
        selectText = false;
    } else {
        // Too many digits for 32 bits give the largest value, which is out of range too.
        long number = wcstol(text, nullptr, 10);
        if (number < field.low || number > field.high)
            error = field.rangeError;
        else
            *value = static_cast<int32_t>(number);
    }
    if (!error)
        return true;

    Complain(dialog, error);
    SetFocus(control);
    // The text sits in the combo box's edit field, which the box selects through its own
    // message.
    if (selectText)
        SendMessageW(control, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    return false;
}

} // namespace

void InitSettingsDialog(HWND dialog) {
    SetWindowTextW(dialog, L"Settings");

    HWND hour = GetDlgItem(dialog, IDC_HOUR);
    AppendNumbers(hour, 0, 23);
    SelectNumber(hour, Settings.Hour);

    HWND minute = GetDlgItem(dialog, IDC_MINUTE);
    AppendNumbers(minute, 0, 59);
    SelectNumber(minute, Settings.Minute);

    FillDayRow(dialog);

    // The empty first item stands for "no limit", and catches any value the list lacks.
    HWND repeat = GetDlgItem(dialog, IDC_REPEAT);
    AppendItem(repeat, L"");
    AppendNumbers(repeat, 1, 15);
    if (Settings.AlarmNum == kNoRingLimit)
        SelectText(repeat, L"");
    else
        SelectNumber(repeat, Settings.AlarmNum);

    HWND snooze = GetDlgItem(dialog, IDC_SNOOZE);
    AppendNumbers(snooze, 1, 15);
    SelectNumber(snooze, Settings.AlarmInterval);

    HWND wave = GetDlgItem(dialog, IDC_WAVE);
    FillWaveList(wave);
    SelectText(wave, Settings.Wave);

    bool beep = Settings.UseBeep == kPlayBeep;
    SetTicked(dialog, IDC_BEEP, beep);
    EnableWindow(wave, !beep);

    HWND volume = GetDlgItem(dialog, IDC_VOLUME);
    AppendItem(volume, L"None");
    AppendItem(volume, L"MAX Volume");
    AppendItem(volume, L"Fade-in 15sec");
    AppendItem(volume, L"Fade-in 30sec");
    // By index: a stored value outside the list shows no selection at all.
    SendMessageW(volume, CB_SETCURSEL, static_cast<WPARAM>(Settings.VolCtrl), 0);

    FillLedList(dialog);

    SetTicked(dialog, IDC_NOSUSPEND, Settings.NoSuspend != 0);
    SetTicked(dialog, IDC_SCREENOFF, Settings.ScreenOff != 0);
    SetTicked(dialog, IDC_BUTTONS, Settings.Button != 0);
}

void ApplyBeepRule(HWND dialog) {
    EnableWindow(GetDlgItem(dialog, IDC_WAVE), !IsTicked(dialog, IDC_BEEP));
}

void ApplyLedRule(HWND dialog) {
    EnableWindow(GetDlgItem(dialog, IDC_LEDNUM), IsTicked(dialog, IDC_LED));
}

void SetTimeToNow(HWND dialog) {
    SYSTEMTIME now;
    platform::GetLocalTime(&now);
    SelectNumber(GetDlgItem(dialog, IDC_HOUR), now.wHour);
    SelectNumber(GetDlgItem(dialog, IDC_MINUTE), now.wMinute);
}

void PreviewWave(HWND dialog) {
    platform::PlaySoundW(nullptr, AppState.instance, 0);
    wchar_t name[kPathChars];
    if (!SelectedText(GetDlgItem(dialog, IDC_WAVE), name, kPathChars))
        return;
    wchar_t path[kPathChars];
    if (!FormatText(path, kPathChars, L"\\Windows\\%ls.wav", name))
        return;
    // Once, without waiting, and silent when the file cannot be played.
    platform::PlaySoundW(path, AppState.instance,
                         SND_FILENAME | SND_ASYNC | SND_NODEFAULT | SND_NOWAIT);
}

void ShowVersionInfo(HWND dialog) {
    wchar_t banner[128];
    FormatText(banner, std::size(banner),
               L"Larchworks Chime Engine Ver. 2.1\n\n"
               L"%ls Ver. " DAWNBELL_VERSION_TEXT "\n"
               L"An alarm clock that wakes your handheld.",
               L"Dawnbell");
    platform::MessageBoxW(dialog, banner, L"Larchworks presents", MB_OK | MB_ICONINFORMATION);
}

void CommitSettings(HWND dialog) {
    int32_t hour = 0, minute = 0, repeat = 0, snooze = 0;
    if (!ReadNumberField(dialog, kHourField, &hour))
        return;
    if (!ReadNumberField(dialog, kMinuteField, &minute))
        return;
    if (!ReadNumberField(dialog, kRepeatField, &repeat))
        return;
    // Taken before the snooze field is read, so it stays even if that field is refused.
    Settings.AlarmNum = repeat;
    if (!ReadNumberField(dialog, kSnoozeField, &snooze))
        return;

    Settings.Hour = hour;
    Settings.Minute = minute;
    Settings.AlarmInterval = snooze;
    Settings.AlarmDays = TickedDays(dialog);
    // Taken even with the beep chosen; an empty list leaves the name as it was.
    wchar_t wave[kPathChars];
    if (SelectedText(GetDlgItem(dialog, IDC_WAVE), wave, kPathChars))
        CopyText(Settings.Wave, kPathChars, wave);
    Settings.UseBeep = IsTicked(dialog, IDC_BEEP) ? kPlayBeep : kPlayWaveFile;
    Settings.VolCtrl =
        static_cast<int32_t>(SendDlgItemMessageW(dialog, IDC_VOLUME, CB_GETCURSEL, 0, 0));

    // The dialog ends when this handler returns, so its controls can still be read below.
    EndDialog(dialog, IDOK);

    Settings.LedBlink = kNoLed;
    if (IsTicked(dialog, IDC_LED)) {
        wchar_t text[kTextChars] = {};
        GetDlgItemTextW(dialog, IDC_LEDNUM, text, kTextChars);
        Settings.LedBlink = static_cast<int32_t>(wcstol(text, nullptr, 10));
    }
    Settings.NoSuspend = IsTicked(dialog, IDC_NOSUSPEND) ? 1 : 0;
    UpdateStartupShortcut(Settings.NoSuspend);
    Settings.ScreenOff = IsTicked(dialog, IDC_SCREENOFF) ? 1 : 0;
    Settings.Button = IsTicked(dialog, IDC_BUTTONS) ? 1 : 0;
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        InitSettingsDialog(dialog);
        return TRUE; // the focus goes to the first tab stop, the hour
    }
    if (message != WM_COMMAND)
        return FALSE;

    switch (LOWORD(wParam)) {
    case IDOK:
        CommitSettings(dialog);
        break;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        break;
    case IDC_NOW:
        SetTimeToNow(dialog);
        break;
    }

    HWND sender = reinterpret_cast<HWND>(lParam);
    switch (HIWORD(wParam)) {
    case BN_CLICKED:
        if (sender == GetDlgItem(dialog, IDC_BEEP))
            ApplyBeepRule(dialog);
        else if (sender == GetDlgItem(dialog, IDC_LED))
            ApplyLedRule(dialog);
        else if (sender == GetDlgItem(dialog, IDC_VERSION))
            ShowVersionInfo(dialog);
        break;
    case CBN_SELCHANGE:
        if (sender == GetDlgItem(dialog, IDC_WAVE))
            PreviewWave(dialog);
        break;
    }
    return TRUE;
}

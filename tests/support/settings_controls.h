// The settings dialog's controls as the resource script lays them out, in template order, which
// is also their tab order: one table, read by the template test (from the resource bytes) and by
// the dialog test (from the windows of the running dialog).
#pragma once
#include "platform/win.h"

#include "resources/resource.h"

struct ControlSpec {
    int id;                   // -1 for a label
    const wchar_t* className; // "Button", "Static", "ComboBox"
    const wchar_t* text;      // as in the template (combo boxes have none); an icon as "#number"
    int x, y, cx, cy;         // dialog units
    DWORD style;
};

// The styles the resource script's statements give.
inline constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;
inline constexpr DWORD kLabel = kShown | WS_GROUP | SS_LEFT;
inline constexpr DWORD kTab = kShown | WS_TABSTOP;
inline constexpr DWORD kDropDown = kTab | CBS_DROPDOWN | CBS_SORT | WS_VSCROLL;
inline constexpr DWORD kList = kTab | CBS_DROPDOWNLIST | WS_VSCROLL;
inline constexpr DWORD kCheckBox = kTab | BS_AUTOCHECKBOX;
// A day of the row of toggles: named by the dialog, from the user's locale.
inline constexpr DWORD kDayToggle = kCheckBox | BS_PUSHLIKE;

inline constexpr wchar_t kSettingsCaption[] = L"Settings";

inline constexpr ControlSpec kSettingsControls[] = {
    {-1, L"Static", L"Se&t Alarm:", 6, 6, 34, 8, kLabel},
    {-1, L"Static", L":", 67, 6, 4, 8, kLabel},
    {IDC_HOUR, L"ComboBox", L"", 42, 4, 24, 68, kDropDown},
    {IDC_MINUTE, L"ComboBox", L"", 71, 4, 24, 68, kDropDown},
    {IDC_NOW, L"Button", L"N&ow", 97, 3, 26, 14, kTab | BS_PUSHBUTTON},
    {IDC_DAY1, L"Button", L"", 6, 19, 16, 11, kDayToggle},
    {IDC_DAY2, L"Button", L"", 22, 19, 16, 11, kDayToggle},
    {IDC_DAY3, L"Button", L"", 38, 19, 16, 11, kDayToggle},
    {IDC_DAY4, L"Button", L"", 54, 19, 16, 11, kDayToggle},
    {IDC_DAY5, L"Button", L"", 70, 19, 16, 11, kDayToggle},
    {IDC_DAY6, L"Button", L"", 86, 19, 16, 11, kDayToggle},
    {IDC_DAY7, L"Button", L"", 102, 19, 16, 11, kDayToggle},
    {IDC_REPEAT, L"ComboBox", L"", 67, 32, 24, 64, kDropDown},
    {-1, L"Static", L"Alarm &Repeat:", 6, 34, 59, 9, kLabel},
    {-1, L"Static", L"Snooze &Interval:", 6, 47, 58, 8, kLabel},
    {IDC_SNOOZE, L"ComboBox", L"", 67, 45, 24, 64, kDropDown},
    {-1, L"Static", L"Min.", 94, 47, 27, 8, kLabel},
    {-1, L"Static", L"&WAVE file:", 6, 60, 47, 8, kLabel},
    {IDC_WAVE, L"ComboBox", L"", 54, 58, 68, 65, kList | CBS_SORT},
    {IDC_BEEP, L"Button", L"Use built-in &BEEP sound", 6, 71, 95, 10, kCheckBox},
    {IDC_LED, L"Button", L"Blinking &LED", 6, 82, 77, 10, kCheckBox},
    {IDC_LEDNUM, L"ComboBox", L"", 87, 80, 24, 80, kList | CBS_SORT | CBS_NOINTEGRALHEIGHT},
    {-1, L"Static", L"Volume effect:", 6, 95, 49, 8, kLabel},
    {IDC_VOLUME, L"ComboBox", L"", 59, 93, 63, 49, kList},
    {IDC_NOSUSPEND, L"Button", L"&Suspend-mode disabled", 6, 106, 114, 10, kCheckBox},
    {IDC_SCREENOFF, L"Button", L"Screen OFF until next &Alarm", 6, 116, 114, 9, kCheckBox},
    {IDC_BUTTONS, L"Button", L"&Use buttons to stop Alarm", 6, 126, 116, 9,
     kCheckBox | BS_MULTILINE},
    {IDOK, L"Button", L"OK", 5, 137, 50, 13, kTab | BS_DEFPUSHBUTTON},
    {IDC_VERSION, L"Button", L"&Version Info. ...", 57, 137, 65, 13, kTab | BS_PUSHBUTTON},
};

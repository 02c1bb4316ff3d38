#include "cycle/ring_cycle.h"

#include <cstdint>
#include <cwchar>
#include <iterator>

#include "alerts/power.h"
#include "alerts/sound.h"
#include "app/main_window.h" // SetAlarmLabel: the ring cycle relabels the check box after OK
#include "cycle/registration.h"
#include "model/alarm_time.h"
#include "model/app_state.h"
#include "model/dialog_template.h"
#include "model/settings.h"
#include "model/text.h"
#include "platform/clock.h"
#include "resources/resource.h"
#include "settings/settings_dialog.h"
#include "store/settings_store.h"

namespace {

void ShowControl(HWND window, int id, bool show) {
    ShowWindow(GetDlgItem(window, id), show ? SW_SHOW : SW_HIDE);
}

// Arming starts the count of rings afresh: the ring limit counts the rings of this arming. A
// repeating alarm rings on the first of its days to come.
void Arm(HWND window) {
    AppState.snoozeRegistered = 0;
    Settings.AlarmCnt = 0;
    nextAlarm = alarmSetting;
    RegisterNextAlarm(window, kSchedule, RepeatDays());
    ShowControl(window, IDC_SETTINGS, false);
}

// The check box and the next-ring text say that no alarm is set any more; `line` says why.
void ShowNoAlarm(HWND window, const wchar_t* line) {
    SendDlgItemMessageW(window, IDC_ALARM, BM_SETCHECK, BST_UNCHECKED, 0);
    SetDlgItemTextW(window, IDC_NEXT, line);
    CopyText(Settings.strNext, kTextChars, line);
}

// The ring that the next-alarm line promised, as missed: "Missed: 2026/12/9 6:30". The line is
// stored, so it is known after any restart; false when it promised none ("No setting.",
// "Registration Error.").
bool MissedText(wchar_t (&text)[kTextChars]) {
    constexpr size_t lead = std::size(kNextLead) - 1;
    if (wcsncmp(Settings.strNext, kNextLead, lead) != 0)
        return false;
    FormatText(text, kTextChars, L"Missed: %ls", Settings.strNext + lead);
    return true;
}

// The alarm is off: no count of its rings, and nothing to keep the device awake for.
void EndAlarm(HWND window) {
    Settings.Alarm = 0;
    Settings.AlarmCnt = 0;
    SetKeepAwake(window, kOff);
}

} // namespace

void ToggleAlarm(HWND window) {
    Settings.Alarm = !Settings.Alarm;
    if (SendDlgItemMessageW(window, IDC_ALARM, BM_GETCHECK, 0, 0)) {
        SetKeepAwake(window, kOn);
        Arm(window);
        return;
    }
    SetKeepAwake(window, kOff);
    StopRinging(window);
    // Reset before the save that the removal makes, so the registry never keeps a count for
    // an alarm that is off.
    Settings.AlarmCnt = 0;
    RegisterNextAlarm(window, kCancel);
    ShowControl(window, IDC_SETTINGS, true);
}

void FireAlarm(HWND window) {
    if (!Settings.Alarm)
        return; // a late or stale notification
    AppState.snoozeRegistered = 0;

    bool lastRing = false;
    if (Settings.AlarmNum != kNoRingLimit) {
        // A count edited up to the largest value must still end the alarm, not wrap around.
        if (Settings.AlarmCnt < INT32_MAX)
            Settings.AlarmCnt += 1;
        lastRing = Settings.AlarmCnt >= Settings.AlarmNum;
    }
    // A repeating alarm's last ring does not end it: it goes on to the alarm time on its next day.
    bool movesOn = lastRing && RepeatDays() != kRingOnce;
    if (lastRing && !movesOn) {
        ShowNoAlarm(window, kNoSetting);
        // Still armed in the registry: a program that dies before this ring sounds is started
        // again by the system, and the count at the limit makes that start this same last ring.
        SaveSettings();
        EndAlarm(window);
    } else {
        if (movesOn) {
            nextAlarm = alarmSetting;
        } else {
            ClearAlarmTime(nextAlarm);
            ReadLocalTime(nextAlarm);
            AddMinutes(nextAlarm, Settings.AlarmInterval);
        }
        // Also saves the advanced count; for the next day still at the limit, so that a program
        // that dies before this ring sounds rings it as the last once more when started again.
        // The flag makes a hand-over of this same ring, while its next one is ahead, not ring
        // again: a snooze in its place would put off the next day's ring.
        AppState.snoozeRegistered =
            RegisterNextAlarm(window, kSchedule, movesOn ? RepeatDays() : kRingOnce) ? 1 : 0;
    }

    SetDisplayPower(window, kOn, kDelayed);
    ShowControl(window, IDC_SETTINGS, false);
    ShowControl(window, IDC_STOP, true);
    SendDlgItemMessageW(window, IDC_STOP, WM_SETFOCUS, 0, 0);
    StartSound();
    SetLed(Settings.LedBlink, QueryLedSupport());
    CaptureButtons(window, kOn);
    // The last ring is under way: from now on the alarm is off, or counts the rings of its next
    // day from none, also for a program started later, which must not come back armed with
    // nothing registered.
    if (lastRing) {
        if (movesOn)
            Settings.AlarmCnt = 0;
        SaveSettings();
    }
}

void StopRinging(HWND window) {
    ShowControl(window, IDC_STOP, false);
    StopSound();
    SetLed(Settings.LedBlink, platform::kLedOff);
    CaptureButtons(window, kOff);
    EndVolumeEffect();
}

void OpenSettings(HWND window) {
    StopSound();
    SetLed(Settings.LedBlink, platform::kLedOff);

    if (RunDialogTemplate(AppState.instance, IDD_SETTINGS, window, SettingsDialogProc) != IDOK)
        return;

    StopSound(); // ends a preview started in the dialog
    SetLed(Settings.LedBlink, platform::kLedOff);
    SetAlarmLabel(window);
    Settings.Alarm = 1;
    SendDlgItemMessageW(window, IDC_ALARM, BM_SETCHECK, BST_CHECKED, 0);
    Arm(window);
    SetKeepAwake(window, Settings.NoSuspend);
}

bool EndAlarmIfMissed(HWND window) {
    if (!Settings.Alarm || IsRingPending())
        return false;
    wchar_t missed[kTextChars] = {};
    bool known = MissedText(missed);
    if (RepeatDays() != kRingOnce) {
        // It is kept for its next day; the window tells the miss once the user sees it.
        if (known)
            CopyText(AppState.missedAlarm, kTextChars, missed);
        Arm(window);
        return false;
    }
    ShowNoAlarm(window, known ? missed : kNoSetting);
    EndAlarm(window);
    if (!IsWindowVisible(GetDlgItem(window, IDC_STOP)))
        ShowControl(window, IDC_SETTINGS, true);
    SaveSettings();
    return true;
}

bool IsRingAlreadyHandled() {
    // While the alarm is off nothing rings anyway, and arming it again clears the flag.
    if (!AppState.snoozeRegistered)
        return false;
    SYSTEMTIME now = {};
    platform::GetLocalTime(&now);
    FILETIME nowFile, dueFile;
    if (!SystemTimeToFileTime(&now, &nowFile) ||
        !SystemTimeToFileTime(&AppState.snoozeDue, &dueFile))
        return false;
    return CompareFileTime(&nowFile, &dueFile) < 0;
}

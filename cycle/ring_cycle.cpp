#include "cycle/ring_cycle.h"

#include <cstdint>

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

// Arming starts the count of rings afresh: the ring limit counts the rings of this arming.
void Arm(HWND window) {
    AppState.snoozeRegistered = 0;
    Settings.AlarmCnt = 0;
    nextAlarm = alarmSetting;
    RegisterNextAlarm(window, kSchedule);
    ShowControl(window, IDC_SETTINGS, false);
}

// The check box and the next-ring text say that no alarm is set any more.
void ShowNoAlarm(HWND window) {
    SendDlgItemMessageW(window, IDC_ALARM, BM_SETCHECK, BST_UNCHECKED, 0);
    SetDlgItemTextW(window, IDC_NEXT, kNoSetting);
    CopyText(Settings.strNext, kTextChars, kNoSetting);
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
    if (lastRing) {
        ShowNoAlarm(window);
        // Still armed in the registry: a program that dies before this ring sounds is started
        // again by the system, and the count at the limit makes that start this same last ring.
        SaveSettings();
        EndAlarm(window);
    } else {
        ClearAlarmTime(nextAlarm);
        ReadLocalTime(nextAlarm);
        AddMinutes(nextAlarm, Settings.AlarmInterval);
        // Also saves the advanced count.
        AppState.snoozeRegistered = RegisterNextAlarm(window, kSchedule) ? 1 : 0;
    }

    SetDisplayPower(window, kOn, kDelayed);
    ShowControl(window, IDC_SETTINGS, false);
    ShowControl(window, IDC_STOP, true);
    SendDlgItemMessageW(window, IDC_STOP, WM_SETFOCUS, 0, 0);
    StartSound();
    SetLed(Settings.LedBlink, QueryLedSupport());
    CaptureButtons(window, kOn);
    // The last ring is under way: from now on the alarm is off, also for a program started
    // later, which must not come back armed with nothing registered.
    if (lastRing)
        SaveSettings();
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
    ShowNoAlarm(window);
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

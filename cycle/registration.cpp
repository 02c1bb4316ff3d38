#include "cycle/registration.h"

#include "model/alarm_time.h"
#include "model/app_state.h"
#include "model/settings.h"
#include "model/text.h"
#include "platform/shell.h"
#include "platform/wakeup.h"
#include "resources/resource.h"
#include "store/settings_store.h"

namespace {

bool IsTimeOfDay(const AlarmTime& t) {
    return t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59;
}

// Without our own path there is nothing the system could start; an empty or cut path would name
// some other program.
bool ReadOwnPath(wchar_t (&path)[kPathChars]) {
    DWORD length = platform::GetModuleFileNameW(AppState.instance, path, kPathChars);
    return length > 0 && length < kPathChars;
}

} // namespace

void AcknowledgeAlarm() {
    wchar_t path[kPathChars] = {};
    if (ReadOwnPath(path))
        platform::CeHandleAppNotifications(path);
}

bool IsRingPending() {
    wchar_t path[kPathChars] = {};
    return !ReadOwnPath(path) || platform::IsAppNotificationPending(path);
}

bool RegisterNextAlarm(HWND window, int32_t cancel, int32_t days) {
    wchar_t path[kPathChars] = {};
    bool havePath = ReadOwnPath(path);

    wchar_t registered[kTextChars] = {};
    const wchar_t* line = kRegistrationError;
    bool timeKnown = false;
    if (!cancel) {
        AlarmTime now;
        ClearAlarmTime(now);
        ReadLocalTime(now);
        // An hour or minute out of range (an edited registry) must never become a
        // registration of a garbage time.
        if (IsTimeOfDay(nextAlarm)) {
            SYSTEMTIME time = NextOccurrence(now, nextAlarm, days);
            FormatText(registered, kTextChars, L"%ls%d/%d/%d %d:%02d", kNextLead, time.wYear,
                       time.wMonth, time.wDay, time.wHour, time.wMinute);
            AppState.snoozeDue = time;
            timeKnown = true;
            if (havePath && platform::CeRunAppAtTime(path, &time))
                line = registered;
        }
    } else if (havePath && platform::CeRunAppAtTime(path, nullptr)) {
        line = kNoSetting;
    }

    SetDlgItemTextW(window, IDC_NEXT, line);
    CopyText(Settings.strNext, kTextChars, line);
    SaveSettings();
    return timeKnown;
}

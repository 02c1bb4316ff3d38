#include "cycle/registration.h"
#include "app/app_state.h"
#include "model/alarm_time.h"
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

} // namespace

void RegisterNextAlarm(HWND window, int32_t cancel) {
    // Without our own path there is nothing the system could start; an empty or cut path
    // would register some other program.
    wchar_t path[kPathChars] = {};
    DWORD length = platform::GetModuleFileNameW(AppState.instance, path, kPathChars);
    bool havePath = length > 0 && length < kPathChars;

    wchar_t registered[kTextChars] = {};
    const wchar_t* line = kRegistrationError;
    if (!cancel) {
        AlarmTime now;
        ClearAlarmTime(now);
        ReadLocalTime(now);
        // An hour or minute out of range (an edited registry) must never become a
        // registration of a garbage time.
        if (IsTimeOfDay(nextAlarm)) {
            SYSTEMTIME time = NextOccurrence(now, nextAlarm);
            FormatText(registered, kTextChars, L"Next: %d/%d/%d %d:%02d", time.wYear, time.wMonth,
                       time.wDay, time.wHour, time.wMinute);
            if (havePath && platform::CeRunAppAtTime(path, &time))
                line = registered;
        }
    } else if (havePath && platform::CeRunAppAtTime(path, nullptr)) {
        line = kNoSetting;
    }

    SetDlgItemTextW(window, IDC_NEXT, line);
    CopyText(Settings.strNext, kTextChars, line);
    SaveSettings();
}

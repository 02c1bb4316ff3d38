#include "model/settings.h"

const wchar_t kNoSetting[] = L"No setting.";
const wchar_t kRegistrationError[] = L"Registration Error.";

// Before any load: full volume, five minutes of snooze, everything else off.
SettingsBlock Settings = {
    alarmSetting.hour, alarmSetting.minute, {}, 0, 1, 5, 0, {}, 0, 0, 0, 0, 0, 0, 0,
};

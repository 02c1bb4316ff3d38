// The alarm as a plain calendar record, and the arithmetic the alarm cycle needs on it.
#pragma once
#include "platform/win.h"

#include <cstdint>

struct AlarmTime {
    int32_t year;
    int32_t month;
    int32_t day;
    int32_t hour;
    int32_t minute;
    int32_t second;
};

// The alarm time the user chose (only hour and minute mean anything; they are the settings
// "Hour" and "Minute") and the time of the ring currently registered with the system.
extern AlarmTime alarmSetting;
extern AlarmTime nextAlarm;

// A set of weekdays: bit n stands for the day that SYSTEMTIME.wDayOfWeek numbers n, from bit 0
// Sunday to bit 6 Saturday. Higher bits mean nothing and are ignored.
inline constexpr int32_t kAllWeekdays = 0x7F;

void ClearAlarmTime(AlarmTime& t);
void ReadLocalTime(AlarmTime& t);
void AddMinutes(AlarmTime& t, int32_t minutes);
void AdvanceOneDay(AlarmTime& t);
// The day of the week of t's date: 0 Sunday to 6 Saturday.
int32_t DayOfWeek(const AlarmTime& t);
// The next time target's hour and minute come after now: today while that minute is still
// ahead, otherwise tomorrow; with `days` (a set of weekdays) the first such day whose weekday is
// in the set, at most a week on.
SYSTEMTIME NextOccurrence(const AlarmTime& now, const AlarmTime& target, int32_t days = 0);

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

void ClearAlarmTime(AlarmTime& t);
void ReadLocalTime(AlarmTime& t);
void AddMinutes(AlarmTime& t, int32_t minutes);
void AdvanceOneDay(AlarmTime& t);
SYSTEMTIME NextOccurrence(const AlarmTime& now, const AlarmTime& target);

#include "model/alarm_time.h"

#include "platform/clock.h"

AlarmTime alarmSetting = {};
AlarmTime nextAlarm = {};

void ClearAlarmTime(AlarmTime& t) {
    t = AlarmTime{};
}

void ReadLocalTime(AlarmTime& t) {
    SYSTEMTIME st = {};
    platform::GetLocalTime(&st);
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
}

// The snooze interval comes from the registry, where nothing bounds it, so any non-negative
// interval is carried fully instead of by one step: the result is always a valid time of day.
// The sums are taken in 64 bits, so even the largest 32-bit interval cannot overflow.
void AddMinutes(AlarmTime& t, int32_t minutes) {
    if (minutes < 0)
        return;
    int64_t total = static_cast<int64_t>(t.minute) + minutes;
    if (total <= 59) {
        t.minute = static_cast<int32_t>(total);
        return;
    }
    int64_t hours = static_cast<int64_t>(t.hour) + total / 60;
    t.minute = static_cast<int32_t>(total % 60);
    t.hour = static_cast<int32_t>(hours % 24);
    for (int64_t days = hours / 24; days > 0; --days)
        AdvanceOneDay(t);
}

static bool IsLeapYear(int32_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

void AdvanceOneDay(AlarmTime& t) {
    t.day += 1;
    switch (t.month) {
    case 2:
        if (t.day > (IsLeapYear(t.year) ? 29 : 28)) {
            t.month = 3;
            t.day = 1;
        }
        break;
    case 12:
        if (t.day > 31) {
            t.month = 1;
            t.day = 1;
            t.year += 1;
        }
        break;
    case 4:
    case 6:
    case 9:
    case 11:
        if (t.day > 30) {
            t.month += 1;
            t.day = 1;
        }
        break;
    default:
        if (t.day > 31) {
            t.month += 1;
            t.day = 1;
        }
        break;
    }
}

// Zeller's congruence for the Gregorian calendar, with January and February counted as months
// 13 and 14 of the year before; it gives 0 for Saturday. In 64 bits, so no year can overflow.
int32_t DayOfWeek(const AlarmTime& t) {
    int64_t year = t.year, month = t.month;
    if (month < 3) {
        month += 12;
        year -= 1;
    }
    int64_t fromSaturday =
        (t.day + 13 * (month + 1) / 5 + year + year / 4 - year / 100 + year / 400) % 7;
    return static_cast<int32_t>((fromSaturday + 13) % 7);
}

SYSTEMTIME NextOccurrence(const AlarmTime& now, const AlarmTime& target, int32_t days) {
    AlarmTime day = now;
    int32_t difference = (target.hour - now.hour) * 60 - now.minute + target.minute;
    // The current minute counts as passed: the alarm would otherwise be registered for a
    // moment that is already here.
    if (difference <= 0)
        AdvanceOneDay(day);
    days &= kAllWeekdays;
    if (days) {
        // Some day of any seven in a row is in the set, so this takes at most six steps.
        for (int32_t weekday = DayOfWeek(day); !(days & (1 << weekday));
             weekday = (weekday + 1) % 7)
            AdvanceOneDay(day);
    }
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(day.year);
    st.wMonth = static_cast<WORD>(day.month);
    st.wDay = static_cast<WORD>(day.day);
    st.wHour = static_cast<WORD>(target.hour);
    st.wMinute = static_cast<WORD>(target.minute);
    return st;
}

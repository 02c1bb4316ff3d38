#include "app/clock_format.h"

int FormatClockTime(LCID locale, const SYSTEMTIME *time, wchar_t *text, int chars) {
    // In a 24-hour locale both flags change nothing; in a 12-hour one the hours run 0 to 23 and
    // the marker with its separator goes, like the alarm label's "17:12".
    return GetTimeFormatW(locale, TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER, time, nullptr, text,
                          chars);
}

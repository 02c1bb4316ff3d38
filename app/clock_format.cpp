#include "app/clock_format.h"

#include <cwchar>
#include <cwctype>

int FormatClockTime(LCID locale, const SYSTEMTIME* time, wchar_t* text, int chars) {
    // In a 24-hour locale both flags change nothing; in a 12-hour one the hours run 0 to 23 and
    // the marker with its separator goes, like the alarm label's "17:12".
    int written = GetTimeFormatW(locale, TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER, time, nullptr,
                                 text, chars);
    if (written <= 0)
        return written;
    // A locale whose marker stands before the time ("오전 3:53:23") leaves the blank that
    // separated it: the clock is centred, so any blank around it shows as an offset.
    int length = static_cast<int>(wcslen(text));
    int end = length;
    while (end > 0 && iswspace(text[end - 1]))
        --end;
    int begin = 0;
    while (begin < end && iswspace(text[begin]))
        ++begin;
    if (begin > 0 || end < length) {
        wmemmove(text, text + begin, end - begin);
        text[end - begin] = L'\0';
    }
    return end - begin + 1;
}

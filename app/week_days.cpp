#include "app/week_days.h"

#include <cwchar>

#include "model/settings.h"
#include "model/text.h"

namespace {

// The locale numbers its day names from Monday.
bool LocaleDayName(LCID locale, LCTYPE mondayName, int32_t day, wchar_t* out, int chars) {
    return GetLocaleInfoW(locale, mondayName + (day + 6) % 7, out, chars) > 0;
}

} // namespace

int32_t FirstDayOfWeek(LCID locale) {
    // "0" is Monday to "6" Sunday.
    wchar_t first[4] = {};
    if (GetLocaleInfoW(locale, LOCALE_IFIRSTDAYOFWEEK, first, 4) <= 0 || first[0] < L'0' ||
        first[0] > L'6')
        return 0;
    return (first[0] - L'0' + 1) % 7;
}

bool DayName(LCID locale, DayNames names, int32_t day, wchar_t* out, int chars) {
    // Older systems have only the abbreviated names.
    return (names == DayNames::Shortest &&
            LocaleDayName(locale, LOCALE_SSHORTESTDAYNAME1, day, out, chars)) ||
           LocaleDayName(locale, LOCALE_SABBREVDAYNAME1, day, out, chars);
}

void DescribeDays(LCID locale, int32_t days, DayNames names, wchar_t* out, size_t chars) {
    if (chars == 0)
        return;
    out[0] = L'\0';
    int32_t first = FirstDayOfWeek(locale);
    auto chosen = [&](int32_t position) { return (days >> (first + position) % 7) & 1; };
    auto append = [&](wchar_t separator, int32_t position) {
        wchar_t name[kTextChars] = {};
        DayName(locale, names, (first + position) % 7, name, kTextChars);
        size_t length = wcslen(out);
        FormatText(out + length, chars - length, L"%lc%ls", separator, name);
    };
    wchar_t separator = L' ';
    for (int32_t position = 0; position < 7;) {
        if (!chosen(position)) {
            ++position;
            continue;
        }
        int32_t run = 1;
        while (position + run < 7 && chosen(position + run))
            ++run;
        append(separator, position);
        if (run >= 3)
            append(L'-', position + run - 1);
        else if (run == 2)
            append(L',', position + 1);
        separator = L',';
        position += run;
    }
}

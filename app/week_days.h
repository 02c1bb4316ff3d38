// The user's week from the locale: its first day, the names of its days, and the alarm's days
// written short.
#pragma once
#include "platform/win.h"

#include <cstddef>
#include <cstdint>

// Days are numbered as SYSTEMTIME.wDayOfWeek numbers them: 0 Sunday to 6 Saturday.

// The first day of `locale`'s week; Sunday when the locale cannot tell.
int32_t FirstDayOfWeek(LCID locale);
// Which of the locale's names a day goes by: "Mon", or the shortest, "Mo" (the abbreviated one
// where the system has no shortest).
enum class DayNames { Abbreviated, Shortest };
bool DayName(LCID locale, DayNames names, int32_t day, wchar_t* out, int chars);
// The days of the set `days` in `locale`'s week order, each run of three or more days as its
// first and last ("Mon-Fri"), the others one by one ("Sat,Sun"), after a blank: " Mon-Fri".
// Empty for no day. Always terminated, cut to fit.
void DescribeDays(LCID locale, int32_t days, DayNames names, wchar_t* out, size_t chars);

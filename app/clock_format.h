// The text of the main window's clock.
#pragma once
#include "platform/win.h"

// Formats `time` in the locale's time format, always on the 24-hour clock and without a time
// marker: the clock field has no room for " PM", and a cut-off "5:12:19" would read as morning.
// Returns what GetTimeFormatW returns (0 on failure, leaving `text` as it was).
int FormatClockTime(LCID locale, const SYSTEMTIME* time, wchar_t* text, int chars);

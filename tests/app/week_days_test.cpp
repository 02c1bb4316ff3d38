// The alarm's days written short, in the order of named locales' weeks.
#include <gtest/gtest.h>

#include "app/week_days.h"
#include "tests/support/fake_device.h"

namespace {

// Runs of three days or more are shortened, pairs and single days listed, bits that name no day
// ignored; the week begins on Sunday in en-US and on Monday in de-DE.
TEST(WeekDays, TheDaysAreWrittenShortInTheOrderOfTheWeek) {
    const LCID us = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
    const LCID de = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
    const DayNames abbreviated = DayNames::Abbreviated;
    const struct {
        LCID locale;
        int32_t days; // bit 0 Sunday to bit 6 Saturday
        DayNames names;
        const wchar_t* text;
    } cases[] = {
        {us, 0, abbreviated, L""},
        {us, 0x3E, abbreviated, L" Mon-Fri"},
        {us, 0x3E, DayNames::Shortest, L" Mo-Fr"},
        {us, 0x41, abbreviated, L" Sun,Sat"},
        {de, 0x41, abbreviated, L" Sa.,So."},
        {de, 0x7F, abbreviated, L" Mo.-So."},
        {us, 0x17 | ~0x7F, abbreviated, L" Sun-Tue,Thu"},
        {us, 0x76, abbreviated, L" Mon,Tue,Thu-Sat"},
    };
    for (const auto& c : cases) {
        wchar_t text[64];
        DescribeDays(c.locale, c.days, c.names, text, 64);
        EXPECT_STREQ(text, c.text);
    }
    wchar_t cut[6];
    DescribeDays(us, 0x3E, abbreviated, cut, 6);
    EXPECT_STREQ(cut, L" Mon-");
}

} // namespace

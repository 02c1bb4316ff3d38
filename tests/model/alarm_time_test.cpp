#include <gtest/gtest.h>
#include <iterator>

#include "model/alarm_time.h"
#include "model/text.h"
#include "tests/support/fake_device.h"

namespace {

AlarmTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return AlarmTime{year, month, day, hour, minute, second};
}

std::string Date(const AlarmTime& t) {
    char text[64];
    snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
             t.minute, t.second);
    return text;
}

std::string Date(const SYSTEMTIME& t) {
    char text[64];
    snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d.%03d dow%d", t.wYear, t.wMonth, t.wDay,
             t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek);
    return text;
}

std::string NextDay(AlarmTime t) {
    AdvanceOneDay(t);
    return Date(t);
}

TEST(AdvanceOneDay, FollowsTheLeapYearRules) {
    EXPECT_EQ(NextDay(At(2000, 2, 28)), "2000-02-29 00:00:00"); // divisible by 400
    EXPECT_EQ(NextDay(At(1900, 2, 28)), "1900-03-01 00:00:00"); // by 100, not by 400
    EXPECT_EQ(NextDay(At(2100, 2, 28)), "2100-03-01 00:00:00");
    EXPECT_EQ(NextDay(At(2004, 2, 28)), "2004-02-29 00:00:00");
    EXPECT_EQ(NextDay(At(2004, 2, 29)), "2004-03-01 00:00:00");
    EXPECT_EQ(NextDay(At(2005, 2, 28)), "2005-03-01 00:00:00");
}

TEST(AdvanceOneDay, CrossesMonthAndYearEndsAndKeepsTheTimeOfDay) {
    EXPECT_EQ(NextDay(At(2005, 12, 31, 23, 55, 7)), "2006-01-01 23:55:07");
    EXPECT_EQ(NextDay(At(2005, 4, 30)), "2005-05-01 00:00:00");
    EXPECT_EQ(NextDay(At(2005, 6, 30)), "2005-07-01 00:00:00");
    EXPECT_EQ(NextDay(At(2005, 9, 30)), "2005-10-01 00:00:00");
    EXPECT_EQ(NextDay(At(2005, 11, 30)), "2005-12-01 00:00:00");
    EXPECT_EQ(NextDay(At(2005, 1, 31)), "2005-02-01 00:00:00");
    EXPECT_EQ(NextDay(At(2005, 7, 31)), "2005-08-01 00:00:00");
    EXPECT_EQ(NextDay(At(2005, 1, 30)), "2005-01-31 00:00:00");
    EXPECT_EQ(NextDay(At(2005, 4, 29)), "2005-04-30 00:00:00");
}

TEST(AddMinutes, CarriesIntoTheHourTheDayAndTheYear) {
    AlarmTime t = At(2005, 6, 2, 10, 50);
    AddMinutes(t, 10);
    EXPECT_EQ(Date(t), "2005-06-02 11:00:00");

    t = At(2005, 6, 2, 23, 55);
    AddMinutes(t, 10);
    EXPECT_EQ(Date(t), "2005-06-03 00:05:00");

    t = At(2005, 12, 31, 23, 59);
    AddMinutes(t, 1);
    EXPECT_EQ(Date(t), "2006-01-01 00:00:00");

    t = At(2005, 6, 2, 7, 0);
    AddMinutes(t, 0);
    EXPECT_EQ(Date(t), "2005-06-02 07:00:00");
}

TEST(AddMinutes, NormalisesIntervalsLongerThanAnHour) {
    // A snooze interval read from an edited registry is not limited to the dialog's 1..15.
    AlarmTime t = At(2005, 2, 28, 22, 30);
    AddMinutes(t, 150);
    EXPECT_EQ(Date(t), "2005-03-01 01:00:00");

    t = At(2005, 12, 31, 23, 0);
    AddMinutes(t, 60 * 49 + 5);
    EXPECT_EQ(Date(t), "2006-01-03 00:05:00");
}

TEST(AddMinutes, TheLargestIntervalsCarryWithoutOverflow) {
    // 2147483647 minutes are some 4083 years: a valid date and time, not a wrapped minute.
    AlarmTime t = At(2026, 12, 8, 23, 59);
    AddMinutes(t, INT32_MAX);
    EXPECT_EQ(Date(t), "6110-01-01 02:06:00");

    t = At(2005, 6, 2, 7, 30);
    AddMinutes(t, INT32_MAX - 1);
    EXPECT_EQ(Date(t), "6088-06-24 09:36:00");
}

TEST(NextOccurrence, TodayOnlyWhenTheAlarmMinuteIsStillAhead) {
    AlarmTime target = At(0, 0, 0, 7, 1);
    EXPECT_EQ(Date(NextOccurrence(At(2005, 6, 2, 7, 0, 59), target)),
              "2005-06-02 07:01:00.000 dow0");
    EXPECT_EQ(Date(NextOccurrence(At(2005, 6, 2, 7, 1, 0), target)),
              "2005-06-03 07:01:00.000 dow0");
    EXPECT_EQ(Date(NextOccurrence(At(2005, 6, 2, 7, 1, 30), target)),
              "2005-06-03 07:01:00.000 dow0");
    EXPECT_EQ(Date(NextOccurrence(At(2005, 6, 2, 23, 55), At(0, 0, 0, 0, 5))),
              "2005-06-03 00:05:00.000 dow0");
    EXPECT_EQ(Date(NextOccurrence(At(2005, 12, 31, 9, 0), At(0, 0, 0, 6, 30))),
              "2006-01-01 06:30:00.000 dow0");
    EXPECT_EQ(Date(NextOccurrence(At(2004, 2, 28, 9, 0), At(0, 0, 0, 23, 59))),
              "2004-02-28 23:59:00.000 dow0");
}

// A 7:00 alarm on chosen weekdays (bit 0 Sunday to bit 6 Saturday): the first of them to come.
TEST(NextOccurrence, OnChosenDaysTheFirstOfThemToCome) {
    const int32_t sun = 1, mon = 2, tue = 4, thu = 16, sat = 64, workdays = 0x3E;
    struct Case {
        AlarmTime now;
        int32_t days;
        const char* next;
    } cases[] = {
        {At(2026, 12, 12, 9, 0), workdays, "2026-12-14"}, // a Saturday: Monday
        {At(2026, 11, 30, 8, 0), workdays, "2026-12-01"}, // a month's end
        {At(2027, 12, 31, 8, 0), workdays, "2028-01-03"}, // a year's, on a Friday
        {At(2028, 2, 28, 8, 0), tue, "2028-02-29"},       // a leap day
        {At(2000, 2, 28, 8, 0), tue, "2000-02-29"},       // another, in a year of 400
        {At(2100, 2, 28, 8, 0), mon, "2100-03-01"},       // none in a year of 100
        {At(2026, 12, 12, 9, 0), sun, "2026-12-13"},      // bit 0
        {At(2026, 12, 11, 9, 0), sat, "2026-12-12"},      // bit 6
        {At(2026, 12, 8, 6, 59, 59), tue, "2026-12-08"},  // a Tuesday: today, still ahead
        {At(2026, 12, 8, 7, 0), tue, "2026-12-15"},       // a week on, once it has come
        {At(2026, 12, 8, 7, 0), 0x7F, "2026-12-09"},      // every day
        {At(2026, 12, 8, 7, 0), ~0x7F, "2026-12-09"},     // bits that name no day
        {At(2026, 12, 8, 7, 0), ~0x7F | thu, "2026-12-10"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Date(NextOccurrence(c.now, At(0, 0, 0, 7, 0), c.days)),
                  std::string(c.next) + " 07:00:00.000 dow0")
            << Date(c.now) << " days " << c.days;
}

TEST(ReadLocalTime, WidensTheClockAndDropsWeekdayAndMilliseconds) {
    fake::Reset();
    fake::device().clock = SYSTEMTIME{2026, 12, 2, 8, 23, 59, 58, 999};
    AlarmTime t = At(1, 1, 1, 1, 1, 1);
    ReadLocalTime(t);
    EXPECT_EQ(Date(t), "2026-12-08 23:59:58");
}

TEST(FormatText, CutsAndTerminatesWhatDoesNotFit) {
    wchar_t buffer[8];
    EXPECT_TRUE(FormatText(buffer, std::size(buffer), L"%d:%02d", 7, 5));
    EXPECT_STREQ(buffer, L"7:05");
    EXPECT_FALSE(FormatText(buffer, std::size(buffer), L"%ls", L"abcdefgh"));
    EXPECT_STREQ(buffer, L"abcdefg");
    CopyText(buffer, 4, L"abcdef");
    EXPECT_STREQ(buffer, L"abc");
}

} // namespace

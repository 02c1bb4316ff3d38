// The wall-clock rule against the real conversions, in a time zone of this test process's own:
// CTest runs it once per zone with TZ set (Wine takes the zone from it), and each run checks
// that zone's rows. The 2027 nights: New York 14 March and 7 November, Berlin 28 March and 31
// October, Sydney 3 October and 4 April.
#include <gtest/gtest.h>
#include <string>

#include "runat/store.h"
#include "runat/wall_clock.h"
#include "tests/support/real_processes.h"

namespace {

struct Row {
    const wchar_t* zone;
    SYSTEMTIME local;
    SYSTEMTIME made; // UTC; year 0 for a registration of an older version (made not known)
    SYSTEMTIME due;  // UTC; year 0 for none
    const char* what;
};

constexpr wchar_t kNewYork[] = L"America/New_York";
constexpr wchar_t kBerlin[] = L"Europe/Berlin";
constexpr wchar_t kSydney[] = L"Australia/Sydney";
constexpr wchar_t kKolkata[] = L"Asia/Kolkata";

// Year, month, day, hour, minute, second.
constexpr SYSTEMTIME At(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s = 0) {
    return {y, mo, 0, d, h, mi, s, 0};
}
constexpr SYSTEMTIME kUnknown = {};

const Row kRows[] = {
    {kNewYork, At(2027, 3, 14, 2, 30), kUnknown, At(2027, 3, 14, 7, 0),
     "in the spring gap: when it ends, 3:00 EDT"},
    {kNewYork, At(2027, 3, 14, 2, 30), At(2027, 3, 14, 6, 59), At(2027, 3, 14, 7, 0),
     "armed at 1:59 EST for the gap: not taken for a missed alarm"},
    {kNewYork, At(2027, 3, 14, 2, 5), At(2027, 3, 14, 6, 55), At(2027, 3, 14, 7, 0),
     "a snooze from 1:55 into the gap"},
    {kNewYork, At(2027, 3, 14, 1, 59), kUnknown, At(2027, 3, 14, 6, 59),
     "the gap's last minute before"},
    {kNewYork, At(2027, 3, 14, 3, 0), kUnknown, At(2027, 3, 14, 7, 0), "the gap's end itself"},
    {kNewYork, At(2027, 11, 7, 1, 10), kUnknown, At(2027, 11, 7, 5, 10),
     "the repeated hour, made before it: the first 1:10 (EDT)"},
    {kNewYork, At(2027, 11, 7, 1, 10), At(2027, 11, 7, 6, 9), At(2027, 11, 7, 6, 10),
     "armed at the second 1:09: 1:10 EST, not the one an hour ago"},
    {kNewYork, At(2027, 11, 7, 1, 50), At(2027, 11, 7, 6, 9), At(2027, 11, 7, 6, 50),
     "a later minute of the repeated hour: not 45 minutes early"},
    {kNewYork, At(2027, 11, 7, 1, 30), At(2027, 11, 7, 5, 40), At(2027, 11, 7, 5, 40),
     "made at 1:40 EDT, the clock already past 1:30: at once"},
    {kNewYork, At(2027, 7, 1, 6, 30), At(2027, 6, 30, 22, 0), At(2027, 7, 1, 10, 30), "summer"},
    {kNewYork, At(2027, 13, 1, 6, 30), kUnknown, kUnknown, "no calendar time"},
    {kBerlin, At(2027, 3, 28, 2, 30), kUnknown, At(2027, 3, 28, 1, 0),
     "in the spring gap: 3:00 CEST"},
    {kBerlin, At(2027, 10, 31, 2, 30), kUnknown, At(2027, 10, 31, 0, 30),
     "the repeated hour: the first 2:30 (CEST)"},
    {kBerlin, At(2027, 10, 31, 2, 30), At(2027, 10, 31, 1, 15), At(2027, 10, 31, 1, 30),
     "armed at the second 2:15: 2:30 CET"},
    {kBerlin, At(2027, 1, 15, 7, 0), kUnknown, At(2027, 1, 15, 6, 0), "winter"},
    {kSydney, At(2027, 10, 3, 2, 30), kUnknown, At(2027, 10, 2, 16, 0),
     "in the southern spring gap: 3:00 AEDT"},
    {kSydney, At(2027, 4, 4, 2, 30), kUnknown, At(2027, 4, 3, 15, 30),
     "the southern repeated hour: the first 2:30 (AEDT)"},
    {kSydney, At(2027, 4, 4, 2, 30), At(2027, 4, 3, 16, 10), At(2027, 4, 3, 16, 30),
     "armed at the second 2:10: 2:30 AEST"},
    {kSydney, At(2027, 7, 1, 6, 30), kUnknown, At(2027, 6, 30, 20, 30), "southern winter"},
    {kKolkata, At(2027, 3, 14, 2, 30), kUnknown, At(2027, 3, 13, 21, 0),
     "no daylight saving, half-hour offset"},
    {kKolkata, At(2027, 11, 7, 1, 10), kUnknown, At(2027, 11, 6, 19, 40), "nothing repeated"},
    {kKolkata, At(2027, 3, 14, 2, 30), At(2027, 3, 13, 21, 5), At(2027, 3, 13, 21, 5),
     "made after it: at once"},
};

ULONGLONG Utc(const SYSTEMTIME& time) {
    if (time.wYear == 0)
        return 0;
    FILETIME file;
    EXPECT_TRUE(SystemTimeToFileTime(&time, &file));
    return FromFileTime(file);
}

std::string Text(const SYSTEMTIME& time) {
    char text[32];
    snprintf(text, std::size(text), "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth,
             time.wDay, time.wHour, time.wMinute, time.wSecond);
    return text;
}

TEST(WallClock, ARegisteredLocalTimeComesAtItsFirstShowingAfterItWasMade) {
    wchar_t zone[64] = {};
    GetEnvironmentVariableW(L"TZ", zone, static_cast<DWORD>(std::size(zone)));
    int checked = 0;
    for (const Row& row : kRows) {
        if (wcscmp(row.zone, zone) != 0)
            continue;
        ++checked;
        ULONGLONG due = 0;
        bool found = runat::DueInstant(row.local, Utc(row.made), &due);
        EXPECT_EQ(row.due.wYear != 0, found) << row.what;
        if (found && row.due.wYear != 0) {
            FILETIME file = ToFileTime(due);
            SYSTEMTIME got;
            FileTimeToSystemTime(&file, &got);
            EXPECT_EQ(Utc(row.due), due) << row.what << ": " << Text(row.local) << " came at "
                                         << Text(got) << " UTC, not " << Text(row.due);
        }
    }
    if (checked == 0)
        GTEST_SKIP() << "no rows for this zone; CTest runs this with TZ set";
}

// The clock was set back since the registration was made: it was made by now, and so comes at
// the clock's next showing of its time, not days later.
TEST(WallClock, ARegistrationFromBeforeTheClockWasSetBackComesByTheClockNow) {
    runat::Registration record = {At(2027, 7, 1, 6, 30), Utc(At(2027, 7, 3, 0, 0))};
    const ULONGLONG now = Utc(At(2027, 6, 30, 0, 0));
    ULONGLONG due = 0, expected = 0;
    ASSERT_TRUE(
        runat::RegistrationDue(reinterpret_cast<const BYTE*>(&record), sizeof record, now, &due));
    ASSERT_TRUE(runat::DueInstant(record.local, now, &expected));
    EXPECT_EQ(expected, due);
    EXPECT_LT(due, record.made);
}

} // namespace

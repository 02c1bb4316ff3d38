#include <iterator>
#include <string>

#include "app/clock_format.h"
#include "resources/resource.h"
#include "tests/support/test_support.h"

namespace {

const LCID kEnglishUs = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
const LCID kGerman = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
const LCID kKorean = MAKELCID(MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN), SORT_DEFAULT);

std::wstring Clock(LCID locale, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME time = fake::Time(2026, 12, 8, hour, minute, second);
    wchar_t text[64] = {};
    EXPECT_GT(FormatClockTime(locale, &time, text, static_cast<int>(std::size(text))), 0);
    return text;
}

// en-US's own format is "h:mm:ss tt": the hours must not repeat after noon, and nothing of the
// marker may be left for the narrow clock field to cut.
TEST(ClockFormat, ATwelveHourLocaleShowsTheTwentyFourHourTimeWithoutMarker) {
    EXPECT_EQ(Clock(kEnglishUs, 17, 12, 19), L"17:12:19");
    EXPECT_EQ(Clock(kEnglishUs, 5, 12, 19), L"5:12:19");
    EXPECT_EQ(Clock(kEnglishUs, 0, 0, 0), L"0:00:00");
    EXPECT_EQ(Clock(kEnglishUs, 12, 30, 5), L"12:30:05");
    EXPECT_EQ(Clock(kEnglishUs, 23, 59, 59), L"23:59:59");
}

// A 24-hour locale keeps its own format, leading zero included.
TEST(ClockFormat, ATwentyFourHourLocaleKeepsItsFormat) {
    EXPECT_EQ(Clock(kGerman, 17, 12, 19), L"17:12:19");
    EXPECT_EQ(Clock(kGerman, 5, 2, 9), L"05:02:09");
}

// ko-KR puts its marker in front ("tt h:mm:ss"): no blank is left where it stood.
TEST(ClockFormat, NoBlankIsLeftWhereAMarkerInFrontStood) {
    EXPECT_EQ(Clock(kKorean, 3, 53, 23), L"3:53:23");
    EXPECT_EQ(Clock(kKorean, 15, 53, 23), L"15:53:23");
}

class ClockFieldTest : public ProgramTest {};

// The window's clock uses the user's locale: whatever it is, an afternoon time reads as one.
TEST_F(ClockFieldTest, TheWindowShowsAnAfternoonTimeOnTheTwentyFourHourClock) {
    fake::device().clock = fake::Time(2026, 12, 8, 17, 12, 19);
    bool ran = false;
    RunProgram(L"", [&](HWND window) {
        ran = true;
        std::wstring clock = ControlText(window, IDC_CLOCK);
        EXPECT_EQ(clock.substr(0, 6), L"17:12:");
        EXPECT_EQ(clock.find(L'M'), std::wstring::npos) << "a time marker is left: " << clock;
        PostQuitMessage(0);
    });
    EXPECT_TRUE(ran);
}

} // namespace

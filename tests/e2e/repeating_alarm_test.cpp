// A repeating alarm through real processes: rung by the system's start it stays armed for its
// next chosen day; missed, it goes on to that day and tells the miss; a missed one-time alarm
// tells it in its line. The built dawnbell.exe and its service.
#include <gtest/gtest.h>

#include "tests/e2e/e2e_dialogs.h"
#include "tests/e2e/e2e_support.h"

namespace {

class RepeatingAlarm : public ::testing::Test {
  protected:
    void SetUp() override { CleanSlate(); }
    void TearDown() override { CleanSlate(); }
};

bool Checked(HWND window) {
    return SendDlgItemMessageW(window, IDC_ALARM, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

TEST_F(RepeatingAlarm, RingsGoesOnToItsNextDayAndAMissIsTold) {
    // Its one day is the day after tomorrow: at any hour today, and tomorrow too should midnight
    // pass meanwhile, its next ring is that day's 6:30.
    SYSTEMTIME day = AddMinutes(LocalAtUtc(UtcNow()), 2 * 24 * 60);
    day.wHour = 6;
    day.wMinute = 30;
    StoreArmedAlarm(1, false);
    WriteSetting(L"AlarmDays", 1u << day.wDayOfWeek);
    Program rung = Start(kProgramExe, kAlarmToken);
    HWND window = WaitForMainWindow(rung.process.dwProcessId);
    ASSERT_TRUE(ShowsRing(window));
    std::wstring next = WindowText(GetDlgItem(window, IDC_NEXT));
    EXPECT_EQ(next, NextAlarmText(day));
    EXPECT_TRUE(Checked(window));
    EXPECT_EQ(ReadSetting(L"AlarmCnt"), 0u);
    rung.Kill();

    // The service no longer holds it, and the line promised a ring that did not come.
    const wchar_t kPromised[] = L"Next: 2026/12/8 6:30";
    for (DWORD days : {1u << day.wDayOfWeek, 0u}) {
        runat::RemoveRegistration(ProgramPath().c_str());
        WriteSetting(L"AlarmDays", days);
        WriteSettingText(L"strNext", kPromised);
        Program opened = Start(kProgramExe, L"");
        if (days) {
            HWND box = WaitForDialog(opened.process.dwProcessId, L"Missed alarm");
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(MessageText(box), L"Missed: 2026/12/8 6:30");
        }
        window = WaitForMainWindow(opened.process.dwProcessId);
        ASSERT_TRUE(WaitUntil([&] { return IsReady(window); }));
        EXPECT_EQ(WindowText(GetDlgItem(window, IDC_NEXT)),
                  days ? next : L"Missed: 2026/12/8 6:30");
        EXPECT_EQ(Checked(window), days != 0);
        EXPECT_EQ(ReadSetting(L"Alarm"), days ? 1u : 0u);
        opened.Kill();
    }
}

} // namespace

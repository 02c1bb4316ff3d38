#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/e2e/e2e_support.h"

namespace {

class RealProgram : public ::testing::Test {
  protected:
    void SetUp() override { CleanSlate(); }
    void TearDown() override {
        first.Kill();
        second.Kill();
        CleanSlate();
    }
    Program first, second;
};

// "Next: y/m/d h:mm" of five minutes after `from`.
std::wstring SnoozeText(const SYSTEMTIME& from) {
    return NextAlarmText(AddMinutes(from, 5));
}

// The ring's snooze text, allowing for a minute that turned while it rang.
void ExpectSnoozeFrom(const SYSTEMTIME& before, HWND window) {
    SYSTEMTIME after;
    GetLocalTime(&after);
    std::wstring next = WindowText(GetDlgItem(window, IDC_NEXT));
    EXPECT_TRUE(next == SnoozeText(before) || next == SnoozeText(after))
        << std::string(next.begin(), next.end());
}

// Armed, resident, ringing every five minutes without a limit.
void StoreResidentAlarm() {
    StoreArmedAlarm(0, true);
}

TEST_F(RealProgram, ASecondStartWithTheAlarmTokenShowsTheHiddenInstanceAndRingsIt) {
    StoreResidentAlarm();
    first = Start(kProgramExe, L"");
    HWND window = WaitForMainWindow(first.process.dwProcessId);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(ControlVisible(window, IDC_SETTINGS));

    SendMessageW(window, WM_CLOSE, 0, 0); // resident: hides
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }));
    EXPECT_FALSE(first.WaitForExit(0));

    SYSTEMTIME before;
    GetLocalTime(&before);
    second = Start(kProgramExe, kAlarmToken);
    ASSERT_TRUE(second.WaitForExit(kPatience)); // it hands over and ends
    DWORD exitCode = 99;
    GetExitCodeProcess(second.process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);

    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(ControlVisible(window, IDC_STOP));
    ExpectSnoozeFrom(before, window);

    // The clock runs again after the hand-over.
    std::wstring shown = WindowText(GetDlgItem(window, IDC_CLOCK));
    EXPECT_TRUE(
        WaitUntil([&] { return WindowText(GetDlgItem(window, IDC_CLOCK)) != shown; }, 3000));
}

TEST_F(RealProgram, ASecondStartWithoutTheTokenOnlyShowsTheRunningInstance) {
    first = Start(kProgramExe, L"");
    HWND window = WaitForMainWindow(first.process.dwProcessId);
    ASSERT_NE(window, nullptr);
    second = Start(kProgramExe, kStartupToken);
    ASSERT_TRUE(second.WaitForExit(kPatience));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(ControlVisible(window, IDC_STOP));
    EXPECT_TRUE(ControlVisible(window, IDC_SETTINGS));
    EXPECT_FALSE(first.WaitForExit(0));
}

TEST_F(RealProgram, AStartAfterTheFirstEndedIsAFirstInstanceAgain) {
    first = Start(kProgramExe, L"");
    HWND window = WaitForMainWindow(first.process.dwProcessId);
    ASSERT_NE(window, nullptr);
    SendMessageW(window, WM_CLOSE, 0, 0); // not armed: the program ends
    ASSERT_TRUE(first.WaitForExit(kPatience));

    second = Start(kProgramExe, L"");
    HWND again = WaitForMainWindow(second.process.dwProcessId);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(IsWindowVisible(again));
    EXPECT_FALSE(second.WaitForExit(0));
}

TEST_F(RealProgram, StartedByTheSystemAnArmedAlarmRingsAndRegistersTheSnooze) {
    StoreResidentAlarm();
    WriteSetting(L"NoSuspend", 0);
    SYSTEMTIME before;
    GetLocalTime(&before);
    first = Start(kProgramExe, kAlarmToken);
    HWND window = WaitForMainWindow(first.process.dwProcessId);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(ControlVisible(window, IDC_STOP));
    EXPECT_FALSE(ControlVisible(window, IDC_SETTINGS));
    ExpectSnoozeFrom(before, window);

    SendMessageW(GetDlgItem(window, IDC_STOP), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !ControlVisible(window, IDC_STOP); }, 3000));
}

TEST_F(RealProgram, AStartupStartEndsWhenTheAlarmIsNotArmed) {
    first = Start(kProgramExe, kStartupToken);
    EXPECT_TRUE(first.WaitForExit(kPatience));
}

} // namespace

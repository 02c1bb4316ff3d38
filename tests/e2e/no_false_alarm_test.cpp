// The window never promises a ring that will not come, and one alarm gives one ring: a missed
// alarm opens disarmed, two copies of the program started for the same alarm ring once, a
// resident program brings its dead service back, a hung running instance does not swallow the
// alarm, and a start at logon racing the system's start never hides the ring. Real processes:
// the built dawnbell.exe and its service.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "runat/store.h"
#include "tests/e2e/e2e_support.h"

namespace {

using runat::kSecond;

class NoFalseAlarm : public ::testing::Test {
  protected:
    void SetUp() override { CleanSlate(); }
    void TearDown() override {
        Thaw(kProgramExe);
        CleanSlate();
    }
};

bool Checked(HWND window) {
    return SendMessageW(GetDlgItem(window, IDC_ALARM), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Starts a resident instance and closes its window into hiding; its process id.
DWORD StartHiddenResident(Program* program) {
    *program = Start(kProgramExe, L"");
    HWND window = WaitForMainWindow(program->process.dwProcessId);
    EXPECT_TRUE(WaitUntil([&] { return IsReady(window); }));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }));
    return program->process.dwProcessId;
}

TEST_F(NoFalseAlarm, AMissedAlarmOpensDisarmedAndAResidentOneEndsOnTheNextCheck) {
    // Armed, but the service holds no ring for it any more (dropped as hours late).
    StoreArmedAlarm(3, false);
    WriteSetting(L"AlarmCnt", 2);
    runat::RemoveRegistration(ProgramPath().c_str());
    Program user = Start(kProgramExe, L"");
    HWND window = WaitForMainWindow(user.process.dwProcessId);
    ASSERT_TRUE(WaitUntil([&] { return IsReady(window); }));
    EXPECT_FALSE(Checked(window));
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_NEXT)), L"No setting.");
    EXPECT_TRUE(ControlVisible(window, IDC_SETTINGS));
    EXPECT_EQ(ReadSetting(L"Alarm"), 0u);
    EXPECT_EQ(ReadSetting(L"AlarmCnt"), 0u);
    user.Kill();

    // A hidden resident instance whose ring is dropped meanwhile: a start-up start makes it look
    // again, and it ends without showing anything.
    CleanSlate();
    StoreArmedAlarm(3, true);
    Program resident;
    StartHiddenResident(&resident);
    runat::RemoveRegistration(ProgramPath().c_str());
    Program check = Start(kProgramExe, kStartupToken);
    EXPECT_TRUE(check.WaitForExit(kPatience));
    EXPECT_TRUE(resident.WaitForExit(kPatience)) << "a hidden instance with nothing to wait for";
    EXPECT_EQ(ReadSetting(L"Alarm"), 0u);
}

TEST_F(NoFalseAlarm, TwoCopiesStartedForTheSameAlarmRingOnce) {
    // A portable copy beside the installed one, sharing the settings, each with its registration.
    std::wstring folder = BuildFolder() + L"second copy\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring copy = folder + kProgramExe;
    ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), copy.c_str(), FALSE));
    std::wstring copyService = folder + runat::kServiceExe;
    ASSERT_TRUE(
        CopyFileW((BuildFolder() + runat::kServiceExe).c_str(), copyService.c_str(), FALSE));
    StoreArmedAlarm(15, false);
    ULONGLONG due = UtcNow() + 1 * kSecond;
    RegisterAt(due);
    RegisterAt(due, copy);
    ASSERT_TRUE(Start(runat::kServiceExe, L"").Started());
    ASSERT_TRUE(WaitUntil([&] { return ReadSetting(L"AlarmCnt") >= 1; }));
    EXPECT_TRUE(WaitUntil([&] { return !DeliveryPending() && !DeliveryPending(copy); }))
        << "both alarms taken over";
    // The service would start a copy whose alarm was not taken over again every two seconds.
    Sleep(Milliseconds(3 * runat::kRedeliveryPause));
    EXPECT_EQ(ReadSetting(L"AlarmCnt"), 1u);
    EXPECT_EQ(ProcessesNamed(kProgramExe).size(), 1u);
    CleanSlate();
    DeleteFileW(copy.c_str());
    DeleteFileW(copyService.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(NoFalseAlarm, AResidentInstanceBringsItsDeadServiceBackAndRings) {
    StoreArmedAlarm(0, true);
    Program resident;
    DWORD pid = StartHiddenResident(&resident);
    ASSERT_TRUE(WaitUntil([] { return !ProcessesNamed(runat::kServiceExe).empty(); }));
    KillHard(runat::kServiceExe);
    ASSERT_TRUE(ProcessesNamed(runat::kServiceExe).empty());
    RegisterAt(UtcNow() + 1 * kSecond);
    // The keep-awake timer (10 s) finds the service gone and starts it; it fires what came due.
    EXPECT_TRUE(WaitUntil([&] { return Ringing(pid) && !DeliveryPending(); }, 30000));
    EXPECT_EQ(ReadSetting(L"AlarmCnt"), 0u) << "no limit: not counted";
}

TEST_F(NoFalseAlarm, AHungRunningInstanceDoesNotSwallowTheAlarm) {
    StoreArmedAlarm(15, true);
    Program resident;
    DWORD pid = StartHiddenResident(&resident);
    Freeze(kProgramExe);
    // The system's start cannot hand over to it: it gives up within seconds, without taking the
    // alarm over, so that the system starts it again.
    Program blocked = Start(kProgramExe, kAlarmToken);
    EXPECT_TRUE(blocked.WaitForExit(20000));
    EXPECT_EQ(ReadSetting(L"AlarmCnt"), 0u);
    Thaw(kProgramExe);
    Program later = Start(kProgramExe, kAlarmToken);
    EXPECT_TRUE(later.WaitForExit(kPatience));
    EXPECT_TRUE(WaitUntil([&] { return Ringing(pid); }));
    Sleep(500); // a hand-over that was late to arrive rings no second time
    EXPECT_EQ(ReadSetting(L"AlarmCnt"), 1u);
}

TEST_F(NoFalseAlarm, WithoutTheReadyEventASecondStartStillHandsOver) {
    // Another object holds the event's name, so neither instance can make the event.
    HANDLE squatter = CreateMutexW(nullptr, FALSE, kReadyEvent);
    ASSERT_NE(squatter, nullptr);
    StoreArmedAlarm(15, true);
    Program resident;
    DWORD pid = StartHiddenResident(&resident);
    Program system = Start(kProgramExe, kAlarmToken);
    EXPECT_TRUE(system.WaitForExit(kPatience));
    EXPECT_TRUE(WaitUntil([&] { return Ringing(pid); }));
    EXPECT_EQ(ReadSetting(L"AlarmCnt"), 1u);
    CloseHandle(squatter);
}

TEST_F(NoFalseAlarm, AStartAtLogonRacingTheSystemsStartNeverHidesTheRing) {
    for (DWORD gap : {0u, 10u, 25u, 50u, 75u, 100u}) {
        SCOPED_TRACE(gap);
        CleanSlate();
        StoreArmedAlarm(15, false);
        Program logon = Start(kProgramExe, kStartupToken);
        Sleep(gap);
        Program system = Start(kProgramExe, kAlarmToken);
        DWORD ringing = 0;
        ASSERT_TRUE(WaitUntil([&] {
            for (DWORD pid : {logon.process.dwProcessId, system.process.dwProcessId})
                if (Ringing(pid))
                    ringing = pid;
            return ringing != 0;
        }));
        Sleep(700);
        EXPECT_TRUE(Ringing(ringing)) << "the ring was hidden";
        EXPECT_EQ(ReadSetting(L"AlarmCnt"), 1u);
    }
}

} // namespace

// An armed alarm survives what can go wrong around it: the program killed at any moment of its
// start and ring, a user's start racing the system's, a dead run-at-time service, another
// program's look-alike windows. Real processes: the built dawnbell.exe and its service.
#include <functional>
#include <gtest/gtest.h>
#include <optional>

#include "resources/resource.h"
#include "runat/store.h"
#include "tests/e2e/e2e_support.h"

namespace {

class AlarmDelivery : public ::testing::Test {
  protected:
    void SetUp() override { CleanSlate(); }
    void TearDown() override { CleanSlate(); }
};

// Fifteen rings: every ring advances the stored count.
void StoreCountedAlarm() {
    StoreArmedAlarm(15, false);
}

// The one dawnbell.exe that runs, or 0 when none or several do.
DWORD OnlyProgram() {
    std::vector<DWORD> running = ProcessesNamed(kProgramExe);
    return running.size() == 1 ? running[0] : 0;
}

// A running instance as a second start sees it, played by this test: it holds the
// single-instance mutex, and later shows a main window that takes the hand-over.
class StartingInstance {
  public:
    StartingInstance() {
        mutex_ = CreateMutexW(nullptr, TRUE, kMutexName);
        ready_ = CreateEventW(nullptr, TRUE, FALSE, kReadyEvent);
    }
    ~StartingInstance() {
        if (window_)
            DestroyWindow(window_);
        End();
        CloseHandle(ready_);
    }
    // Its main window is there and initialised.
    void BecomeReady() {
        window_ = CreateWindowExW(0, kDialogClass, kWindowTitle, WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, nullptr, nullptr);
        SetPropW(window_, kMainWindowMark, reinterpret_cast<HANDLE>(1));
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Receive));
        // A real instance waits in its message loop: a queue left unread for seconds is taken
        // for hung, and a second start gives up on a hung instance.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        SetEvent(ready_);
    }
    // It ends without ever getting ready.
    void End() {
        if (!mutex_)
            return;
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
        mutex_ = nullptr;
    }
    // Waits for the alarm message, handling what is sent meanwhile.
    bool AlarmArrives(DWORD milliseconds) {
        return WaitUntil(
            [] {
                MSG message;
                while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessageW(&message);
                return alarms_ > 0;
            },
            milliseconds);
    }
    static int alarms_;

  private:
    static LRESULT CALLBACK Receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_ALARM)
            ++alarms_;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    HANDLE mutex_ = nullptr;
    HANDLE ready_ = nullptr;
    HWND window_ = nullptr;
};
int StartingInstance::alarms_ = 0;

TEST_F(AlarmDelivery, AProgramKilledAtAnyMomentOfItsRingRingsOnceAllTheSame) {
    struct Moment {
        const char* name;
        std::function<bool(DWORD)> reached;
        bool hard; // SIGKILL from outside Wine rather than an end from inside
    } moments[] = {
        // Held before its ring: the instance it waits for is this test's, not yet ready.
        {"as soon as it runs", [](DWORD) { return true; }, false},
        {"once its window exists", [](DWORD pid) { return MainWindowOf(pid) != nullptr; }, true},
        {"once it has counted the ring", [](DWORD) { return ReadSetting(L"AlarmCnt") == 1; }, true},
        {"once it rings", [](DWORD pid) { return Ringing(pid); }, false},
        {"once it has taken the alarm over",
         [](DWORD pid) { return Ringing(pid) && !DeliveryPending(); }, true},
    };
    int redelivered = 0, earlyRedelivered = 0;
    for (const Moment& moment : moments) {
        SCOPED_TRACE(moment.name);
        CleanSlate();
        StoreCountedAlarm();
        std::optional<StartingInstance> holder;
        if (&moment == &moments[0])
            holder.emplace();
        RegisterAt(UtcNow() + 300 * kMillisecond);
        Program service = Start(runat::kServiceExe, L"");
        ASSERT_TRUE(service.Started());
        DWORD killed = 0;
        ASSERT_TRUE(WaitUntil([&] { return (killed = OnlyProgram()) != 0; }));
        ASSERT_TRUE(WaitUntil([&] { return moment.reached(killed); }));
        if (moment.hard)
            KillHard(kProgramExe);
        else
            KillProcess(killed);
        holder.reset();
        ASSERT_TRUE(WaitUntil([&] { return OnlyProgram() != killed; }));

        DWORD countLeft = ReadSetting(L"AlarmCnt");
        if (DeliveryPending()) {
            // It died before it took the alarm over: the service starts it again, and that one
            // rings and takes it over.
            ++redelivered;
            earlyRedelivered += &moment == &moments[0];
            DWORD again = 0;
            EXPECT_TRUE(WaitUntil([&] {
                again = OnlyProgram();
                return again && again != killed && Ringing(again) && !DeliveryPending();
            }));
            EXPECT_EQ(ReadSetting(L"AlarmCnt"), countLeft + 1) << "one more ring, no more";
        } else {
            // It had rung and taken the alarm over: nothing starts again.
            Sleep(Milliseconds(runat::kRedeliveryPause) + 1000);
            EXPECT_TRUE(ProcessesNamed(kProgramExe).empty());
            EXPECT_EQ(countLeft, 1u);
        }
        service.Kill();
    }
    // A kill before the ring is delivered again (a hard kill takes a moment to land, so the later
    // moments may see either outcome).
    EXPECT_EQ(earlyRedelivered, 1);
    EXPECT_GE(redelivered, 1);
}

TEST_F(AlarmDelivery, AUserStartRacingTheSystemsStartGetsExactlyOneRing) {
    for (bool userFirst : {true, false}) {
        for (DWORD gap : {0u, 25u, 50u, 75u, 100u}) {
            SCOPED_TRACE((userFirst ? "user first, gap " : "system first, gap ") +
                         std::to_string(gap));
            CleanSlate();
            StoreCountedAlarm();
            Program first = Start(kProgramExe, userFirst ? L"" : kAlarmToken);
            Sleep(gap);
            Program second = Start(kProgramExe, userFirst ? kAlarmToken : L"");
            ASSERT_TRUE(first.Started() && second.Started());
            // One of them hands over to the other and ends; the other rings.
            EXPECT_TRUE(WaitUntil([&] {
                DWORD only = OnlyProgram();
                return only && Ringing(only);
            }));
            EXPECT_EQ(ReadSetting(L"AlarmCnt"), 1u);
            first.Kill();
            second.Kill();
        }
    }
}

TEST_F(AlarmDelivery, ASecondStartWaitsForAnInstanceThatIsStillStarting) {
    StoreCountedAlarm();
    StartingInstance::alarms_ = 0;
    StartingInstance starting;
    Program second = Start(kProgramExe, kAlarmToken);
    ASSERT_TRUE(second.Started());
    // Without a window to hand over to yet, it waits instead of ending with the alarm.
    EXPECT_FALSE(second.WaitForExit(700));
    starting.BecomeReady();
    EXPECT_TRUE(starting.AlarmArrives(kPatience));
    EXPECT_TRUE(second.WaitForExit(kPatience));
    EXPECT_EQ(StartingInstance::alarms_, 1);
}

TEST_F(AlarmDelivery, ASecondStartWhoseInstanceEndsWhileStartingRingsItself) {
    StoreCountedAlarm();
    StartingInstance starting;
    Program second = Start(kProgramExe, kAlarmToken);
    ASSERT_TRUE(second.Started());
    EXPECT_FALSE(second.WaitForExit(700));
    starting.End();
    EXPECT_TRUE(WaitUntil([&] { return Ringing(second.process.dwProcessId); }));
    EXPECT_EQ(ReadSetting(L"AlarmCnt"), 1u);
    second.Kill();
}

TEST_F(AlarmDelivery, OpeningTheProgramBringsADeadServiceBackAndItFiresWhatItMissed) {
    StoreCountedAlarm();
    Program service = Start(runat::kServiceExe, L"");
    ASSERT_TRUE(WaitUntil([] { return !ProcessesNamed(runat::kServiceExe).empty(); }));
    service.Kill();
    ASSERT_TRUE(ProcessesNamed(runat::kServiceExe).empty());
    // The alarm came due a minute ago, while no service ran.
    RegisterAt(UtcNow() - kMinute);

    Program user = Start(kProgramExe, L"");
    ASSERT_TRUE(user.Started());
    DWORD pid = user.process.dwProcessId;
    EXPECT_TRUE(WaitUntil([&] { return Ringing(pid) && !DeliveryPending(); }));
    EXPECT_TRUE(WaitUntil([&] { return OnlyProgram() == pid; }))
        << "the system's start handed over to the open window";
    EXPECT_EQ(ProcessesNamed(runat::kServiceExe).size(), 1u);
    EXPECT_EQ(ReadSetting(L"AlarmCnt"), 1u);
    user.Kill();
}

TEST_F(AlarmDelivery, TheAlarmGoesToDawnbellNotToAnotherProgramsLookAlikeWindow) {
    StoreCountedAlarm();
    WriteSetting(L"NoSuspend", 1);
    Program first = Start(kProgramExe, L"");
    HWND window = WaitForMainWindow(first.process.dwProcessId);
    ASSERT_TRUE(WaitUntil([&] { return IsReady(window); }));

    std::wstring log = BuildFolder() + L"lookalike.exe.log";
    DeleteFileW(log.c_str());
    Program other = Start(L"lookalike.exe", L"");
    ASSERT_TRUE(WaitUntil([] {
        return FindWindowW(kDialogClass, kLookalikeDocument) ||
               FindWindowW(nullptr, kLookalikeDocument);
    }));
    // Its windows are in front of ours now, one with our very title.
    ASSERT_TRUE(WaitUntil([&] {
        HWND top = FindWindowW(kDialogClass, kWindowTitle);
        DWORD pid = 0;
        GetWindowThreadProcessId(top, &pid);
        return pid == other.process.dwProcessId;
    }));

    Program second = Start(kProgramExe, kAlarmToken);
    ASSERT_TRUE(second.WaitForExit(kPatience));
    EXPECT_TRUE(ControlVisible(window, IDC_STOP));
    EXPECT_EQ(ReadSetting(L"AlarmCnt"), 1u);
    EXPECT_EQ(GetFileAttributesW(log.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the other program was sent the alarm message";
    other.Kill();
    first.Kill();
    DeleteFileW(log.c_str());
}

TEST_F(AlarmDelivery, AStartupStartOnAnArmedAlarmEndsHidden) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        CleanSlate();
        StoreCountedAlarm();
        Program program = Start(kProgramExe, kStartupToken);
        HWND window = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            window = MainWindowOf(program.process.dwProcessId);
            return IsReady(window);
        }));
        // Shown by the dialog loop for a moment at most, then hidden for good: a hide that came
        // before that show would leave it shown.
        Sleep(500);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); })) << attempt;
        Sleep(500);
        EXPECT_FALSE(IsWindowVisible(window)) << attempt;
        EXPECT_FALSE(program.WaitForExit(0)) << "hidden, not ended";
        program.Kill();
    }
}

// "Next: y/m/d h:mm" of the ring registered `minutes` after the local time `from`: the next
// time the time of day of that moment comes, today or tomorrow.
std::wstring NextText(const SYSTEMTIME& from, ULONGLONG minutes) {
    SYSTEMTIME at = AddMinutes(from, minutes);
    SYSTEMTIME day = (at.wHour * 60 + at.wMinute > from.wHour * 60 + from.wMinute)
                         ? from
                         : AddMinutes(from, 24 * 60);
    at.wYear = day.wYear;
    at.wMonth = day.wMonth;
    at.wDay = day.wDay;
    return NextAlarmText(at);
}

TEST_F(AlarmDelivery, TheLargestStoredCountAndSnoozeStillGiveARightRing) {
    // A count at the largest value is past any limit: this ring is the last.
    StoreCountedAlarm();
    WriteSetting(L"AlarmNum", 3);
    WriteSetting(L"AlarmCnt", 2147483647);
    Program last = Start(kProgramExe, kAlarmToken);
    HWND window = WaitForMainWindow(last.process.dwProcessId);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(ControlVisible(window, IDC_STOP));
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_NEXT)), L"No setting.");
    EXPECT_EQ(SendMessageW(GetDlgItem(window, IDC_ALARM), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(ReadSetting(L"Alarm"), 0u);
    last.Kill();

    // The largest snooze interval is some 4083 years: its time of day is registered, not an
    // error.
    CleanSlate();
    StoreCountedAlarm();
    WriteSetting(L"AlarmNum", 0);
    WriteSetting(L"AlarmInterval", 2147483647);
    SYSTEMTIME before;
    GetLocalTime(&before);
    Program snooze = Start(kProgramExe, kAlarmToken);
    window = WaitForMainWindow(snooze.process.dwProcessId);
    ASSERT_NE(window, nullptr);
    SYSTEMTIME after;
    GetLocalTime(&after);
    std::wstring next = WindowText(GetDlgItem(window, IDC_NEXT));
    EXPECT_TRUE(next == NextText(before, 2147483647) || next == NextText(after, 2147483647))
        << std::string(next.begin(), next.end());
    snooze.Kill();
}

} // namespace

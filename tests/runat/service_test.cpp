// The run-at-time service as real processes: dawnbell_runat.exe started by the tests or by
// CeRunAppAtTime, and copies of runat_probe.exe for it to start. Each test runs a service
// instance of its own, with its own registrations, and stops it afterwards.
#include "runat/store.h"
#include "platform/wakeup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr ULONGLONG kMillisecond = 10000; // in 100 ns units
constexpr ULONGLONG kSecond = 1000 * kMillisecond;
// Waiting for something that should happen: long enough for a loaded machine.
constexpr DWORD kPatience = 10000;

std::wstring BuildFolder() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

template <class Condition> bool WaitFor(Condition condition, DWORD milliseconds = kPatience) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start > milliseconds)
            return false;
        Sleep(20);
    }
}

SYSTEMTIME LocalAtUtc(ULONGLONG utc) {
    FILETIME file = {static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)};
    SYSTEMTIME universal, local;
    FileTimeToSystemTime(&file, &universal);
    SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local);
    return local;
}


struct Start {
    ULONGLONG utc;
    std::wstring commandLine;
};

// The starts that the probe at `program` recorded.
std::vector<Start> StartsOf(const std::wstring& program) {
    std::vector<Start> starts;
    HANDLE file = CreateFileW((program + L".started").c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return starts;
    std::wstring text;
    wchar_t buffer[512];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read / sizeof(wchar_t));
    CloseHandle(file);
    size_t begin = 0, end;
    while ((end = text.find(L'\n', begin)) != std::wstring::npos) {
        std::wstring line = text.substr(begin, end - begin);
        size_t blank = line.find(L' ');
        if (blank != std::wstring::npos)
            starts.push_back({wcstoull(line.c_str(), nullptr, 10), line.substr(blank + 1)});
        begin = end + 1;
    }
    return starts;
}

bool HasDelivery(const std::wstring& program, runat::Delivery* delivery = nullptr) {
    runat::Delivery stored;
    DWORD size = sizeof stored;
    LONG result = RegGetValueW(HKEY_CURRENT_USER, runat::DeliveryKey(), program.c_str(),
                               RRF_RT_REG_BINARY, nullptr, &stored, &size);
    if (result == ERROR_SUCCESS && delivery)
        *delivery = stored;
    return result == ERROR_SUCCESS;
}

bool HasRegistration(const std::wstring& program, SYSTEMTIME* time = nullptr) {
    SYSTEMTIME stored;
    DWORD size = sizeof stored;
    LONG result = RegGetValueW(HKEY_CURRENT_USER, runat::StoreKey(), program.c_str(),
                               RRF_RT_REG_BINARY, nullptr, &stored, &size);
    if (result == ERROR_SUCCESS && time)
        *time = stored;
    return result == ERROR_SUCCESS;
}

DWORD RegistrationCount() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, runat::StoreKey(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return 0;
    DWORD values = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return values;
}

void WriteValue(LPCWSTR name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, runat::StoreKey(), 0, nullptr, 0,
                                             KEY_SET_VALUE, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

HWND ServiceWindow() { return FindWindowW(runat::kWindowClass, runat::WindowTitle()); }

// Closes the service window of the current instance and waits for its process to end; ends
// it by force if it does not.
void StopService() {
    HWND window = ServiceWindow();
    if (!window)
        return;
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id);
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (process) {
        if (WaitForSingleObject(process, kPatience) != WAIT_OBJECT_0)
            TerminateProcess(process, 1);
        CloseHandle(process);
    }
}

class RunAtService : public ::testing::Test {
  protected:
    void SetUp() override {
        static int serial = 0;
        instance_ = L"t" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
        ASSERT_TRUE(runat::SetInstance(instance_.c_str()));
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"dawnbell runat " + instance_ + L"\\";
        CreateDirectoryW(folder_.c_str(), nullptr);
        // The probes that the service starts take their alarm over in this instance.
        SetEnvironmentVariableW(L"DAWNBELL_RUNAT_INSTANCE", instance_.c_str());
    }

    void TearDown() override {
        // A service started by CeRunAppAtTime may still be on its way up.
        if (serviceExpected_)
            WaitFor([] { return ServiceWindow() != nullptr; });
        StopService();
        for (HANDLE process : processes_) {
            if (WaitForSingleObject(process, kPatience) != WAIT_OBJECT_0)
                TerminateProcess(process, 1);
            CloseHandle(process);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, runat::StoreKey());
        RegDeleteKeyValueW(HKEY_CURRENT_USER, runat::kRunKey, runat::ServiceName());
        for (const std::wstring& file : files_)
            DeleteFileW(file.c_str());
        RemoveDirectoryW(folder_.c_str());
        runat::SetInstance(L"");
    }

    // A copy of the probe program under `name` (blanks welcome) in this test's folder.
    std::wstring Probe(const std::wstring& name) {
        std::wstring path = folder_ + name + L".exe";
        EXPECT_TRUE(CopyFileW((BuildFolder() + L"runat_probe.exe").c_str(), path.c_str(), FALSE));
        files_.push_back(path);
        files_.push_back(path + L".started");
        files_.push_back(path + L".fail");
        files_.push_back(path + L".hold");
        return path;
    }

    // A probe with one of its control files (".fail", ".hold") set to `number`, registered for a
    // moment from now.
    std::wstring ProbeDueSoon(const std::wstring& name, const wchar_t* ending, DWORD number) {
        std::wstring program = Probe(name);
        Control(program, ending, number);
        SYSTEMTIME local = LocalAtUtc(runat::UtcNow() + 300 * kMillisecond);
        EXPECT_TRUE(Register(program, &local));
        return program;
    }

    // Writes a number into one of the probe's control files (".fail", ".hold").
    void Control(const std::wstring& program, const wchar_t* ending, DWORD number) {
        std::string text = std::to_string(number);
        HANDLE file = CreateFileW((program + ending).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
    }

    // Registers through the program's own call, which starts the service when needed.
    BOOL Register(const std::wstring& program, const SYSTEMTIME* time) {
        BOOL done = platform::CeRunAppAtTime(program.c_str(), time);
        if (done && time)
            serviceExpected_ = true;
        return done;
    }

    // Starts a service process of this instance; its handle is kept until the end of the test.
    HANDLE LaunchService() {
        std::wstring exe = BuildFolder() + runat::kServiceExe;
        std::wstring commandLine = L"\"" + exe + L"\" " + instance_;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        // Wine now and then loses a process while it starts (error 1359): try again.
        BOOL started = FALSE;
        for (int attempt = 0; attempt < 3 && !started; ++attempt) {
            started = CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                                     DETACHED_PROCESS, nullptr, nullptr, &startup, &process);
            if (!started)
                Sleep(100);
        }
        EXPECT_TRUE(started) << "error " << GetLastError();
        CloseHandle(process.hThread);
        processes_.push_back(process.hProcess);
        return process.hProcess;
    }

    HANDLE StartServiceAndWait() {
        HANDLE process = LaunchService();
        EXPECT_TRUE(WaitFor([] { return ServiceWindow() != nullptr; }));
        return process;
    }

    std::wstring instance_;
    std::wstring folder_;
    std::vector<std::wstring> files_;
    std::vector<HANDLE> processes_;
    bool serviceExpected_ = false;
};

TEST_F(RunAtService, StartsTheProgramWithAppRunAtTimeOnTime) {
    std::wstring program = Probe(L"Alarm Probe");
    ASSERT_FALSE(runat::IsServiceRunning());
    ULONGLONG due = runat::UtcNow() + 600 * kMillisecond;
    SYSTEMTIME local = LocalAtUtc(due);
    ASSERT_TRUE(Register(program, &local));

    ASSERT_TRUE(WaitFor([&] { return !StartsOf(program).empty(); }));
    std::vector<Start> starts = StartsOf(program);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(L"\"" + program + L"\" AppRunAtTime", starts[0].commandLine);
    // Not before its time (allowing the clock's tick), and within a second of it.
    EXPECT_GE(starts[0].utc + 16 * kMillisecond, due);
    EXPECT_LE(starts[0].utc, due + kSecond);
    EXPECT_FALSE(HasRegistration(program)) << "a fired registration is used up";
}

TEST_F(RunAtService, TheCallStartsTheServiceAndEntersItForLogon) {
    std::wstring program = Probe(L"Probe");
    ASSERT_FALSE(runat::IsServiceRunning());
    SYSTEMTIME local = LocalAtUtc(runat::UtcNow() + 3600 * kSecond);
    ASSERT_TRUE(Register(program, &local));

    EXPECT_TRUE(WaitFor([] { return ServiceWindow() != nullptr; }));
    EXPECT_TRUE(runat::IsServiceRunning());
    SYSTEMTIME stored;
    ASSERT_TRUE(HasRegistration(program, &stored));
    EXPECT_EQ(0, memcmp(&local, &stored, sizeof local));

    wchar_t logon[MAX_PATH + 64] = {};
    DWORD size = sizeof logon;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, runat::kRunKey, runat::ServiceName(),
                                          RRF_RT_REG_SZ, nullptr, logon, &size));
    EXPECT_EQ(L"\"" + BuildFolder() + runat::kServiceExe + L"\" " + instance_, logon);
}

TEST_F(RunAtService, RegisteringAgainReplacesTheTime) {
    std::wstring postponed = Probe(L"Postponed");
    std::wstring advanced = Probe(L"Advanced");
    ULONGLONG now = runat::UtcNow();
    ULONGLONG soon = now + 1000 * kMillisecond;
    SYSTEMTIME soonLocal = LocalAtUtc(soon);
    SYSTEMTIME firstLocal = LocalAtUtc(soon + 600 * kMillisecond);
    SYSTEMTIME laterLocal = LocalAtUtc(now + 3600 * kSecond);

    ASSERT_TRUE(Register(postponed, &firstLocal));
    ASSERT_TRUE(Register(advanced, &laterLocal));
    ASSERT_TRUE(WaitFor([] { return ServiceWindow() != nullptr; }));
    // The new earliest time comes before the one the service waits for.
    ASSERT_TRUE(Register(postponed, &laterLocal));
    ASSERT_TRUE(Register(advanced, &soonLocal));

    ASSERT_TRUE(WaitFor([&] { return !StartsOf(advanced).empty(); }));
    std::vector<Start> starts = StartsOf(advanced);
    ASSERT_EQ(1u, starts.size());
    EXPECT_LE(starts[0].utc, soon + kSecond);
    EXPECT_TRUE(StartsOf(postponed).empty());
    SYSTEMTIME stored;
    ASSERT_TRUE(HasRegistration(postponed, &stored));
    EXPECT_EQ(0, memcmp(&laterLocal, &stored, sizeof stored));
}

TEST_F(RunAtService, RemovingCancelsAndRemovingNothingSucceeds) {
    std::wstring cancelled = Probe(L"Cancelled");
    std::wstring witness = Probe(L"Witness");
    ULONGLONG soon = runat::UtcNow() + 700 * kMillisecond;
    SYSTEMTIME soonLocal = LocalAtUtc(soon);
    SYSTEMTIME afterLocal = LocalAtUtc(soon + 300 * kMillisecond);

    ASSERT_TRUE(Register(cancelled, &soonLocal));
    ASSERT_TRUE(Register(witness, &afterLocal));
    ASSERT_TRUE(WaitFor([] { return ServiceWindow() != nullptr; }));
    ASSERT_TRUE(Register(cancelled, nullptr));
    EXPECT_FALSE(HasRegistration(cancelled));
    EXPECT_TRUE(Register(cancelled, nullptr)) << "nothing left to remove is no failure";

    // The witness is due after the cancelled time: once it has run, the other would have too.
    ASSERT_TRUE(WaitFor([&] { return !StartsOf(witness).empty(); }));
    EXPECT_TRUE(StartsOf(cancelled).empty());
}

TEST_F(RunAtService, AtStartFiresWhatIsALittleLateAndDropsWhatIsHoursLate) {
    std::wstring late = Probe(L"Late");
    std::wstring stale = Probe(L"Stale");
    std::wstring witness = Probe(L"Witness");
    ULONGLONG now = runat::UtcNow();
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreRegistration(late.c_str(), LocalAtUtc(now - 300 * kSecond)));
    ASSERT_EQ(ERROR_SUCCESS,
              runat::StoreRegistration(stale.c_str(), LocalAtUtc(now - 3 * 3600 * kSecond)));
    ASSERT_EQ(ERROR_SUCCESS,
              runat::StoreRegistration(witness.c_str(), LocalAtUtc(now + 300 * kMillisecond)));

    StartServiceAndWait();
    ASSERT_TRUE(WaitFor([&] { return !StartsOf(late).empty(); }));
    EXPECT_LT(StartsOf(late)[0].utc, now + kSecond) << "fired at once, not at some later time";
    ASSERT_TRUE(WaitFor([&] { return !StartsOf(witness).empty(); }));
    EXPECT_TRUE(StartsOf(stale).empty());
    EXPECT_EQ(0u, RegistrationCount());
}

TEST_F(RunAtService, TheLatenessLimitIsHalfAnHour) {
    std::wstring inside = Probe(L"Inside");
    std::wstring outside = Probe(L"Outside");
    std::wstring witness = Probe(L"Witness");
    ULONGLONG now = runat::UtcNow();
    // Two seconds either side of the limit, as the service will judge them a moment from now.
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreRegistration(
                                 inside.c_str(), LocalAtUtc(now - runat::kMaxLateness + 5 * kSecond)));
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreRegistration(
                                 outside.c_str(), LocalAtUtc(now - runat::kMaxLateness - kSecond)));
    ASSERT_EQ(ERROR_SUCCESS,
              runat::StoreRegistration(witness.c_str(), LocalAtUtc(now + 300 * kMillisecond)));

    StartServiceAndWait();
    ASSERT_TRUE(WaitFor([&] { return !StartsOf(witness).empty() && !StartsOf(inside).empty(); }));
    EXPECT_EQ(1u, StartsOf(inside).size());
    EXPECT_TRUE(StartsOf(outside).empty());
}

// A second start of the program takes the first window whose title begins with "Dawnbell" for
// the running program; the service's window must never be that one.
TEST_F(RunAtService, ItsWindowIsNotTakenForTheProgramsWindow) {
    StartServiceAndWait();
    runat::SetInstance(L"");
    const wchar_t* title = runat::WindowTitle();
    runat::SetInstance(instance_.c_str());
    EXPECT_NE(0, wcsncmp(title, L"Dawnbell", 8)) << title;
    EXPECT_NE(0, wcsncmp(runat::WindowTitle(), L"Dawnbell", 8)) << runat::WindowTitle();
}

TEST_F(RunAtService, ASecondServiceLeavesAtOnce) {
    HANDLE first = StartServiceAndWait();
    HANDLE second = LaunchService();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second, kPatience));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(first, 0));
}

TEST_F(RunAtService, DropsMalformedRegistrationsAndKeepsGoodOnes) {
    std::wstring good = Probe(L"Good");
    std::wstring other = Probe(L"Other");
    SYSTEMTIME future = LocalAtUtc(runat::UtcNow() + 3600 * kSecond);
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreRegistration(good.c_str(), future));

    DWORD number = 7;
    WriteValue((other + L" dword").c_str(), REG_DWORD, &number, sizeof number);
    WriteValue((other + L" short").c_str(), REG_BINARY, &future, 8);
    BYTE longer[20] = {};
    memcpy(longer, &future, sizeof future);
    WriteValue((other + L" long").c_str(), REG_BINARY, longer, sizeof longer);
    WriteValue((other + L" text").c_str(), REG_SZ, L"7:00", 10);
    SYSTEMTIME thirteenth = future;
    thirteenth.wMonth = 13;
    WriteValue(other.c_str(), REG_BINARY, &thirteenth, sizeof thirteenth);
    WriteValue((folder_ + L"Missing.exe").c_str(), REG_BINARY, &future, sizeof future);
    WriteValue(folder_.c_str(), REG_BINARY, &future, sizeof future); // a folder, not a program
    WriteValue(L"", REG_BINARY, &future, sizeof future);
    std::wstring overlong = folder_ + std::wstring(300, L'x') + L".exe";
    WriteValue(overlong.c_str(), REG_BINARY, &future, sizeof future);

    StartServiceAndWait();
    EXPECT_TRUE(WaitFor([] { return RegistrationCount() == 1; }));
    EXPECT_TRUE(HasRegistration(good));
    EXPECT_NE(nullptr, ServiceWindow()) << "still serving";
}

TEST_F(RunAtService, AClockChangeMakesItReadAgain) {
    std::wstring program = Probe(L"Probe");
    StartServiceAndWait();
    // Written behind the service's back: only a fresh reading finds it.
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreRegistration(program.c_str(),
                                                      LocalAtUtc(runat::UtcNow() - 60 * kSecond)));
    PostMessageW(ServiceWindow(), WM_TIMECHANGE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !StartsOf(program).empty(); }));
}

TEST_F(RunAtService, RefusesTimesThatAreNoCalendarTimeAndProgramsThatAreNotThere) {
    std::wstring program = Probe(L"Probe");
    SYSTEMTIME valid = {2099, 2, 0, 28, 6, 30, 0, 0};
    SYSTEMTIME bad[] = {
        {2099, 13, 0, 1, 6, 30, 0, 0}, {2099, 0, 0, 1, 6, 30, 0, 0},  {2099, 2, 0, 29, 6, 30, 0, 0},
        {2099, 4, 0, 31, 6, 30, 0, 0}, {2099, 1, 0, 0, 6, 30, 0, 0},  {2099, 1, 0, 1, 24, 0, 0, 0},
        {2099, 1, 0, 1, 6, 60, 0, 0},  {2099, 1, 0, 1, 6, 0, 60, 0},  {2099, 1, 0, 1, 6, 0, 0, 1000},
        {1600, 1, 0, 1, 6, 0, 0, 0},
    };
    for (const SYSTEMTIME& time : bad) {
        EXPECT_FALSE(Register(program, &time))
            << time.wYear << "/" << time.wMonth << "/" << time.wDay << " " << time.wHour << ":"
            << time.wMinute << ":" << time.wSecond << "." << time.wMilliseconds;
    }
    EXPECT_FALSE(HasRegistration(program));
    EXPECT_FALSE(Register(folder_ + L"Missing.exe", &valid));
    EXPECT_FALSE(Register(L"", &valid));
    EXPECT_FALSE(platform::CeRunAppAtTime(nullptr, &valid));

    SYSTEMTIME leapDay = {2096, 2, 0, 29, 23, 59, 59, 999};
    EXPECT_TRUE(Register(program, &leapDay));
    EXPECT_TRUE(HasRegistration(program));
}

// Delivery: a program that dies before it has taken its alarm over is started again, and only
// then is the alarm done with.

TEST_F(RunAtService, AProgramThatEndsBeforeTakingItsAlarmOverIsStartedAgain) {
    std::wstring program = ProbeDueSoon(L"Dies Twice", L".fail", 2);

    ASSERT_TRUE(WaitFor([&] { return StartsOf(program).size() == 3 && !HasDelivery(program); },
                        kPatience + 2 * runat::kRedeliveryPause / kMillisecond));
    std::vector<Start> starts = StartsOf(program);
    ASSERT_EQ(3u, starts.size());
    for (const Start& start : starts)
        EXPECT_EQ(L"\"" + program + L"\" AppRunAtTime", start.commandLine);
    // Each new start comes a pause after the last one ended, in case that one was handing over.
    EXPECT_GE(starts[1].utc - starts[0].utc, runat::kRedeliveryPause);
    EXPECT_GE(starts[2].utc - starts[1].utc, runat::kRedeliveryPause);
    EXPECT_FALSE(HasRegistration(program));
}

TEST_F(RunAtService, AProgramThatNeverTakesItsAlarmOverIsStartedAFewTimesOnly) {
    std::wstring program = ProbeDueSoon(L"Always Dies", L".fail", 1000);
    ASSERT_TRUE(WaitFor([&] { return !StartsOf(program).empty(); }));
    ASSERT_TRUE(WaitFor([&] { return !HasDelivery(program); },
                        kPatience + runat::kMaxStarts * runat::kRedeliveryPause / kMillisecond));
    EXPECT_EQ(runat::kMaxStarts, StartsOf(program).size());
}

TEST_F(RunAtService, RemovingTheRegistrationEndsTheDeliveryToo) {
    std::wstring program = ProbeDueSoon(L"Removed", L".fail", 1000);
    ASSERT_TRUE(WaitFor([&] { return !StartsOf(program).empty(); }));
    EXPECT_TRUE(HasDelivery(program)) << "on its way until taken over";
    ASSERT_TRUE(Register(program, nullptr));
    EXPECT_FALSE(HasDelivery(program));
    // A new registration is no reason to start again for the old time.
    SYSTEMTIME later = LocalAtUtc(runat::UtcNow() + 3600 * kSecond);
    ASSERT_TRUE(Register(program, &later));
    EXPECT_FALSE(HasDelivery(program));
}

TEST_F(RunAtService, AServiceThatDiedFindsTheRunningProgramAgainAndStartsItNoSecondTime) {
    std::wstring program = ProbeDueSoon(L"Slow", L".hold", 2500);
    ASSERT_TRUE(WaitFor([&] { return !StartsOf(program).empty(); }));

    // The service dies while the program it started still runs, and comes back.
    HWND window = ServiceWindow();
    ASSERT_NE(window, nullptr);
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE service = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    ASSERT_NE(service, nullptr);
    TerminateProcess(service, 1);
    WaitForSingleObject(service, kPatience);
    CloseHandle(service);
    ASSERT_TRUE(HasDelivery(program));
    StartServiceAndWait();

    ASSERT_TRUE(WaitFor([&] { return !HasDelivery(program); }));
    EXPECT_EQ(1u, StartsOf(program).size());
}

TEST_F(RunAtService, AtStartItDeliversWhatWasOnItsWayUnlessThatIsTooLate) {
    std::wstring pending = Probe(L"Pending");
    std::wstring stale = Probe(L"Stale");
    ULONGLONG now = runat::UtcNow();
    // Both were started once by a service that died; their programs are gone.
    runat::Delivery delivery = {};
    delivery.due = now - 60 * kSecond;
    delivery.process = 1;
    delivery.created = 1;
    delivery.starts = 1;
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreDelivery(pending.c_str(), delivery));
    delivery.due = now - runat::kMaxLateness - kSecond;
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreDelivery(stale.c_str(), delivery));

    StartServiceAndWait();
    ASSERT_TRUE(WaitFor([&] { return !HasDelivery(pending); },
                        kPatience + runat::kRedeliveryPause / kMillisecond));
    EXPECT_EQ(1u, StartsOf(pending).size());
    EXPECT_FALSE(HasDelivery(stale));
    EXPECT_TRUE(StartsOf(stale).empty());
}

} // namespace

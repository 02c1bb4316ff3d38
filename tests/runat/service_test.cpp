// The run-at-time service as real processes: dawnbell_runat.exe started by the tests or by
// CeRunAppAtTime, and copies of runat_probe.exe for it to start. Each test runs a service
// instance of its own, with its own registrations, and stops it afterwards.
#include "platform/win.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "model/names.h"
#include "platform/wakeup.h"
#include "runat/processes.h"
#include "runat/store.h"
#include "tests/support/real_processes.h"

namespace {

using runat::kSecond;
struct Start {
    ULONGLONG utc;
    ULONGLONG due; // the instant the service started it for, by the service's own clock
    std::wstring commandLine;
};

// `utc` to the whole millisecond, as a registration's local time holds it.
ULONGLONG WholeMilliseconds(ULONGLONG utc) {
    return utc - utc % kMillisecond;
}

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
        wchar_t* rest = nullptr;
        ULONGLONG utc = wcstoull(line.c_str(), &rest, 10);
        ULONGLONG due = wcstoull(rest, &rest, 10);
        if (*rest == L' ')
            starts.push_back({utc, due, rest + 1});
        begin = end + 1;
    }
    return starts;
}

// The starts of the probe at `program` with `argument`.
std::vector<Start> StartsWith(const std::wstring& program, const wchar_t* argument) {
    std::vector<Start> matching;
    for (const Start& start : StartsOf(program)) {
        if (start.commandLine == L"\"" + program + L"\" " + argument)
            matching.push_back(start);
    }
    return matching;
}

// The one start-up start with which the service tells a program that it gave its alarm up.
bool ToldOfGivingUp(const std::wstring& program) {
    return WaitUntil([&] { return !StartsWith(program, runat::kGiveUpArgument).empty(); }) &&
           StartsWith(program, runat::kGiveUpArgument).size() == 1;
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
    runat::Registration stored;
    DWORD size = sizeof stored;
    LONG result = RegGetValueW(HKEY_CURRENT_USER, runat::StoreKey(), program.c_str(),
                               RRF_RT_REG_BINARY, nullptr, &stored, &size);
    if (result == ERROR_SUCCESS && time)
        *time = stored.local;
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

// A value under the registrations' key, or under `keyPath`.
void WriteValue(LPCWSTR name, DWORD type, const void* data, DWORD size,
                LPCWSTR keyPath = runat::StoreKey()) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0,
                                             KEY_SET_VALUE, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

HWND ServiceWindow() {
    return FindWindowW(runat::kWindowClass, runat::WindowTitle());
}

// Closes a service window and waits for its process to end; ends it by force if it does not.
void StopServiceOf(HWND window) {
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

// Stops the service of the current instance.
void StopService() {
    if (HWND window = ServiceWindow())
        StopServiceOf(window);
}

// The service processes that this test process started, itself or through CeRunAppAtTime.
std::vector<HANDLE> OwnServiceProcesses() {
    std::vector<HANDLE> found;
    for (DWORD pid : ProcessesNamed(runat::kServiceExe, GetCurrentProcessId())) {
        if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid))
            found.push_back(process);
    }
    return found;
}

class RunAtService : public ::testing::Test {
  protected:
    void SetUp() override {
        static int serial = 0;
        instance_ =
            L"t" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
        ASSERT_TRUE(runat::SetInstance(instance_.c_str()));
        wchar_t temp[MAX_PATH];
        GetTempPathW(static_cast<DWORD>(std::size(temp)), temp);
        folder_ = std::wstring(temp) + L"dawnbell runat " + instance_ + L"\\";
        CreateDirectoryW(folder_.c_str(), nullptr);
        // The probes that the service starts take their alarm over in this instance, and a
        // probe told to hold waits for this test to release it.
        SetEnvironmentVariableW(L"DAWNBELL_RUNAT_INSTANCE", instance_.c_str());
        std::wstring release = L"Dawnbell probe release " + instance_;
        release_ = CreateEventW(nullptr, TRUE, FALSE, release.c_str());
        SetEnvironmentVariableW(L"DAWNBELL_PROBE_RELEASE", release.c_str());
    }

    void TearDown() override {
        SetEvent(release_);
        // A service started by CeRunAppAtTime may still be on its way up.
        if (serviceExpected_)
            WaitUntil([] { return ServiceWindow() != nullptr; });
        StopService();
        // A second start that was still on its way up leaves at once, unless the first service
        // has ended meanwhile: then it serves instead, and would outlive the suite (holding the
        // suite's output open). It is stopped like the first.
        for (HANDLE process : OwnServiceProcesses()) {
            if (WaitForSingleObject(process, 2000) != WAIT_OBJECT_0) {
                WaitUntil([] { return ServiceWindow() != nullptr; }, 2000);
                StopService();
                if (WaitForSingleObject(process, kPatience) != WAIT_OBJECT_0)
                    TerminateProcess(process, 1);
            }
            CloseHandle(process);
        }
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
        CloseHandle(release_);
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
        EXPECT_TRUE(WaitUntil([] { return ServiceWindow() != nullptr; }));
        return process;
    }

    std::wstring instance_;
    std::wstring folder_;
    std::vector<std::wstring> files_;
    std::vector<HANDLE> processes_;
    HANDLE release_ = nullptr; // set: held probes go on
    bool serviceExpected_ = false;
};

TEST_F(RunAtService, StartsTheProgramWithAppRunAtTimeOnTime) {
    std::wstring program = Probe(L"Alarm Probe");
    ASSERT_FALSE(runat::IsServiceRunning());
    ULONGLONG due = WholeMilliseconds(runat::UtcNow() + 600 * kMillisecond);
    SYSTEMTIME local = LocalAtUtc(due);
    ASSERT_TRUE(Register(program, &local));

    ASSERT_TRUE(WaitUntil([&] { return !StartsOf(program).empty(); }));
    std::vector<Start> starts = StartsOf(program);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(L"\"" + program + L"\" " + std::wstring(runat::kRunArgument), starts[0].commandLine);
    // Started for its very instant, and not before it (allowing the clock's tick). How soon after
    // is the bench's to measure.
    EXPECT_EQ(starts[0].due, due);
    EXPECT_GE(starts[0].utc + 16 * kMillisecond, due);
    EXPECT_FALSE(HasRegistration(program)) << "a fired registration is used up";
}

TEST_F(RunAtService, TheCallStartsTheServiceAndEntersItForLogon) {
    std::wstring program = Probe(L"Probe");
    ASSERT_FALSE(runat::IsServiceRunning());
    SYSTEMTIME local = LocalAtUtc(runat::UtcNow() + 3600 * kSecond);
    ASSERT_TRUE(Register(program, &local));

    EXPECT_TRUE(WaitUntil([] { return ServiceWindow() != nullptr; }));
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
    SYSTEMTIME firstLocal = LocalAtUtc(now + 3600 * kSecond);
    SYSTEMTIME laterLocal = LocalAtUtc(now + 7200 * kSecond);

    ASSERT_TRUE(Register(postponed, &firstLocal));
    ASSERT_TRUE(Register(advanced, &laterLocal));
    ASSERT_TRUE(WaitUntil([] { return ServiceWindow() != nullptr; }));
    // The new earliest time comes before the one the service waits for.
    ULONGLONG soon = WholeMilliseconds(runat::UtcNow() + 300 * kMillisecond);
    SYSTEMTIME soonLocal = LocalAtUtc(soon);
    ASSERT_TRUE(Register(postponed, &laterLocal));
    ASSERT_TRUE(Register(advanced, &soonLocal));

    ASSERT_TRUE(WaitUntil([&] { return !StartsOf(advanced).empty(); }));
    std::vector<Start> starts = StartsOf(advanced);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(starts[0].due, soon);
    EXPECT_TRUE(StartsOf(postponed).empty());
    SYSTEMTIME stored;
    ASSERT_TRUE(HasRegistration(postponed, &stored));
    EXPECT_EQ(0, memcmp(&laterLocal, &stored, sizeof stored));
}

TEST_F(RunAtService, RemovingCancelsAndRemovingNothingSucceeds) {
    std::wstring cancelled = Probe(L"Cancelled");
    std::wstring witness = Probe(L"Witness");
    StartServiceAndWait();
    // Between the registration and its removal lies registry work alone, far inside the margin.
    ULONGLONG soon = runat::UtcNow() + 3 * kSecond;
    SYSTEMTIME soonLocal = LocalAtUtc(soon);
    SYSTEMTIME afterLocal = LocalAtUtc(soon + 300 * kMillisecond);

    ASSERT_TRUE(Register(cancelled, &soonLocal));
    ASSERT_TRUE(Register(witness, &afterLocal));
    ASSERT_TRUE(Register(cancelled, nullptr));
    EXPECT_FALSE(HasRegistration(cancelled));
    EXPECT_TRUE(Register(cancelled, nullptr)) << "nothing left to remove is no failure";

    // The witness is due after the cancelled time: once it has run, the other would have too.
    ASSERT_TRUE(WaitUntil([&] { return !StartsOf(witness).empty(); }));
    EXPECT_TRUE(StartsOf(cancelled).empty());
}

TEST_F(RunAtService, AtStartFiresWhatIsALittleLateAndGivesUpWhatIsHoursLate) {
    std::wstring late = Probe(L"Late");
    std::wstring stale = Probe(L"Stale");
    std::wstring witness = Probe(L"Witness");
    ULONGLONG now = runat::UtcNow();
    // As an older version wrote it, without the time it was made: an upgrade keeps the alarm.
    ULONGLONG lateDue = WholeMilliseconds(now - 300 * kSecond);
    SYSTEMTIME older = LocalAtUtc(lateDue);
    WriteValue(late.c_str(), REG_BINARY, &older, sizeof older);
    ASSERT_EQ(ERROR_SUCCESS,
              runat::StoreRegistration(stale.c_str(), LocalAtUtc(now - 3 * 3600 * kSecond)));
    ASSERT_EQ(ERROR_SUCCESS,
              runat::StoreRegistration(witness.c_str(), LocalAtUtc(now + 300 * kMillisecond)));

    StartServiceAndWait();
    ASSERT_TRUE(WaitUntil([&] { return !StartsOf(late).empty(); }));
    EXPECT_EQ(StartsOf(late)[0].due, lateDue) << "fired for its time, not for a later one";
    ASSERT_TRUE(WaitUntil([&] { return !StartsOf(witness).empty(); }));
    EXPECT_TRUE(StartsWith(stale, runat::kRunArgument).empty());
    EXPECT_TRUE(ToldOfGivingUp(stale)) << "so that an armed program disarms itself";
    EXPECT_EQ(0u, RegistrationCount());
}

TEST_F(RunAtService, TheLatenessLimitIsHalfAnHour) {
    std::wstring inside = Probe(L"Inside");
    std::wstring outside = Probe(L"Outside");
    std::wstring witness = Probe(L"Witness");
    ULONGLONG now = runat::UtcNow();
    // Either side of the limit as the service will judge them once it has started: a service
    // that takes longer than the wait for it to start fails the test anyway.
    ULONGLONG margin = 2ull * kPatience * kMillisecond;
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreRegistration(
                                 inside.c_str(), LocalAtUtc(now - runat::kMaxLateness + margin)));
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreRegistration(
                                 outside.c_str(), LocalAtUtc(now - runat::kMaxLateness - kSecond)));
    ASSERT_EQ(ERROR_SUCCESS,
              runat::StoreRegistration(witness.c_str(), LocalAtUtc(now + 300 * kMillisecond)));

    StartServiceAndWait();
    ASSERT_TRUE(WaitUntil([&] { return !StartsOf(witness).empty() && !StartsOf(inside).empty(); }));
    EXPECT_EQ(1u, StartsOf(inside).size());
    EXPECT_TRUE(StartsWith(outside, runat::kRunArgument).empty());
    EXPECT_TRUE(ToldOfGivingUp(outside));
}

// A second start of the program takes the first window whose title begins with "Dawnbell" for
// the running program; the service's window must never be that one.
TEST_F(RunAtService, ItsWindowIsNotTakenForTheProgramsWindow) {
    StartServiceAndWait();
    runat::SetInstance(L"");
    const wchar_t* title = runat::WindowTitle();
    runat::SetInstance(instance_.c_str());
    const size_t length = std::size(kWindowTitle) - 1;
    EXPECT_NE(0, wcsncmp(title, kWindowTitle, length)) << title;
    EXPECT_NE(0, wcsncmp(runat::WindowTitle(), kWindowTitle, length)) << runat::WindowTitle();
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
    std::wstring witness = Probe(L"Witness");
    std::wstring missing = folder_ + L"Missing.exe";
    SYSTEMTIME future = LocalAtUtc(runat::UtcNow() + 3600 * kSecond);
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreRegistration(good.c_str(), future));
    // A program that is not there now may be there by its time (a drive not mounted yet).
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreRegistration(missing.c_str(), future));

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
    WriteValue(folder_.c_str(), REG_BINARY, &future, sizeof future); // a folder, not a program
    WriteValue(L"", REG_BINARY, &future, sizeof future);
    // A delivery of the wrong size is no delivery either: nothing is started for it.
    WriteValue(other.c_str(), REG_BINARY, &future, 8, runat::DeliveryKey());
    std::wstring overlong = folder_ + std::wstring(300, L'x') + L".exe";
    WriteValue(overlong.c_str(), REG_BINARY, &future, sizeof future);
    ASSERT_EQ(ERROR_SUCCESS,
              runat::StoreRegistration(witness.c_str(),
                                       LocalAtUtc(runat::UtcNow() + 300 * kMillisecond)));

    StartServiceAndWait();
    EXPECT_TRUE(WaitUntil([] { return RegistrationCount() == 2; }));
    EXPECT_TRUE(HasRegistration(good));
    EXPECT_TRUE(HasRegistration(missing));
    // The witness is started after the first reading: a start for the malformed one would be
    // on record by then.
    ASSERT_TRUE(WaitUntil([&] { return !StartsOf(witness).empty(); }));
    EXPECT_TRUE(StartsOf(other).empty()) << "no alarm was given up or delivered";
    EXPECT_FALSE(HasDelivery(other));
    EXPECT_NE(nullptr, ServiceWindow()) << "still serving";
}

TEST_F(RunAtService, AClockChangeMakesItReadAgain) {
    std::wstring program = Probe(L"Probe");
    StartServiceAndWait();
    // Written behind the service's back: only a fresh reading finds it.
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreRegistration(program.c_str(),
                                                      LocalAtUtc(runat::UtcNow() - 60 * kSecond)));
    PostMessageW(ServiceWindow(), WM_TIMECHANGE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !StartsOf(program).empty(); }));
}

TEST_F(RunAtService, RefusesTimesThatAreNoCalendarTimeAndProgramsThatAreNotThere) {
    std::wstring program = Probe(L"Probe");
    SYSTEMTIME valid = {2099, 2, 0, 28, 6, 30, 0, 0};
    SYSTEMTIME bad[] = {
        {2099, 13, 0, 1, 6, 30, 0, 0}, {2099, 0, 0, 1, 6, 30, 0, 0}, {2099, 2, 0, 29, 6, 30, 0, 0},
        {2099, 4, 0, 31, 6, 30, 0, 0}, {2099, 1, 0, 0, 6, 30, 0, 0}, {2099, 1, 0, 1, 24, 0, 0, 0},
        {2099, 1, 0, 1, 6, 60, 0, 0},  {2099, 1, 0, 1, 6, 0, 60, 0}, {2099, 1, 0, 1, 6, 0, 0, 1000},
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

    ASSERT_TRUE(WaitUntil([&] { return StartsOf(program).size() == 3 && !HasDelivery(program); },
                          kPatience + 2 * Milliseconds(runat::kRedeliveryPause)));
    std::vector<Start> starts = StartsOf(program);
    ASSERT_EQ(3u, starts.size());
    for (const Start& start : starts)
        EXPECT_EQ(L"\"" + program + L"\" " + std::wstring(runat::kRunArgument), start.commandLine);
    // Each new start comes a pause after the last one ended, in case that one was handing over.
    EXPECT_GE(starts[1].utc - starts[0].utc, runat::kRedeliveryPause);
    EXPECT_GE(starts[2].utc - starts[1].utc, runat::kRedeliveryPause);
    EXPECT_FALSE(HasRegistration(program));
}

TEST_F(RunAtService, AProgramThatNeverTakesItsAlarmOverIsStartedAFewTimesOnly) {
    std::wstring program = ProbeDueSoon(L"Always Dies", L".fail", 1000);
    ASSERT_TRUE(WaitUntil([&] { return !StartsOf(program).empty(); }));
    ASSERT_TRUE(WaitUntil([&] { return !HasDelivery(program); },
                          kPatience + runat::kMaxStarts * Milliseconds(runat::kRedeliveryPause)));
    EXPECT_EQ(runat::kMaxStarts, StartsWith(program, runat::kRunArgument).size());
    EXPECT_TRUE(ToldOfGivingUp(program));
}

TEST_F(RunAtService, RemovingTheRegistrationEndsTheDeliveryToo) {
    std::wstring program = ProbeDueSoon(L"Removed", L".fail", 1000);
    ASSERT_TRUE(WaitUntil([&] { return !StartsOf(program).empty(); }));
    EXPECT_TRUE(HasDelivery(program)) << "on its way until taken over";
    ASSERT_TRUE(Register(program, nullptr));
    EXPECT_FALSE(HasDelivery(program));
    // A new registration is no reason to start again for the old time.
    SYSTEMTIME later = LocalAtUtc(runat::UtcNow() + 3600 * kSecond);
    ASSERT_TRUE(Register(program, &later));
    EXPECT_FALSE(HasDelivery(program));
}

TEST_F(RunAtService, AServiceThatDiedFindsTheRunningProgramAgainAndStartsItNoSecondTime) {
    // The program runs, without taking its alarm over, until the test releases it.
    std::wstring program = ProbeDueSoon(L"Slow", L".hold", 2 * kPatience);
    ASSERT_TRUE(WaitUntil([&] { return !StartsOf(program).empty(); }));

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
    // The service answers messages once it has read its store: by then it has found the program.
    DWORD_PTR answer = 0;
    ASSERT_NE(0,
              SendMessageTimeoutW(ServiceWindow(), WM_NULL, 0, 0, SMTO_NORMAL, kPatience, &answer));
    SetEvent(release_);

    ASSERT_TRUE(WaitUntil([&] { return !HasDelivery(program); }));
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
    ASSERT_TRUE(WaitUntil([&] { return !HasDelivery(pending); },
                          kPatience + Milliseconds(runat::kRedeliveryPause)));
    EXPECT_EQ(1u, StartsOf(pending).size());
    EXPECT_FALSE(HasDelivery(stale));
    EXPECT_TRUE(StartsWith(stale, runat::kRunArgument).empty());
    EXPECT_TRUE(ToldOfGivingUp(stale));
}

// A program's path in any spelling is the one registration and the one delivery.
TEST_F(RunAtService, EverySpellingOfAProgramsPathIsTheSameRegistration) {
    std::wstring program = Probe(L"Spelled Probe");
    wchar_t shortName[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameW(program.c_str(), shortName,
                                    static_cast<DWORD>(std::size(shortName))));
    ASSERT_NE(program, shortName) << "no short spelling to try";
    std::wstring folderName = folder_.substr(0, folder_.size() - 1);
    folderName = folderName.substr(folderName.rfind(L'\\') + 1);
    std::wstring dotted = folder_ + L"..\\" + folderName + L"\\Spelled Probe.exe";
    std::wstring slashed = program;
    for (wchar_t& c : slashed)
        c = c == L'\\' ? L'/' : c;
    std::wstring upper = program;
    CharUpperW(&upper[0]);
    ULONGLONG now = runat::UtcNow();
    SYSTEMTIME first = LocalAtUtc(now + 3600 * kSecond);
    SYSTEMTIME second = LocalAtUtc(now + 7200 * kSecond);

    ASSERT_TRUE(Register(shortName, &first));
    ASSERT_TRUE(Register(slashed, &second));
    EXPECT_EQ(1u, RegistrationCount()) << "the second spelling replaced the first";
    SYSTEMTIME stored;
    ASSERT_TRUE(HasRegistration(program, &stored)) << "kept under the full long path";
    EXPECT_EQ(0, memcmp(&second, &stored, sizeof stored));
    EXPECT_TRUE(platform::IsAppNotificationPending(upper.c_str()));
    ASSERT_TRUE(Register(dotted, nullptr));
    EXPECT_EQ(0u, RegistrationCount());

    runat::Delivery delivery = {};
    delivery.due = now;
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreDelivery(program.c_str(), delivery));
    EXPECT_TRUE(platform::CeHandleAppNotifications(shortName));
    EXPECT_FALSE(HasDelivery(program)) << "taken over under another spelling";
}

// A missing file is no reason to forget: it may come back (a drive mounted late, a file renamed
// for a moment), and only the lateness limit ends its alarm.
TEST_F(RunAtService, AProgramRenamedAwayAndBackKeepsItsAlarmAndIsStartedWhenBack) {
    std::wstring program = Probe(L"Wanderer");
    std::wstring witness = Probe(L"Witness");
    std::wstring away = program + L".away";
    files_.push_back(away);
    StartServiceAndWait();
    // Registered while it was there (the call itself refuses a program that is not), and gone
    // before the service reads the registration.
    ASSERT_TRUE(MoveFileW(program.c_str(), away.c_str()));
    ULONGLONG now = runat::UtcNow();
    ULONGLONG due = now + 300 * kMillisecond;
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreRegistration(program.c_str(), LocalAtUtc(due), now));
    ASSERT_EQ(ERROR_SUCCESS,
              runat::StoreRegistration(witness.c_str(), LocalAtUtc(due + 300 * kMillisecond), now));
    runat::SignalReload();

    // Once the witness has been started, the program was due too, and could not be started.
    ASSERT_TRUE(WaitUntil([&] { return !StartsOf(witness).empty(); }));
    runat::Delivery delivery;
    ASSERT_TRUE(HasDelivery(program, &delivery)) << "forgotten while away";
    EXPECT_EQ(0u, delivery.starts) << "a start that found no file is not counted";
    ASSERT_TRUE(MoveFileW(away.c_str(), program.c_str()));

    ASSERT_TRUE(WaitUntil([&] { return !StartsOf(program).empty(); },
                          kPatience + Milliseconds(runat::kMissingProgramPause)));
    std::vector<Start> starts = StartsOf(program);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(L"\"" + program + L"\" " + std::wstring(runat::kRunArgument), starts[0].commandLine);
    EXPECT_GE(starts[0].utc + 16 * kMillisecond, due);
}

// What a program is told at its start: whether the service will still start it (or another copy
// of it, which shares its settings and so its alarm) for a ring.
TEST_F(RunAtService, ARingIsPendingWhileTheServiceWillStillStartTheProgramOrACopyForIt) {
    std::wstring program = folder_ + L"Dawnbell Copy.exe";
    std::wstring copy = folder_ + L"elsewhere\\DAWNBELL COPY.EXE";
    std::wstring other = folder_ + L"Other Program.exe";
    ULONGLONG now = runat::UtcNow();
    auto pending = [&] { return platform::IsAppNotificationPending(program.c_str()) != FALSE; };
    EXPECT_FALSE(pending()) << "nothing stored at all";

    ASSERT_EQ(ERROR_SUCCESS,
              runat::StoreRegistration(other.c_str(), LocalAtUtc(now + 3600 * kSecond), now));
    EXPECT_FALSE(pending()) << "another program's";
    // Hours late, as after hours with the service dead: it will give that up.
    ASSERT_EQ(ERROR_SUCCESS,
              runat::StoreRegistration(program.c_str(), LocalAtUtc(now - 3 * 3600 * kSecond),
                                       now - 86400 * kSecond));
    EXPECT_FALSE(pending()) << "hours late";
    ASSERT_EQ(ERROR_SUCCESS,
              runat::StoreRegistration(program.c_str(), LocalAtUtc(now - 300 * kSecond),
                                       now - 3600 * kSecond));
    EXPECT_TRUE(pending()) << "a little late: fired still";
    ASSERT_EQ(ERROR_SUCCESS, runat::RemoveRegistration(program.c_str()));
    ASSERT_EQ(ERROR_SUCCESS,
              runat::StoreRegistration(copy.c_str(), LocalAtUtc(now + 3600 * kSecond), now));
    EXPECT_TRUE(pending()) << "another copy's registration";
    ASSERT_EQ(ERROR_SUCCESS, runat::RemoveRegistration(copy.c_str()));

    runat::Delivery delivery = {};
    delivery.due = now - runat::kMaxLateness - kSecond;
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreDelivery(copy.c_str(), delivery));
    EXPECT_FALSE(pending()) << "a delivery too late";
    delivery.due = now - 60 * kSecond;
    ASSERT_EQ(ERROR_SUCCESS, runat::StoreDelivery(copy.c_str(), delivery));
    EXPECT_TRUE(pending()) << "another copy's delivery";

    // A store that cannot be read: the user's key stands for something that is no key.
    ASSERT_EQ(ERROR_SUCCESS, runat::RemoveDelivery(copy.c_str()));
    ASSERT_FALSE(pending());
    HANDLE notAKey = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, static_cast<HKEY>(notAKey)));
    EXPECT_TRUE(pending()) << "an alarm is never given up on a failed read";
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    CloseHandle(notAKey);
}

// The daylight-saving nights of 2027 in New York, with the real service: tests/runat/dst_nights.sh
// runs these in a Wine prefix of their own whose processes (wineserver included) see a faked
// clock and the zone of TZ. The clock stands an hour before the night until the test has its
// service running and says so; then it moves to a few seconds before the change. Elsewhere these
// are skipped.
class DaylightSavingNight : public RunAtService {
  protected:
    // Whether this run is on `night`'s faked clock; `change` is the UTC instant of its change.
    bool On(const wchar_t* night, const SYSTEMTIME& change) {
        wchar_t faked[16] = {};
        GetEnvironmentVariableW(L"DAWNBELL_FAKED_NIGHT", faked,
                                static_cast<DWORD>(std::size(faked)));
        if (wcscmp(faked, night) != 0)
            return false;
        FILETIME file;
        SystemTimeToFileTime(&change, &file);
        change_ = FromFileTime(file);
        return true;
    }
    // Tells the script that everything slow is done, and waits for the clock to move to just
    // before `due`.
    void BeginNight(ULONGLONG due) {
        wchar_t ready[MAX_PATH] = {};
        GetEnvironmentVariableW(L"DAWNBELL_FAKED_READY", ready,
                                static_cast<DWORD>(std::size(ready)));
        HANDLE file = CreateFileW(ready, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << "error " << GetLastError();
        CloseHandle(file);
        ASSERT_TRUE(WaitUntil([&] { return runat::UtcNow() + 60 * kSecond > due; }))
            << "the clock was not moved to the night";
    }
    // The probe's starts once it was started for `local`, which is due at `due` (UTC).
    void ExpectStartedAt(const SYSTEMTIME& local, ULONGLONG due) {
        std::wstring program = Probe(L"Night Probe");
        StartServiceAndWait();
        BeginNight(due);
        ULONGLONG now = runat::UtcNow();
        ASSERT_LT(now, due) << "the night began too late to register before its change";
        ASSERT_TRUE(Register(program, &local));
        ASSERT_TRUE(WaitUntil([&] { return !StartsOf(program).empty(); },
                              kPatience + Milliseconds(due - now)));
        std::vector<Start> starts = StartsOf(program);
        EXPECT_EQ(L"\"" + program + L"\" " + std::wstring(runat::kRunArgument),
                  starts[0].commandLine);
        // The service started it for the right instant by its own clock, and not before it.
        EXPECT_EQ(starts[0].due, due);
        EXPECT_GE(starts[0].utc + 16 * kMillisecond, due)
            << "early by " << (due - starts[0].utc) / kMillisecond << " ms";
    }
    ULONGLONG change_ = 0;
};

TEST_F(DaylightSavingNight, ATimeInTheSpringGapRingsWhenTheGapEnds) {
    if (!On(L"spring", {2027, 3, 0, 14, 7, 0, 0, 0})) // 2:00 EST becomes 3:00 EDT
        GTEST_SKIP() << "only on the faked spring night";
    SYSTEMTIME inTheGap = {2027, 3, 0, 14, 2, 30, 0, 0};
    ExpectStartedAt(inTheGap, change_);
}

TEST_F(DaylightSavingNight, ATimeInTheRepeatedHourRingsAtItsShowingStillAhead) {
    if (!On(L"autumn", {2027, 11, 0, 7, 6, 0, 0, 0})) // 2:00 EDT becomes 1:00 EST
        GTEST_SKIP() << "only on the faked autumn night";
    // The clock shows the second 1:09 (EST): 1:10 is ten minutes after the change, not the 1:10
    // (EDT) an hour ago.
    SYSTEMTIME repeated = {2027, 11, 0, 7, 1, 10, 0, 0};
    ExpectStartedAt(repeated, change_ + 600 * kSecond);
}

} // namespace

#include "tests/e2e/e2e_support.h"

#include <tlhelp32.h>

#include <cwchar>
#include <cwctype>

#include "resources/resource.h"
#include "runat/store.h"

std::wstring BuildFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    wchar_t* slash = wcsrchr(path, L'\\');
    if (slash)
        slash[1] = L'\0';
    return path;
}

bool Program::WaitForExit(DWORD milliseconds) {
    return WaitForSingleObject(process.hProcess, milliseconds) == WAIT_OBJECT_0;
}

void Program::Kill() {
    if (!process.hProcess)
        return;
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    process = {};
}

Program Start(const wchar_t* exe, const wchar_t* arguments) {
    std::wstring path = BuildFolder() + exe;
    std::wstring commandLine = L"\"" + path + L"\"";
    if (arguments && *arguments)
        commandLine += std::wstring(L" ") + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    Program program;
    CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                   &startup, &program.process);
    return program;
}

namespace {

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindTitled(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    if (wcscmp(title, kWindowTitle) != 0)
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (search->pid && pid != search->pid)
        return TRUE;
    search->found = window;
    return FALSE;
}

void KillProcessesNamed(const wchar_t* name) {
    for (DWORD pid : ProcessesNamed(name))
        KillProcess(pid);
}

} // namespace

std::vector<DWORD> ProcessesNamed(const wchar_t* exe) {
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, exe) == 0)
            found.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return found;
}

void KillProcess(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (process) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

namespace {

// Sends `signal` from outside Wine to every process of `exe` from this build folder (or from
// `folder`) in this test's own prefix: a STOP freezes even Wine's own code in it.
void SignalFromOutside(const std::wstring& program, const char* signal) {
    // The Linux process shows the Windows path it was started with: match it, every character
    // that is not a letter or digit standing for itself or a backslash. A small shell script
    // does it, so that the pattern needs no quoting through Windows.
    std::string pattern;
    for (wchar_t c : program)
        pattern += iswalnum(c) ? static_cast<char>(c) : '.';
    // Wine shows the Unix root as drive Z:.
    auto unixPath = [](const std::wstring& path) {
        std::string unix;
        for (wchar_t c : path.substr(2))
            unix += c == L'\\' ? '/' : static_cast<char>(c);
        return unix;
    };
    std::wstring scriptPath = BuildFolder() + L"signal.sh";
    std::wstring donePath = BuildFolder() + L"signal.done";
    DeleteFileW(donePath.c_str());
    // Only the processes of this test's own Wine prefix: other tests may run the same program.
    char prefix[MAX_PATH] = {};
    GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
    std::string script = "for p in $(pgrep -f '" + pattern +
                         "'); do\n"
                         "  tr '\\0' '\\n' < /proc/$p/environ | grep -qxF 'WINEPREFIX=" +
                         prefix + "' && kill -" + signal +
                         " $p\n"
                         "done\n"
                         "echo done > '" +
                         unixPath(donePath) + "'\n";
    HANDLE file =
        CreateFileW(scriptPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, script.data(), static_cast<DWORD>(script.size()), &written, nullptr);
    CloseHandle(file);
    std::wstring commandLine = L"start.exe /unix /bin/sh ";
    for (char c : unixPath(scriptPath))
        commandLine += static_cast<wchar_t>(c);
    // The script runs on its own: it is done when it has written its mark. Wine now and then
    // loses a process as it starts: then it is started again.
    auto done = [&] { return GetFileAttributesW(donePath.c_str()) != INVALID_FILE_ATTRIBUTES; };
    for (int attempt = 0; attempt < 5 && !done(); ++attempt) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        WaitUntil(done, 5000);
    }
    DeleteFileW(scriptPath.c_str());
    DeleteFileW(donePath.c_str());
}

} // namespace

void KillHard(const wchar_t* exe) {
    // Wine now and then loses a process as it starts: try until the processes are gone.
    for (int attempt = 0; attempt < 5 && !ProcessesNamed(exe).empty(); ++attempt) {
        SignalFromOutside(BuildFolder() + exe, "KILL");
        WaitUntil([&] { return ProcessesNamed(exe).empty(); }, 2000);
    }
}

void Freeze(const wchar_t* exe) {
    SignalFromOutside(BuildFolder() + exe, "STOP");
}
void Thaw(const wchar_t* exe) {
    SignalFromOutside(BuildFolder() + exe, "CONT");
}

std::wstring ProgramPath() {
    return BuildFolder() + L"dawnbell.exe";
}

ULONGLONG UtcNow() {
    return runat::UtcNow();
}

void RegisterAt(ULONGLONG utc, const std::wstring& program) {
    FILETIME file = {static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)};
    SYSTEMTIME universal, local;
    FileTimeToSystemTime(&file, &universal);
    SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local);
    runat::StoreRegistration((program.empty() ? ProgramPath() : program).c_str(), local);
}

bool DeliveryPending(const std::wstring& program) {
    return RegGetValueW(HKEY_CURRENT_USER, runat::DeliveryKey(),
                        (program.empty() ? ProgramPath() : program).c_str(), RRF_RT_REG_BINARY,
                        nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

namespace {

BOOL CALLBACK FindDawnbellOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || WindowText(window) != kWindowTitle)
        return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

HWND MainWindowOf(DWORD pid) {
    Search search = {pid, nullptr};
    EnumWindows(FindDawnbellOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsReady(HWND window) {
    return window && GetPropW(window, kMainWindowMark);
}

bool Ringing(DWORD pid) {
    HWND window = MainWindowOf(pid);
    return window && IsWindowVisible(window) && ControlVisible(window, IDC_STOP);
}

HWND WaitForMainWindow(DWORD pid, DWORD milliseconds) {
    // The window exists, titled, before its first show: wait until it is on screen.
    Search search = {pid, nullptr};
    WaitUntil(
        [&] {
            search.found = nullptr;
            EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr && IsWindowVisible(search.found);
        },
        milliseconds);
    return search.found;
}

std::wstring WindowText(HWND window) {
    // A program that hangs (or is stopped on purpose) must fail the test, not hang it.
    wchar_t text[256] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, &copied);
    return text;
}

bool ControlVisible(HWND window, int id) {
    return IsWindowVisible(GetDlgItem(window, id)) != 0;
}

void CleanSlate() {
    KillProcessesNamed(L"dawnbell.exe");
    KillProcessesNamed(L"dawnbell_runat.exe");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Larchworks");
    HKEY run = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                      KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
        RegDeleteValueW(run, L"Dawnbell RunAtTime");
        RegCloseKey(run);
    }
}

DWORD ReadSetting(const wchar_t* name) {
    DWORD value = 0xDEADBEEF, size = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, L"Software\\Larchworks\\Dawnbell\\Setting", name,
                 RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

void WriteSetting(const wchar_t* name, DWORD value) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Larchworks\\Dawnbell\\Setting", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void StoreArmedAlarm(DWORD rings, bool resident) {
    WriteSetting(L"Hour", 6);
    WriteSetting(L"Minute", 30);
    WriteSetting(L"Alarm", 1);
    WriteSetting(L"NoSuspend", resident);
    WriteSetting(L"AlarmInterval", 5);
    WriteSetting(L"AlarmNum", rings);
    WriteSetting(L"AlarmCnt", 0);
    // The system holds its ring, as it does for an alarm that was armed: half a day ahead.
    RegisterAt(UtcNow() + 12ull * 3600 * 10000000);
}

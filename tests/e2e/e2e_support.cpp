#include "tests/e2e/e2e_support.h"

#include <shlobj.h>

#include <cwchar>
#include <cwctype>
#include <iterator>

#include "resources/resource.h"
#include "runat/store.h"

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

Program StartAt(const std::wstring& path, const wchar_t* arguments, const wchar_t* folder) {
    std::wstring commandLine = L"\"" + path + L"\"";
    if (arguments && *arguments)
        commandLine += std::wstring(L" ") + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    Program program;
    CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder,
                   &startup, &program.process);
    return program;
}

Program Start(const wchar_t* exe, const wchar_t* arguments) {
    return StartAt(BuildFolder() + exe, arguments);
}

namespace {

struct WindowSearch {
    DWORD pid; // 0: any process
    const wchar_t* title;
    const wchar_t* className; // null: any class
    bool shown;
    HWND found;
};

BOOL CALLBACK Matching(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    // The texts as the system keeps them, without a message: a program that hangs (or is
    // stopped on purpose) cannot hold the search up.
    wchar_t className[64] = {}, title[64] = {};
    GetClassNameW(window, className, static_cast<int>(std::size(className)));
    GetWindowTextW(window, title, static_cast<int>(std::size(title)));
    if ((search->pid && pid != search->pid) ||
        (search->className && wcscmp(className, search->className) != 0) ||
        wcscmp(title, search->title) != 0 || (search->shown && !IsWindowVisible(window)))
        return TRUE;
    search->found = window;
    return FALSE;
}

void KillProcessesNamed(const wchar_t* name) {
    for (DWORD pid : ProcessesNamed(name))
        KillProcess(pid);
}

} // namespace

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
    GetEnvironmentVariableA("WINEPREFIX", prefix, static_cast<DWORD>(std::size(prefix)));
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
    return BuildFolder() + kProgramExe;
}

std::wstring StartupShortcut() {
    wchar_t folder[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, folder, CSIDL_STARTUP, FALSE);
    return std::wstring(folder) + L"\\" + kShortcutName;
}

ULONGLONG UtcNow() {
    return runat::UtcNow();
}

void RegisterAt(ULONGLONG utc, const std::wstring& program) {
    runat::StoreRegistration((program.empty() ? ProgramPath() : program).c_str(), LocalAtUtc(utc));
}

bool DeliveryPending(const std::wstring& program) {
    return RegGetValueW(HKEY_CURRENT_USER, runat::DeliveryKey(),
                        (program.empty() ? ProgramPath() : program).c_str(), RRF_RT_REG_BINARY,
                        nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

HWND FindWindowOf(DWORD pid, const wchar_t* title, const wchar_t* className, bool shown) {
    WindowSearch search = {pid, title, className, shown, nullptr};
    EnumWindows(Matching, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindShown(DWORD pid, const wchar_t* title, const wchar_t* className) {
    return FindWindowOf(pid, title, className, true);
}

HWND MainWindowOf(DWORD pid) {
    return FindWindowOf(pid, kWindowTitle, kDialogClass, false);
}

HWND WaitForMainWindow(DWORD pid, DWORD milliseconds) {
    // The window exists, titled, before its first show: wait until it is on screen.
    HWND found = nullptr;
    WaitUntil(
        [&] { return (found = FindWindowOf(pid, kWindowTitle, kDialogClass, true)) != nullptr; },
        milliseconds);
    return found;
}

bool IsReady(HWND window) {
    return window && GetPropW(window, kMainWindowMark);
}

bool ShowsRing(HWND window) {
    return window && IsWindowVisible(window) && ControlVisible(window, IDC_STOP);
}

bool Ringing(DWORD pid) {
    return ShowsRing(MainWindowOf(pid));
}

std::wstring NextAlarmText(const SYSTEMTIME& at) {
    wchar_t text[64];
    swprintf(text, std::size(text), L"Next: %u/%u/%u %u:%02u", at.wYear, at.wMonth, at.wDay,
             at.wHour, at.wMinute);
    return text;
}

std::wstring WindowText(HWND window) {
    // A program that hangs (or is stopped on purpose) must fail the test, not hang it.
    wchar_t text[256] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    return text;
}

bool ControlVisible(HWND window, int id) {
    return IsWindowVisible(GetDlgItem(window, id)) != 0;
}

void CleanSlate() {
    KillProcessesNamed(kProgramExe);
    KillProcessesNamed(runat::kServiceExe);
    // The publisher's key holds both the settings and the service's store.
    RegDeleteTreeW(HKEY_CURRENT_USER, ParentKey(ParentKey(kSettingsKey)).c_str());
    RegDeleteKeyValueW(HKEY_CURRENT_USER, runat::kRunKey, runat::ServiceName());
}

DWORD RegistryDword(const wchar_t* key, const wchar_t* name) {
    DWORD value = kNoDword, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return kNoDword;
    return value;
}

std::wstring RegistryText(const wchar_t* key, const wchar_t* name) {
    wchar_t text[512] = {};
    DWORD size = sizeof text - sizeof text[0];
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return kNoText;
    return text;
}

std::wstring ParentKey(const std::wstring& key) {
    return key.substr(0, key.rfind(L'\\'));
}

DWORD ReadSetting(const wchar_t* name) {
    return RegistryDword(kSettingsKey, name);
}

std::wstring ReadSettingText(const wchar_t* name) {
    return RegistryText(kSettingsKey, name);
}

namespace {

void WriteSettingValue(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

} // namespace

void WriteSetting(const wchar_t* name, DWORD value) {
    WriteSettingValue(name, REG_DWORD, &value, sizeof value);
}

void WriteSettingText(const wchar_t* name, const wchar_t* text) {
    WriteSettingValue(name, REG_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof *text));
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
    RegisterAt(UtcNow() + 12 * 60 * kMinute);
}

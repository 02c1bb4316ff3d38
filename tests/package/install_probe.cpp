// Checks an installed Dawnbell from inside the Wine prefix it was installed into:
//
//   install_probe installed     the files, shortcut and uninstall entry are there; starts the
//                               installed program, arms the alarm and closes the window into
//                               resident mode, leaving the program and the service running
//   install_probe reinstalled   after an install over the running one: the armed alarm is still
//                               registered and the service runs again; starts the program
//                               resident, as at logon
//   install_probe uninstalled   nothing is left but the settings, and nothing runs
//   install_probe purged        after an uninstall that removes the settings: they are gone
//
// Prints one line per failed check; exit status 0 when all passed.
#include "platform/win.h"

#include <shlobj.h>

#include <iterator>
#include <string>

#include "resources/resource.h"
#include "runat/store.h"
#include "tests/e2e/e2e_support.h"

namespace {

// The installer's own entry; the program's keys come from its headers.
const wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Dawnbell";

int g_failures = 0;

void Check(bool ok, const wchar_t* what) {
    if (!ok) {
        wprintf(L"FAILED: %ls\n", what);
        ++g_failures;
    }
}

std::wstring Folder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
    return path;
}

std::wstring InstallFolder() {
    return Folder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Dawnbell";
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool KeyExists(const wchar_t* key) {
    HKEY handle;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

bool HasValue(const wchar_t* key, const wchar_t* name) {
    return RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

DWORD ValueCount(const wchar_t* key) {
    HKEY handle;
    DWORD count = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return 0;
    RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(handle);
    return count;
}

// Any process's: the installed program is the only one in this prefix.
HWND MainWindow() {
    return MainWindowOf(0);
}
HWND ServiceWindow() {
    return FindWindowW(runat::kWindowClass, nullptr);
}

bool StartProgram(const wchar_t* arguments) {
    std::wstring folder = InstallFolder();
    Program program = StartAt(folder + L"\\" + kProgramExe, arguments, folder.c_str());
    if (!program.Started())
        return false;
    CloseHandle(program.process.hThread);
    CloseHandle(program.process.hProcess);
    return true;
}

void CheckInstalled() {
    std::wstring folder = InstallFolder();
    Check(Exists(folder + L"\\" + kProgramExe), L"dawnbell.exe installed");
    Check(Exists(folder + L"\\" + runat::kServiceExe), L"dawnbell_runat.exe installed");
    Check(Exists(folder + L"\\uninstall.exe"), L"uninstall.exe installed");
    Check(Exists(Folder(CSIDL_PROGRAMS) + L"\\Dawnbell.lnk"), L"Start-menu shortcut");
    Check(RegistryText(kUninstallKey, L"DisplayName") == L"Dawnbell", L"uninstall entry: name");
    Check(RegistryText(kUninstallKey, L"Publisher") == L"Larchworks",
          L"uninstall entry: publisher");
    Check(RegistryText(kUninstallKey, L"DisplayVersion") != kNoText, L"uninstall entry: version");
    Check(RegistryText(kUninstallKey, L"DisplayIcon").find(kProgramExe) != std::wstring::npos,
          L"uninstall entry: icon");
    Check(RegistryText(kUninstallKey, L"UninstallString") == L"\"" + folder + L"\\uninstall.exe\"",
          L"uninstall entry: uninstall command");

    // The installed program opens and arms; closed with "Suspend-mode disabled" it stays
    // resident, with its Startup shortcut, while the service waits for the alarm.
    WriteSetting(L"NoSuspend", 1);
    Check(StartProgram(L""), L"the installed program starts");
    HWND window = nullptr;
    Check(WaitUntil([&] { return (window = MainWindow()) != nullptr; }),
          L"the installed program opens its window");
    if (!window)
        return;
    // The template's caption is "Dawnbell" too: wait until initialisation has put the
    // next-alarm text in place of the template's "Next: ".
    Check(WaitUntil([&] {
              wchar_t next[64] = {};
              GetDlgItemTextW(window, IDC_NEXT, next, static_cast<int>(std::size(next)));
              return IsWindowVisible(window) && wcscmp(next, L"Next: ") != 0;
          }),
          L"the installed program initialises its window");
    SendMessageW(GetDlgItem(window, IDC_ALARM), BM_CLICK, 0, 0);
    Check(WaitUntil([] { return ValueCount(runat::StoreKey()) > 0; }),
          L"arming registers the alarm with the service");
    Check(WaitUntil([] { return ServiceWindow() != nullptr; }), L"the service runs");
    Check(HasValue(runat::kRunKey, runat::ServiceName()), L"the service starts at logon");
    Check(ReadSetting(L"Alarm") == 1, L"the armed alarm is stored");
    SendMessageW(window, WM_CLOSE, 0, 0);
    Check(WaitUntil([] { return Exists(StartupShortcut()); }),
          L"the resident program's Startup shortcut");
    Check(MainWindow() != nullptr, L"the program stays resident");
}

void CheckReinstalled() {
    std::wstring folder = InstallFolder();
    Check(Exists(folder + L"\\" + kProgramExe), L"dawnbell.exe installed again");
    Check(ValueCount(runat::StoreKey()) > 0, L"the alarm's registration kept");
    Check(ReadSetting(L"Alarm") == 1, L"the settings kept");
    Check(WaitUntil([] { return ServiceWindow() != nullptr; }), L"the service runs again");
    // A start at logon: resident and hidden, for the uninstaller to end.
    Check(StartProgram(kStartupToken), L"the installed program starts again");
    Check(WaitUntil([] { return MainWindow() != nullptr; }), L"the program runs resident");
}

void CheckUninstalled() {
    std::wstring folder = InstallFolder();
    Check(MainWindow() == nullptr, L"dawnbell.exe ended");
    Check(ServiceWindow() == nullptr, L"the service ended");
    Check(!Exists(folder), L"the install folder removed");
    Check(!Exists(Folder(CSIDL_PROGRAMS) + L"\\Dawnbell.lnk"), L"Start-menu shortcut removed");
    Check(!Exists(StartupShortcut()), L"Startup shortcut removed");
    Check(!KeyExists(kUninstallKey), L"uninstall entry removed");
    Check(!HasValue(runat::kRunKey, runat::ServiceName()), L"logon entry removed");
    Check(!KeyExists(runat::StoreKey()), L"the service's registrations removed");
    Check(ReadSetting(L"Alarm") == 1 && ReadSetting(L"NoSuspend") == 1, L"the settings kept");
}

void CheckPurged() {
    Check(!KeyExists(ParentKey(kSettingsKey).c_str()), L"the settings removed");
    Check(!KeyExists(ParentKey(ParentKey(kSettingsKey)).c_str()),
          L"the empty publisher key removed");
    Check(!KeyExists(kUninstallKey), L"uninstall entry removed");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"installed")
        CheckInstalled();
    else if (mode == L"reinstalled")
        CheckReinstalled();
    else if (mode == L"uninstalled")
        CheckUninstalled();
    else if (mode == L"purged")
        CheckPurged();
    else {
        wprintf(L"usage: install_probe installed|reinstalled|uninstalled|purged\n");
        return 2;
    }
    wprintf(L"%ls: %d failed\n", mode.c_str(), g_failures);
    return g_failures ? 1 : 0;
}

// What the real program loads and writes while it only waits: a resident Dawnbell that has
// never rung has loaded neither the sound nor the power library, and its start leaves a Startup
// shortcut that already starts it alone.
#include "platform/win.h"

#include <tlhelp32.h>

#include <cwchar>
#include <gtest/gtest.h>
#include <set>
#include <string>

#include "resources/resource.h"
#include "tests/e2e/e2e_support.h"

namespace {

// The lower-case file names of the modules loaded in process `pid`.
std::set<std::wstring> Modules(DWORD pid) {
    std::set<std::wstring> names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE)
        return names;
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32FirstW(snapshot, &entry); more;
         more = Module32NextW(snapshot, &entry)) {
        std::wstring name = entry.szModule;
        for (wchar_t& c : name)
            c = towlower(c);
        names.insert(name);
    }
    CloseHandle(snapshot);
    return names;
}

ULONGLONG LastWritten(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return FromFileTime(data.ftLastWriteTime);
}

class LeanStart : public ::testing::Test {
  protected:
    void SetUp() override { CleanSlate(); }
    void TearDown() override {
        program.Kill();
        CleanSlate();
        DeleteFileW(StartupShortcut().c_str());
    }
    // Starts a resident Dawnbell and closes its window into hiding; its main window or null.
    HWND StartResident() {
        program = Start(kProgramExe, L"");
        HWND window = WaitForMainWindow(program.process.dwProcessId);
        if (window) {
            SendMessageW(window, WM_CLOSE, 0, 0);
            WaitUntil([&] { return !IsWindowVisible(window); });
        }
        return window;
    }
    Program program;
};

TEST_F(LeanStart, AResidentThatNeverRangHasNoSoundOrPowerLibraryAndOneRingLoadsTheSound) {
    StoreArmedAlarm(0, true);
    WriteSetting(L"VolCtrl", 1);
    HWND window = StartResident();
    ASSERT_NE(window, nullptr);
    std::set<std::wstring> modules = Modules(program.process.dwProcessId);
    ASSERT_TRUE(modules.count(L"user32.dll")) << "the modules of another process can be read";
    EXPECT_FALSE(modules.count(L"winmm.dll"));
    EXPECT_FALSE(modules.count(L"powrprof.dll"));

    SendMessageW(window, WM_ALARM, 0, 0);
    EXPECT_TRUE(Modules(program.process.dwProcessId).count(L"winmm.dll"));
}

TEST_F(LeanStart, AShortcutThatAlreadyStartsTheProgramIsNotWrittenAgain) {
    StoreArmedAlarm(0, true);
    ASSERT_NE(StartResident(), nullptr);
    const std::wstring shortcut = StartupShortcut();
    ULONGLONG written = LastWritten(shortcut);
    ASSERT_NE(written, 0u) << "a resident start makes the shortcut";
    program.Kill();

    Sleep(50); // a later write would show a later time
    ASSERT_NE(StartResident(), nullptr);
    EXPECT_EQ(LastWritten(shortcut), written);
}

} // namespace

// The desktop stand-ins for the device's wave folder, LED, display power and buttons, against
// the real desktop functions.
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

#include "platform/desktop/device_paths.h"
#include "platform/display.h"
#include "platform/keys.h"
#include "platform/led.h"
#include "platform/shell.h"

namespace {

std::wstring MediaFolder() {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\Media";
}

std::wstring Mapped(LPCWSTR path) {
    wchar_t out[MAX_PATH];
    EXPECT_TRUE(desktop::MapDevicePath(path, out, MAX_PATH)) << path;
    return out;
}

TEST(DevicePaths, TheDeviceWindowsFolderIsTheSystemSoundsFolder) {
    EXPECT_EQ(MediaFolder() + L"\\Alarm1.wav", Mapped(L"\\Windows\\Alarm1.wav"));
    EXPECT_EQ(MediaFolder() + L"\\*.wav", Mapped(L"\\WINDOWS\\*.wav"));
    EXPECT_EQ(MediaFolder() + L"\\.wav", Mapped(L"\\Windows\\.wav")) << "an empty wave name";
}

TEST(DevicePaths, OtherPathsStayAsTheyAre) {
    EXPECT_EQ(L"C:\\Windows\\Alarm1.wav", Mapped(L"C:\\Windows\\Alarm1.wav"));
    EXPECT_EQ(L"\\Windowsx\\a.wav", Mapped(L"\\Windowsx\\a.wav"));
    EXPECT_EQ(L"\\Windows", Mapped(L"\\Windows"));
    EXPECT_EQ(L"", Mapped(L""));
}

TEST(DevicePaths, APathThatDoesNotFitIsRefusedAndLeftEmpty) {
    wchar_t out[24];
    wmemset(out, L'#', std::size(out));
    EXPECT_FALSE(
        desktop::MapDevicePath(L"\\Windows\\a-rather-long-wave-name.wav", out, std::size(out)));
    EXPECT_EQ(L'\0', out[0]);
    std::wstring longest = L"\\Windows\\" + std::wstring(63, L'w') + L".wav";
    EXPECT_EQ(MediaFolder() + L"\\" + std::wstring(63, L'w') + L".wav", Mapped(longest.c_str()));
    std::wstring plain(MAX_PATH, L'p');
    wchar_t big[MAX_PATH];
    EXPECT_FALSE(desktop::MapDevicePath(plain.c_str(), big, MAX_PATH));
}

// The wave list searches "\Windows\*.wav" and closes the search with FindClose.
TEST(DevicePaths, TheWaveSearchFindsTheSystemSounds) {
    std::wstring media = MediaFolder();
    bool madeFolder = CreateDirectoryW(media.c_str(), nullptr) != FALSE;
    std::wstring name = L"Dawnbell Test " + std::to_wstring(GetCurrentProcessId()) + L".wav";
    std::wstring wave = media + L"\\" + name;
    CloseHandle(CreateFileW(wave.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    HANDLE find = platform::FindFirstFileW(L"\\Windows\\Dawnbell Test *.WAV", &data);
    if (find != INVALID_HANDLE_VALUE) {
        do
            found.push_back(data.cFileName);
        while (platform::FindNextFileW(find, &data));
        EXPECT_TRUE(platform::FindClose(find));
    }
    ::DeleteFileW(wave.c_str());
    if (madeFolder)
        RemoveDirectoryW(media.c_str());
    EXPECT_EQ(std::vector<std::wstring>{name}, found);
}

// A window of this process titled "Dawnbell", as the main window is, that notes its system
// commands.
class MainWindow : public ::testing::Test {
  protected:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MONITORPOWER) {
            monitorPower_.push_back(lParam);
            return 0;
        }
        if (message == WM_HOTKEY)
            hotKeys_.push_back(static_cast<int>(wParam));
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND Create(LPCWSTR title) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"DawnbellStandInTest";
        RegisterClassW(&windowClass);
        HWND window =
            CreateWindowExW(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW, 0, 0, 200,
                            100, nullptr, nullptr, windowClass.hInstance, nullptr);
        windows_.push_back(window);
        return window;
    }

    void TearDown() override {
        for (HWND window : windows_)
            DestroyWindow(window);
        monitorPower_.clear();
        hotKeys_.clear();
    }

    static void Pump() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }

    std::vector<HWND> windows_;
    static std::vector<LPARAM> monitorPower_;
    static std::vector<int> hotKeys_;
};

std::vector<LPARAM> MainWindow::monitorPower_;
std::vector<int> MainWindow::hotKeys_;

TEST(VirtualLed, ThereIsOneLedAndItAnswersThatItBlinks) {
    platform::NLED_COUNT_INFO count = {99};
    ASSERT_TRUE(platform::NLedGetDeviceInfo(platform::NLED_COUNT_INFO_ID, &count));
    EXPECT_EQ(1u, count.cLeds);

    platform::NLED_SUPPORTS_INFO supports = {};
    ASSERT_TRUE(platform::NLedGetDeviceInfo(platform::NLED_SUPPORTS_INFO_ID, &supports));
    EXPECT_EQ(2, supports.lCycleAdjust);
    supports.LedNum = 1;
    EXPECT_FALSE(platform::NLedGetDeviceInfo(platform::NLED_SUPPORTS_INFO_ID, &supports));
    EXPECT_FALSE(platform::NLedGetDeviceInfo(platform::NLED_SETTINGS_INFO_ID, &supports));
}

TEST_F(MainWindow, TheLedIsTheMainWindowsButton) {
    platform::NLED_SETTINGS_INFO settings = {0, 2, 0, 0, 0, 0, 0};
    EXPECT_FALSE(platform::NLedSetDevice(platform::NLED_SETTINGS_INFO_ID, &settings))
        << "no main window yet";
    Create(L"Dawnbell Settings");
    EXPECT_FALSE(platform::NLedSetDevice(platform::NLED_SETTINGS_INFO_ID, &settings))
        << "only the window titled exactly Dawnbell";

    Create(L"Dawnbell");
    for (INT32 mode : {2, 1, 0}) {
        settings.OffOnBlink = mode;
        EXPECT_TRUE(platform::NLedSetDevice(platform::NLED_SETTINGS_INFO_ID, &settings)) << mode;
    }
    settings.OffOnBlink = 3;
    EXPECT_FALSE(platform::NLedSetDevice(platform::NLED_SETTINGS_INFO_ID, &settings));
    settings.OffOnBlink = 2;
    settings.LedNum = 1;
    EXPECT_FALSE(platform::NLedSetDevice(platform::NLED_SETTINGS_INFO_ID, &settings));
}

TEST_F(MainWindow, ThePowerEscapeIsAnsweredAndSwitchesTheMonitor) {
    Create(L"Dawnbell");
    HDC dc = platform::GetDC(nullptr);
    DWORD asked = platform::SETPOWERMANAGEMENT;
    EXPECT_NE(0, platform::ExtEscape(dc, platform::QUERYESCSUPPORT_ESCAPE, sizeof asked,
                                     reinterpret_cast<LPCSTR>(&asked), 0, nullptr));

    platform::VIDEO_POWER_MANAGEMENT power = {12, 1, platform::VideoPowerOff};
    EXPECT_GT(platform::ExtEscape(dc, platform::SETPOWERMANAGEMENT, sizeof power,
                                  reinterpret_cast<LPCSTR>(&power), 0, nullptr),
              0);
    power.PowerState = platform::VideoPowerOn;
    EXPECT_GT(platform::ExtEscape(dc, platform::SETPOWERMANAGEMENT, sizeof power,
                                  reinterpret_cast<LPCSTR>(&power), 0, nullptr),
              0);
    // A record too short to be one is refused.
    EXPECT_LT(platform::ExtEscape(dc, platform::SETPOWERMANAGEMENT, 8,
                                  reinterpret_cast<LPCSTR>(&power), 0, nullptr),
              0);
    platform::ReleaseDC(nullptr, dc);
    Pump();
    EXPECT_EQ((std::vector<LPARAM>{2, -1}), monitorPower_);
}

TEST_F(MainWindow, AnApplicationButtonIsADesktopKeyAndItsPressArrivesOnce) {
    HWND window = Create(L"Dawnbell");
    ASSERT_TRUE(platform::RegisterHotKey(window, 0, 0x1008, 0xC1));
    ASSERT_TRUE(platform::RegisterHotKey(window, 15, 0x1008, 0xD0));
    // F5 alone is taken now; the first button holds it.
    EXPECT_FALSE(::RegisterHotKey(nullptr, 100, 0, VK_F5));

    ::keybd_event(VK_F5, 0, 0, 0);
    ::keybd_event(VK_F5, 0, KEYEVENTF_KEYUP, 0);
    Pump();
    EXPECT_EQ(std::vector<int>{0}, hotKeys_);

    EXPECT_TRUE(platform::UnregisterHotKey(window, 0));
    EXPECT_TRUE(platform::UnregisterHotKey(window, 15));
    EXPECT_TRUE(::RegisterHotKey(nullptr, 100, 0, VK_F5));
    ::UnregisterHotKey(nullptr, 100);
}

} // namespace

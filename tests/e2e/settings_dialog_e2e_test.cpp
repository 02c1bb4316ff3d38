// The settings dialog in the real dawnbell.exe, opened and filled in as a user would: the wave
// list comes from the real sounds folder, a wrong field is refused with the real message box,
// and OK arms the alarm, stores the settings and shows the new alarm.
#include <algorithm>
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/e2e/e2e_dialogs.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/settings_controls.h"

namespace {

const wchar_t* const kSoundFiles[] = {L"e2e-chime.wav", L"E2E-LOUD.WAV", L"e2e-song.wave"};

class RealSettingsDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        CleanSlate();
        for (const wchar_t* name : kSoundFiles)
            ASSERT_TRUE(WriteToneFile(SoundsFolder() + name, 880, 0.2));
    }
    void TearDown() override {
        program.Kill();
        CleanSlate();
        for (const wchar_t* name : kSoundFiles)
            DeleteFileW((SoundsFolder() + name).c_str());
    }
    Program program;
};

TEST_F(RealSettingsDialog, OpensFromTheWindowRefusesABadHourAndArmsOnOk) {
    program = Start(kProgramExe, L"");
    DWORD pid = program.process.dwProcessId;
    HWND window = WaitForMainWindow(pid);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(ControlVisible(window, IDC_SETTINGS));

    Press(GetDlgItem(window, IDC_SETTINGS));
    HWND dialog = WaitForDialog(pid, kSettingsCaption);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), window) << "owned by the main window";

    // Only real ".wav" files are listed; the search's short-name match "e2e-song.wave" is not.
    std::vector<std::wstring> waves = ComboItems(GetDlgItem(dialog, IDC_WAVE));
    EXPECT_NE(std::find(waves.begin(), waves.end(), L"e2e-chime"), waves.end());
    EXPECT_NE(std::find(waves.begin(), waves.end(), L"e2e-loud"), waves.end());
    for (const std::wstring& wave : waves)
        EXPECT_EQ(wave.find(L"e2e-song"), std::wstring::npos);

    // A wrong hour: the real message box, and the dialog stays.
    SetWindowTextW(GetDlgItem(dialog, IDC_HOUR), L"25");
    Press(GetDlgItem(dialog, IDOK));
    HWND box = WaitForDialog(pid, L"Error");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageText(box), L"Time setting Error.");
    Press(GetDlgItem(box, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
    EXPECT_TRUE(IsWindowVisible(dialog));

    SetWindowTextW(GetDlgItem(dialog, IDC_HOUR), L"6");
    SetWindowTextW(GetDlgItem(dialog, IDC_MINUTE), L"45");
    SetWindowTextW(GetDlgItem(dialog, IDC_REPEAT), L"2");
    SetWindowTextW(GetDlgItem(dialog, IDC_SNOOZE), L"7");
    HWND waveList = GetDlgItem(dialog, IDC_WAVE);
    int chime =
        static_cast<int>(std::find(waves.begin(), waves.end(), L"e2e-chime") - waves.begin());
    SendMessageW(waveList, CB_SETCURSEL, chime, 0);
    SendMessageW(GetDlgItem(dialog, IDC_BEEP), BM_SETCHECK, BST_UNCHECKED, 0);
    Press(GetDlgItem(dialog, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));

    EXPECT_TRUE(WaitUntil([&] { return !ControlVisible(window, IDC_SETTINGS); }, 5000));
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_ALARM)), L"Alarm at 6:45\n(Snooze 7 Min.)");
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_ALARM, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_NEXT)).substr(0, 6), L"Next: ");
    EXPECT_EQ(ReadSetting(L"Alarm"), 1u);
    EXPECT_EQ(ReadSetting(L"Hour"), 6u);
    EXPECT_EQ(ReadSetting(L"Minute"), 45u);
    EXPECT_EQ(ReadSetting(L"AlarmNum"), 2u);
    EXPECT_EQ(ReadSetting(L"AlarmInterval"), 7u);
    EXPECT_EQ(ReadSetting(L"UseBeep"), 1u);
    EXPECT_EQ(ReadSettingText(L"Wave"), L"e2e-chime");
    EXPECT_EQ(ReadSettingText(L"strNext"), WindowText(GetDlgItem(window, IDC_NEXT)));
}

} // namespace

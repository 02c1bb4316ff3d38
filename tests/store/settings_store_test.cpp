#include <cstring>
#include <random>
#include "model/settings.h"
#include "store/settings_store.h"
#include "tests/support/test_support.h"

namespace {

class StoreTest : public ProgramTest {};

const wchar_t* const kNumberNames[] = {L"Hour",      L"Minute",    L"Alarm",    L"VolCtrl",
                                       L"AlarmInterval", L"UseBeep", L"NoSuspend", L"ScreenOff",
                                       L"LedBlink",  L"AlarmNum",  L"AlarmCnt", L"Button"};

void FillEveryField() {
    Settings.Hour = 6;
    Settings.Minute = 30;
    wcscpy(Settings.Wave, L"Alarm2");
    Settings.Alarm = 1;
    Settings.VolCtrl = 3;
    Settings.AlarmInterval = 15;
    Settings.UseBeep = 1;
    wcscpy(Settings.strNext, L"Next: 2005/6/2 7:05");
    Settings.NoSuspend = 1;
    Settings.ScreenOff = 1;
    Settings.LedBlink = 2;
    Settings.AlarmNum = 3;
    Settings.AlarmCnt = 2;
    Settings.Button = 1;
}

TEST_F(StoreTest, FirstRunLeavesTheInitialValuesAndCreatesTheKey) {
    LoadSettings();
    EXPECT_EQ(Settings.VolCtrl, 1);
    EXPECT_EQ(Settings.AlarmInterval, 5);
    EXPECT_STREQ(Settings.Wave, L"");
    EXPECT_STREQ(Settings.strNext, L"No setting.");
    EXPECT_EQ(Settings.Hour, 0);
    EXPECT_EQ(Settings.Alarm, 0);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Larchworks\\Dawnbell\\Setting", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD values = 99;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(values, 0u);

    SaveSettings();
    for (const wchar_t* name : kNumberNames)
        EXPECT_EQ(ValueSize(name), 4u) << fake::Narrow(name);
    EXPECT_EQ(ReadDword(L"VolCtrl"), 1u);
    EXPECT_EQ(ReadDword(L"AlarmInterval"), 5u);
    EXPECT_EQ(ReadString(L"Wave"), L"");
    EXPECT_EQ(ValueSize(L"Wave"), 2u);
    EXPECT_EQ(ReadString(L"strNext"), L"No setting.");
}

TEST_F(StoreTest, SaveThenLoadGivesBackEveryField) {
    FillEveryField();
    wcscpy(Settings.Wave, std::wstring(63, L'w').c_str());
    SaveSettings();
    EXPECT_EQ(ReadDword(L"Hour"), 6u);
    EXPECT_EQ(ReadDword(L"AlarmCnt"), 2u);
    EXPECT_EQ(ValueSize(L"Wave"), 128u);

    ResetProgramState();
    LoadSettings();
    EXPECT_EQ(Settings.Hour, 6);
    EXPECT_EQ(alarmSetting.hour, 6); // the same integer
    EXPECT_EQ(Settings.Minute, 30);
    EXPECT_EQ(std::wstring(Settings.Wave), std::wstring(63, L'w'));
    EXPECT_EQ(Settings.Alarm, 1);
    EXPECT_EQ(Settings.VolCtrl, 3);
    EXPECT_EQ(Settings.AlarmInterval, 15);
    EXPECT_EQ(Settings.UseBeep, 1);
    EXPECT_STREQ(Settings.strNext, L"Next: 2005/6/2 7:05");
    EXPECT_EQ(Settings.NoSuspend, 1);
    EXPECT_EQ(Settings.ScreenOff, 1);
    EXPECT_EQ(Settings.LedBlink, 2);
    EXPECT_EQ(Settings.AlarmNum, 3);
    EXPECT_EQ(Settings.AlarmCnt, 2);
    EXPECT_EQ(Settings.Button, 1);
}

TEST_F(StoreTest, TextIsStoredWithItsTerminator) {
    wcscpy(Settings.Wave, L"Alarm1");
    SaveSettings();
    EXPECT_EQ(ValueSize(L"Wave"), 14u);
    EXPECT_EQ(ReadString(L"Wave"), L"Alarm1");
}

TEST_F(StoreTest, AWaveNameOfSixtyFourCharactersIsSavedButNotLoaded) {
    std::wstring name(64, L'x');
    wcscpy(Settings.Wave, name.c_str());
    SaveSettings();
    EXPECT_EQ(ValueSize(L"Wave"), 130u);
    EXPECT_EQ(ReadString(L"Wave"), name);

    ResetProgramState();
    LoadSettings();
    EXPECT_STREQ(Settings.Wave, L"");
}

TEST_F(StoreTest, AMissingValueKeepsItsFieldAndTheOthersStillLoad) {
    FillEveryField();
    SaveSettings();
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, &key);
    RegDeleteValueW(key, L"Minute");
    RegCloseKey(key);

    ResetProgramState();
    LoadSettings();
    EXPECT_EQ(Settings.Hour, 6);
    EXPECT_EQ(Settings.Minute, 0);
    EXPECT_EQ(Settings.Button, 1);
}

TEST_F(StoreTest, SaveWritesTheCounterAndArmedFlagAsTheyStand) {
    SaveSettings();
    Settings.AlarmCnt = 7;
    Settings.Alarm = 0;
    SaveSettings();
    EXPECT_EQ(ReadDword(L"AlarmCnt"), 7u);
    EXPECT_EQ(ReadDword(L"Alarm"), 0u);
}

TEST_F(StoreTest, MalformedValuesAreIgnoredAndNeverOverrunTheirFields) {
    FillEveryField();
    const BYTE eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    WriteRaw(L"Hour", REG_BINARY, eight, 8);               // too long for a number
    WriteRaw(L"Minute", REG_DWORD, eight, 2);              // too short
    WriteString(L"AlarmNum", L"9");                        // a string under a number's name
    WriteRaw(L"AlarmCnt", REG_BINARY, eight, 4);           // four bytes, but not a DWORD
    WriteRaw(L"Wave", REG_SZ, L"abc", 5);                  // odd byte count
    WriteRaw(L"strNext", REG_DWORD, eight, 4);             // a number under a text's name
    std::wstring full(64, L'n');
    WriteRaw(L"strNext", REG_SZ, full.c_str(), 20);        // ten characters, no terminator
    LoadSettings();
    EXPECT_EQ(Settings.Hour, 6);
    EXPECT_EQ(Settings.Minute, 30);
    EXPECT_EQ(Settings.AlarmNum, 3);
    EXPECT_EQ(Settings.AlarmCnt, 2);
    EXPECT_STREQ(Settings.Wave, L"Alarm2");
    EXPECT_EQ(std::wstring(Settings.strNext), std::wstring(10, L'n'));

    WriteRaw(L"Wave", REG_SZ, L"Alarm3\0junk", 22);        // text after the terminator
    LoadSettings();
    EXPECT_STREQ(Settings.Wave, L"Alarm3");
}

// Whatever the registry holds under the fourteen names, a load neither crashes nor writes past
// a field, every text field stays terminated, and well-formed values still load exactly.
TEST_F(StoreTest, RandomValuesUnderEveryNameStayWithinTheirFields) {
    const wchar_t* const names[] = {L"Hour",      L"Minute",    L"Wave",     L"Alarm",
                                    L"VolCtrl",   L"AlarmInterval", L"UseBeep", L"strNext",
                                    L"NoSuspend", L"ScreenOff", L"LedBlink", L"AlarmNum",
                                    L"AlarmCnt",  L"Button"};
    const DWORD types[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ,
                           REG_QWORD};
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        for (const wchar_t* name : names) {
            BYTE data[300];
            DWORD size = random() % 300;
            for (DWORD i = 0; i < size; ++i)
                data[i] = static_cast<BYTE>(random());
            if (random() % 7 == 0)
                RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name);
            else
                WriteRaw(name, types[random() % 7], data, size);
        }
        int32_t number = static_cast<int32_t>(random());
        WriteDword(L"AlarmInterval", static_cast<DWORD>(number));
        WriteString(L"Wave", L"well formed");
        LoadSettings();
        ASSERT_LT(wcsnlen(Settings.Wave, kPathChars), static_cast<size_t>(kPathChars));
        ASSERT_LT(wcsnlen(Settings.strNext, kTextChars), static_cast<size_t>(kTextChars));
        ASSERT_EQ(Settings.AlarmInterval, number);
        ASSERT_STREQ(Settings.Wave, L"well formed");
    }
}

} // namespace

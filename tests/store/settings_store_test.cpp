#include <cstring>
#include <random>

#include "model/settings.h"
#include "store/settings_store.h"
#include "tests/support/test_support.h"

namespace {

class StoreTest : public ProgramTest {};

// Every field away from its initial value.
SettingsSnapshot EveryField() {
    SettingsSnapshot every;
    every.Hour = 6;
    every.Minute = 30;
    every.Wave = L"Alarm2";
    every.Alarm = 1;
    every.VolCtrl = kVolumeFade30;
    every.AlarmInterval = 15;
    every.UseBeep = kPlayWaveFile;
    every.strNext = L"Next: 2005/6/2 7:05";
    every.NoSuspend = 1;
    every.ScreenOff = 1;
    every.LedBlink = 2;
    every.AlarmNum = 3;
    every.AlarmCnt = 2;
    every.Button = 1;
    every.AlarmDays = 0x3E;
    return every;
}

TEST_F(StoreTest, FirstRunLeavesTheInitialValuesAndCreatesTheKey) {
    LoadSettings();
    EXPECT_EQ(Settings.VolCtrl, 1);
    EXPECT_EQ(Settings.AlarmInterval, 5);
    EXPECT_STREQ(Settings.Wave, L"");
    EXPECT_STREQ(Settings.strNext, L"No setting.");
    EXPECT_EQ(Settings.Hour, 0);
    EXPECT_EQ(Settings.Alarm, 0);
    EXPECT_EQ(SettingsNow(), StartingSettings());
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD values = 99;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(values, 0u);

    SaveSettings();
    for (const SettingsField& f : kSettingsFields) {
        if (f.number) {
            EXPECT_EQ(ValueSize(f.name), 4u) << fake::Narrow(f.name);
        }
    }
    EXPECT_EQ(StoredSettings(), StartingSettings());
    EXPECT_EQ(ReadDword(L"VolCtrl"), 1u);
    EXPECT_EQ(ReadDword(L"AlarmInterval"), 5u);
    EXPECT_EQ(ReadString(L"Wave"), L"");
    EXPECT_EQ(ValueSize(L"Wave"), 2u);
    EXPECT_EQ(ReadString(L"strNext"), L"No setting.");
}

TEST_F(StoreTest, SaveThenLoadGivesBackEveryField) {
    SettingsSnapshot every = EveryField();
    every.Wave = std::wstring(63, L'w');
    ApplySettings(every);
    SaveSettings();
    EXPECT_EQ(StoredSettings(), every);
    EXPECT_EQ(ValueSize(L"Wave"), 128u);

    ResetProgramState();
    LoadSettings();
    EXPECT_EQ(alarmSetting.hour, 6); // the same integer
    EXPECT_EQ(SettingsNow(), every);
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
    ApplySettings(EveryField());
    SaveSettings();
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, &key);
    RegDeleteValueW(key, L"Minute");
    RegCloseKey(key);

    ResetProgramState();
    LoadSettings();
    SettingsSnapshot expected = EveryField();
    expected.Minute = StartingSettings().Minute;
    EXPECT_EQ(Settings.Minute, 0);
    EXPECT_EQ(SettingsNow(), expected);
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
    ApplySettings(EveryField());
    const BYTE eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    WriteRaw(L"Hour", REG_BINARY, eight, 8);     // too long for a number
    WriteRaw(L"Minute", REG_DWORD, eight, 2);    // too short
    WriteString(L"AlarmNum", L"9");              // a string under a number's name
    WriteRaw(L"AlarmDays", REG_QWORD, eight, 8); // the new value is read as strictly
    WriteRaw(L"AlarmCnt", REG_BINARY, eight, 4); // four bytes, but not a DWORD
    WriteRaw(L"Wave", REG_SZ, L"abc", 5);        // odd byte count
    WriteRaw(L"strNext", REG_DWORD, eight, 4);   // a number under a text's name
    std::wstring full(64, L'n');
    WriteRaw(L"strNext", REG_SZ, full.c_str(), 20); // ten characters, no terminator
    LoadSettings();
    // Only the well-formed text, cut where it ends, is taken; the rest keep their fields.
    SettingsSnapshot expected = EveryField();
    expected.strNext = std::wstring(10, L'n');
    EXPECT_EQ(SettingsNow(), expected);

    WriteRaw(L"Wave", REG_SZ, L"Alarm3\0junk", 22); // text after the terminator
    LoadSettings();
    expected.Wave = L"Alarm3";
    EXPECT_EQ(SettingsNow(), expected);
}

// Whatever the registry holds under the settings' names, a load neither crashes nor writes past
// a field: every well-formed value loads exactly, and a missing or malformed one leaves its own
// field as it was and every other field as the registry has it.
TEST_F(StoreTest, RandomValuesLoadExactlyOrLeaveTheirFieldAlone) {
    const DWORD otherTypes[] = {REG_NONE, REG_EXPAND_SZ, REG_BINARY, REG_MULTI_SZ, REG_QWORD};
    std::mt19937 random(20261208);
    auto randomText = [&](size_t length) {
        std::wstring text;
        for (size_t i = 0; i < length; ++i)
            text.push_back(static_cast<wchar_t>(L' ' + random() % 95));
        return text;
    };

    for (int round = 0; round < 300; ++round) {
        SettingsSnapshot expected;
        for (const SettingsField& f : kSettingsFields) {
            if (f.number)
                expected.*f.number = static_cast<int32_t>(random());
            else
                expected.*f.text = randomText(random() % f.chars);
        }
        ApplySettings(expected);
        std::string plan;
        for (const SettingsField& f : kSettingsFields) {
            int kind = random() % 3;
            plan += fake::Narrow(f.name) + "=" + "wmb"[kind] + " ";
            if (kind == 0) { // well formed
                if (f.number) {
                    expected.*f.number = static_cast<int32_t>(random());
                    WriteDword(f.name, static_cast<DWORD>(expected.*f.number));
                } else {
                    expected.*f.text = randomText(random() % kTextChars);
                    WriteString(f.name, expected.*f.text);
                }
                continue;
            }
            if (kind == 1) { // missing
                RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, f.name);
                continue;
            }
            // Malformed: another type, or the field's own type at a size it never has.
            BYTE data[300];
            for (BYTE& b : data)
                b = static_cast<BYTE>(random());
            DWORD type = otherTypes[random() % std::size(otherTypes)];
            DWORD size = random() % 300;
            if (random() % 2) {
                type = f.number ? REG_DWORD : REG_SZ;
                if (f.number)
                    size = random() % 2 ? random() % 4 : 5 + random() % 295;
                else
                    size = random() % 2 ? 2 * (random() % 64) + 1 : 130 + 2 * (random() % 80);
            }
            WriteRaw(f.name, type, data, size);
        }
        LoadSettings();
        SCOPED_TRACE("round " + std::to_string(round) + ": " + plan);
        ASSERT_LT(wcsnlen(Settings.Wave, std::size(Settings.Wave)), std::size(Settings.Wave));
        ASSERT_LT(wcsnlen(Settings.strNext, std::size(Settings.strNext)),
                  std::size(Settings.strNext));
        ASSERT_EQ(SettingsNow(), expected);
    }
}

} // namespace

#include <cstring>
#include <random>

#include "model/settings.h"
#include "store/settings_store.h"
#include "tests/support/test_support.h"

namespace {

class StoreTest : public ProgramTest {};

const wchar_t* const kNumberNames[] = {L"Hour",          L"Minute",   L"Alarm",     L"VolCtrl",
                                       L"AlarmInterval", L"UseBeep",  L"NoSuspend", L"ScreenOff",
                                       L"LedBlink",      L"AlarmNum", L"AlarmCnt",  L"Button"};

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
    WriteRaw(L"Hour", REG_BINARY, eight, 8);     // too long for a number
    WriteRaw(L"Minute", REG_DWORD, eight, 2);    // too short
    WriteString(L"AlarmNum", L"9");              // a string under a number's name
    WriteRaw(L"AlarmCnt", REG_BINARY, eight, 4); // four bytes, but not a DWORD
    WriteRaw(L"Wave", REG_SZ, L"abc", 5);        // odd byte count
    WriteRaw(L"strNext", REG_DWORD, eight, 4);   // a number under a text's name
    std::wstring full(64, L'n');
    WriteRaw(L"strNext", REG_SZ, full.c_str(), 20); // ten characters, no terminator
    LoadSettings();
    EXPECT_EQ(Settings.Hour, 6);
    EXPECT_EQ(Settings.Minute, 30);
    EXPECT_EQ(Settings.AlarmNum, 3);
    EXPECT_EQ(Settings.AlarmCnt, 2);
    EXPECT_STREQ(Settings.Wave, L"Alarm2");
    EXPECT_EQ(std::wstring(Settings.strNext), std::wstring(10, L'n'));

    WriteRaw(L"Wave", REG_SZ, L"Alarm3\0junk", 22); // text after the terminator
    LoadSettings();
    EXPECT_STREQ(Settings.Wave, L"Alarm3");
}

// Whatever the registry holds under the fourteen names, a load neither crashes nor writes past
// a field: every well-formed value loads exactly, and a missing or malformed one leaves its own
// field as it was and every other field as the registry has it.
TEST_F(StoreTest, RandomValuesLoadExactlyOrLeaveTheirFieldAlone) {
    struct Field {
        const wchar_t* name;
        int32_t* number; // a number field, or
        wchar_t* text;   // a text field of `chars` characters
        size_t chars;
    };
    const Field fields[] = {
        {L"Hour", &Settings.Hour, nullptr, 0},
        {L"Minute", &Settings.Minute, nullptr, 0},
        {L"Wave", nullptr, Settings.Wave, kPathChars},
        {L"Alarm", &Settings.Alarm, nullptr, 0},
        {L"VolCtrl", &Settings.VolCtrl, nullptr, 0},
        {L"AlarmInterval", &Settings.AlarmInterval, nullptr, 0},
        {L"UseBeep", &Settings.UseBeep, nullptr, 0},
        {L"strNext", nullptr, Settings.strNext, kTextChars},
        {L"NoSuspend", &Settings.NoSuspend, nullptr, 0},
        {L"ScreenOff", &Settings.ScreenOff, nullptr, 0},
        {L"LedBlink", &Settings.LedBlink, nullptr, 0},
        {L"AlarmNum", &Settings.AlarmNum, nullptr, 0},
        {L"AlarmCnt", &Settings.AlarmCnt, nullptr, 0},
        {L"Button", &Settings.Button, nullptr, 0},
    };
    const DWORD otherTypes[] = {REG_NONE, REG_EXPAND_SZ, REG_BINARY, REG_MULTI_SZ, REG_QWORD};
    std::mt19937 random(20261208);
    auto randomText = [&](size_t length) {
        std::wstring text;
        for (size_t i = 0; i < length; ++i)
            text.push_back(static_cast<wchar_t>(L' ' + random() % 95));
        return text;
    };

    for (int round = 0; round < 300; ++round) {
        std::vector<int32_t> numbers;
        std::vector<std::wstring> texts;
        for (const Field& f : fields) {
            if (f.number) {
                *f.number = static_cast<int32_t>(random());
            } else {
                std::wstring before = randomText(random() % f.chars);
                wcscpy(f.text, before.c_str());
            }
            numbers.push_back(f.number ? *f.number : 0);
            texts.push_back(f.text ? f.text : L"");
        }
        std::string plan;
        for (size_t i = 0; i < std::size(fields); ++i) {
            const Field& f = fields[i];
            int kind = random() % 3;
            plan += fake::Narrow(f.name) + "=" + "wmb"[kind] + " ";
            if (kind == 0) { // well formed
                if (f.number) {
                    numbers[i] = static_cast<int32_t>(random());
                    WriteDword(f.name, static_cast<DWORD>(numbers[i]));
                } else {
                    texts[i] = randomText(random() % kTextChars);
                    WriteString(f.name, texts[i]);
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
        for (size_t i = 0; i < std::size(fields); ++i) {
            const Field& f = fields[i];
            if (f.number) {
                ASSERT_EQ(*f.number, numbers[i]) << fake::Narrow(f.name);
            } else {
                ASSERT_LT(wcsnlen(f.text, f.chars), f.chars) << fake::Narrow(f.name);
                ASSERT_EQ(std::wstring(f.text), texts[i]) << fake::Narrow(f.name);
            }
        }
    }
}

} // namespace

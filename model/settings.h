// The persisted settings block. Hour and Minute are the alarm time's own fields, so that the
// store reads and writes them in place.
#pragma once
#include <cstdint>
#include "model/alarm_time.h"

constexpr int kTextChars = 64;  // display texts and number fields
constexpr int kPathChars = 260; // paths and the wave name field

struct SettingsBlock {
    int32_t& Hour;
    int32_t& Minute;
    wchar_t Wave[kPathChars];
    int32_t Alarm;
    int32_t VolCtrl;
    int32_t AlarmInterval;
    int32_t UseBeep;
    wchar_t strNext[kTextChars];
    int32_t NoSuspend;
    int32_t ScreenOff;
    int32_t LedBlink;
    int32_t AlarmNum;
    int32_t AlarmCnt;
    int32_t Button;
};

extern SettingsBlock Settings;

extern const wchar_t kNoSetting[];         // "No setting."
extern const wchar_t kRegistrationError[]; // "Registration Error."

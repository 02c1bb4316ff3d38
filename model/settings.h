// The persisted settings block. Hour and Minute are the alarm time's own fields, so that the
// store reads and writes them in place.
#pragma once
#include <cstdint>

#include "model/alarm_time.h"

constexpr int kTextChars = 64;  // display texts and number fields
constexpr int kPathChars = 260; // paths and the wave name field

// What the values of the fields mean, where a number stands for a choice.
// UseBeep: which sound rings (the dialog's beep box ticked stores kPlayBeep).
inline constexpr int32_t kPlayBeep = 0;     // the built-in beep
inline constexpr int32_t kPlayWaveFile = 1; // the wave file named by Wave (any non-zero value)
// VolCtrl: the volume effect, the index of its item in the settings dialog's list; any other
// value acts as kVolumeNone.
inline constexpr int32_t kVolumeNone = 0;
inline constexpr int32_t kVolumeMax = 1;
inline constexpr int32_t kVolumeFade15 = 2;
inline constexpr int32_t kVolumeFade30 = 3;
// LedBlink: the LED to blink, shown from 1 (the driver's LED LedBlink - 1), or none.
inline constexpr int32_t kNoLed = 0;
// AlarmNum: how many rings, or no limit (the count AlarmCnt then stays as it is).
inline constexpr int32_t kNoRingLimit = 0;
// AlarmDays: the weekdays the alarm rings on (a set as in alarm_time.h, kAllWeekdays), or none:
// it rings once and then ends. Stored after the fourteen older values.
inline constexpr int32_t kRingOnce = 0;

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
    int32_t AlarmDays;
};

extern SettingsBlock Settings;

// The weekdays the alarm repeats on, without the bits that mean nothing; kRingOnce when none.
inline int32_t RepeatDays() {
    return Settings.AlarmDays & kAllWeekdays;
}

extern const wchar_t kNoSetting[];         // "No setting."
extern const wchar_t kRegistrationError[]; // "Registration Error."

// The device calls the program makes, as the fake device journals them: each call and each
// sequence the tests expect is named once here, and a test spells its expectation out of them,
// e.g. Join({{kSilence, LedOff()}, kButtonsReleased, kDisplayOffSoon}).
#pragma once
#include "platform/win.h"

#include <initializer_list>
#include <string>
#include <vector>

using Lines = std::vector<std::string>;

// The parts one after another.
Lines Join(std::initializer_list<Lines> parts);

// Sound: the ring's built-in beep (a looping resource), a wave file, and silence.
extern const std::string kBeep;
extern const std::string kSilence;
std::string PlaysWave(const std::string& path);

// Volume. The device count is journalled only where a test asks for it
// (fake::Device::journalDeviceCount).
extern const std::string kAskDevices;
extern const std::string kReadVolume;
std::string SetsVolume(DWORD volume);
extern const std::string kFullVolume;     // the volume effect's full volume
extern const std::string kUserVolumeBack; // the fake device's own volume put back
// "MAX Volume": the user's volume is kept, full volume set, then the beep loops.
extern const Lines kBeepAtFullVolume;

// The notification LED; `led` is the driver's number, one less than the setting LedBlink.
extern const std::string kLedCountQuery;
std::string LedQuery(int led);
std::string LedOff(int led = 0);
std::string LedOn(int led);
std::string LedBlinks(int led = 0);
// A ring's LED step: the chosen LED is asked about, then blinks.
Lines LedQueriedThenBlinks(int led = 0);

// The display, through the screen's power escape.
extern const Lines kDisplayOn;      // at once, with a pause for the display to wake
extern const Lines kDisplayOffSoon; // timer 3 (re)started for half a second
extern const Lines kDisplayOffNow;  // the pending switch-off ended, the display off at once

// The hardware buttons: the 16 application keys captured as hot keys, and released.
extern const Lines kButtonsCaptured;
extern const Lines kButtonsReleased;

// Keep-awake and suspend.
extern const std::string kKeepAwakeStarts; // timer 2, every ten seconds
extern const std::string kKeepAwakeStops;
extern const std::string kKeepAwakeKey;
extern const Lines kSuspend;
extern const std::string kClockStops; // timer 1
extern const std::string kEnsureService;

// The wake-up registration and the system's notifications, for the program's own path as the
// fake device gives it (fake::device().modulePath) when the expectation is made.
std::string Registration(const std::string& time); // "2026-12-08 07:05:00.000"
std::string RegistrationRemoved();
std::string NotificationsHandled();

// The Startup shortcut: its path in the fake device's Startup folder, its target, and the calls
// that make and remove it.
std::wstring ShortcutPath();
std::wstring ShortcutTarget();
std::string ShortcutMade();
std::string ShortcutDeleted();

// What the settings dialog asks of the device while it opens (no wave files here).
extern const Lines kSettingsDialogOpens;

// The names and numbers by which the program's processes, the system and the tests find each
// other: defined once here, used everywhere.
#pragma once
#include <cstdint>

// The single-instance mutex, owned by the running instance.
inline constexpr wchar_t kMutexName[] = L"DBELL";
// Set by the first instance once its main window has finished its initialisation; a second
// start waits for it rather than giving up on a window that is not there yet.
inline constexpr wchar_t kReadyEvent[] = L"DBELL Ready";
// Marks our own initialised main window, so that no other program's window is ever taken for it.
inline constexpr wchar_t kMainWindowMark[] = L"Dawnbell.MainWindow";
// The registry, under HKEY_CURRENT_USER: the publisher's key, which the desktop's run-at-time
// service shares, and the settings' key below it.
inline constexpr wchar_t kPublisherKey[] = L"Software\\Larchworks";
inline constexpr wchar_t kSettingsKey[] = L"Software\\Larchworks\\Dawnbell\\Setting";

// The main window's title and its dialog class, by which a second start finds it.
inline constexpr wchar_t kWindowTitle[] = L"Dawnbell";
inline constexpr wchar_t kDialogClass[] = L"#32770";

// The shortcut in the Startup folder that brings a resident alarm back after a restart.
inline constexpr wchar_t kShortcutName[] = L"DBELL.lnk";

// The command-line tokens: the system's start for an alarm, and the Startup shortcut's start.
inline constexpr wchar_t kAlarmToken[] = L"AppRunAtTime";
inline constexpr wchar_t kStartupToken[] = L"-s";

// The main window's timers.
inline constexpr uintptr_t TIMER_CLOCK = 1;     // date and time, every kClockTickMs
inline constexpr uintptr_t TIMER_KEEPAWAKE = 2; // the keep-awake key, every 10 s
inline constexpr uintptr_t TIMER_SCREENOFF = 3; // the delayed display switch-off, once
inline constexpr uintptr_t TIMER_HIDE = 4;      // the start-up hide, once the window is shown
// Twice a second, so that the shown seconds never lag the clock by a whole second.
inline constexpr unsigned kClockTickMs = 500;

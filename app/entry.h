// Program entry: single instance, command line and the main window's modal run.
#pragma once
#include "platform/win.h"

// What follows the program's name and the one blank after it in a full command line, as the
// program was given it.
const wchar_t* ArgumentsOf(const wchar_t* commandLine);

// True when the command line begins with the alarm token, or with the Startup shortcut's.
bool IsAlarmCommand(const wchar_t* cmdLine);
bool IsStartupCommand(const wchar_t* cmdLine);

// The running instance's ready main window: the dialog class, the exact title and our mark.
// Null when there is none.
HWND FindRunningInstance();

// The main window is initialised and can take a hand-over; and, as it ends, no longer.
void AnnounceReady(HWND window);
void WithdrawReady(HWND window);

// Everything the platform's GUI entry does; returns the program's exit code (always 0).
int RunDawnbell(HINSTANCE instance, const wchar_t* cmdLine);

// Program entry: single instance, command line and the main window's modal run.
#pragma once
#include "platform/win.h"

extern const wchar_t kMutexName[];   // "DBELL"
extern const wchar_t kWindowTitle[]; // "Dawnbell"
extern const wchar_t kAlarmToken[];  // "AppRunAtTime"

// True when the command line begins with the alarm token.
bool IsAlarmCommand(const wchar_t* cmdLine);

BOOL CALLBACK FindMainWindow(HWND window, LPARAM out);

// Everything the platform's GUI entry does; returns the program's exit code (always 0).
int RunDawnbell(HINSTANCE instance, const wchar_t* cmdLine);

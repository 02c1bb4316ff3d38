// Waiting for and driving the real program's dialogs and message boxes from another process, and
// putting sound files where the program looks for them.
#pragma once
#include "platform/win.h"

#include <string>
#include <vector>

#include "tests/support/combo_items.h" // ComboItems, across the process boundary too
#include "tests/support/real_processes.h"

// The shown top-level dialog of process `pid` titled `title` (a message box has the title
// "Error" when it was given none), waited for; null when none came.
HWND WaitForDialog(DWORD pid, const wchar_t* title, DWORD milliseconds = kPatience);
// The text of a message box: its static control that is not an icon.
std::wstring MessageText(HWND box);
// Presses a button as a click would, without waiting for what the click starts (a modal
// dialog would otherwise keep this call waiting until it ends).
void Press(HWND button);

// The folder the program lists and plays its wave files from ("\Windows\" on the device).
std::wstring SoundsFolder();
// A 16-bit mono PCM wave file of `seconds` of a sine tone at `hertz`, at half of full scale.
bool WriteToneFile(const std::wstring& path, double hertz, double seconds);

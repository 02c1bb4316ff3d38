// The main window: clock display, alarm check box, Settings/Stop button, close and resident.
#pragma once
#include "platform/win.h"

#include <cstdint>

#include "model/names.h"

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HFONT MakeClockFont(int32_t tenthsOfPoint, const wchar_t* face);
void HandleTimer(HWND window, UINT_PTR id);
BOOL HandleClose(HWND window);
// Shows the alarm time, the days it repeats on and the snooze interval on the check box.
void SetAlarmLabel(HWND window);

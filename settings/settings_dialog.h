// The settings dialog, run modally from the main window.
#pragma once
#include "platform/win.h"

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

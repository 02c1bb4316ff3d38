// The settings dialog (template IDD_SETTINGS), run modally from the main window. It edits the
// settings in memory only; saving is left to the re-arming that follows OK.
#pragma once
#include "platform/win.h"

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

void InitSettingsDialog(HWND dialog);
void CommitSettings(HWND dialog);
void SetTimeToNow(HWND dialog);
void PreviewWave(HWND dialog);
void ShowVersionInfo(HWND dialog);
void ApplyBeepRule(HWND dialog);
void ApplyLedRule(HWND dialog);

// Arming, ringing, snoozing, stopping and re-arming after the settings dialog.
#pragma once
#include "platform/win.h"

void ToggleAlarm(HWND window);
void FireAlarm(HWND window);
void StopRinging(HWND window);
void OpenSettings(HWND window);

// Arming, ringing, snoozing, stopping and re-arming after the settings dialog.
#pragma once
#include "platform/win.h"

void ToggleAlarm(HWND window);
void FireAlarm(HWND window);
void StopRinging(HWND window);
void OpenSettings(HWND window);

// An armed alarm whose ring the system no longer holds was missed (the machine was off, the
// service gave it up): it ends as a last ring ends, so that the window tells the truth. True
// when it ended.
bool EndAlarmIfMissed(HWND window);
// Whether this process's last ring registered the snooze that is still to come: an alarm handed
// over now is that ring reaching us once more, not a ring of its own.
bool IsRingAlreadyHandled();

// Arming, ringing, snoozing, stopping and re-arming after the settings dialog.
#pragma once
#include "platform/win.h"

void ToggleAlarm(HWND window);
void FireAlarm(HWND window);
void StopRinging(HWND window);
void OpenSettings(HWND window);

// An armed alarm whose ring the system no longer holds was missed (the machine was off, the
// service gave it up), and the window must tell the truth: a one-time alarm ends as a last ring
// ends, its line saying which ring was missed; a repeating one goes on to its next day and
// leaves the miss in AppState.missedAlarm for the window to tell. True when it ended.
bool EndAlarmIfMissed(HWND window);
// Whether this process's last ring registered the next ring that is still to come (its snooze,
// or a repeating alarm's next day): an alarm handed over now is that ring reaching us once more,
// not a ring of its own.
bool IsRingAlreadyHandled();

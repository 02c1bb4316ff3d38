// Registering the next ring with the system's run-at-time notification.
#pragma once
#include "platform/win.h"

#include <cstdint>

// True when a next ring's time was worked out (a registration, made or not); the time is then in
// AppState.snoozeDue. With `days` (a set of weekdays) the ring falls on the first of them to
// come; without, on the next day the time comes.
bool RegisterNextAlarm(HWND window, int32_t cancel, int32_t days = 0);
inline constexpr int32_t kSchedule = 0; // RegisterNextAlarm: register the next ring
inline constexpr int32_t kCancel = 1;   // RegisterNextAlarm: remove the registration
// How the next-alarm line begins when a ring is registered: "Next: 2026/12/9 6:30".
inline constexpr wchar_t kNextLead[] = L"Next: ";

// Tells the system that the alarm it started us for (or that a second start handed over) has
// been dealt with, so it does not start the program again for it.
void AcknowledgeAlarm();

// Whether the system still holds a ring for this program; true when it cannot be asked.
bool IsRingPending();

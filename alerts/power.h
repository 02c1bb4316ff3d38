// Notification LED, hardware buttons, display power and keep-awake.
#pragma once
#include "platform/win.h"

#include <cstdint>

#include "model/names.h"
#include "platform/led.h"

// Window timers of the main window that these operations start.

// The arguments' values, so that every call reads as what it does.
inline constexpr int32_t kOff = 0;
inline constexpr int32_t kOn = 1;
inline constexpr int32_t kAtOnce = 0;  // SetDisplayPower: switch now
inline constexpr int32_t kDelayed = 1; // SetDisplayPower: switch off half a second later
// SetLed's mode: the LED modes of platform/led.h, or this to toggle between blinking and off.
inline constexpr int32_t kLedToggle = -1;

int32_t GetLedCount();
int32_t QueryLedSupport();
void SetLed(int32_t ledNumber, int32_t mode);
void CaptureButtons(HWND window, int32_t on);
void SetDisplayPower(HWND window, int32_t on, int32_t delayed);
void SetKeepAwake(HWND window, int32_t on);
void SendKeepAwakeKey();
void SuspendDevice();

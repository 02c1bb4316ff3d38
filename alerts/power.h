// Notification LED, hardware buttons, display power and keep-awake.
#pragma once
#include <cstdint>
#include "model/names.h"
#include "platform/win.h"

// Window timers of the main window that these operations start.

int32_t GetLedCount();
int32_t QueryLedSupport();
void SetLed(int32_t ledNumber, int32_t mode);
void CaptureButtons(HWND window, int32_t on);
void SetDisplayPower(HWND window, int32_t on, int32_t delayed);
void SetKeepAwake(HWND window, int32_t on);
void SendKeepAwakeKey();
void SuspendDevice();

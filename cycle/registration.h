// Registering the next ring with the system's run-at-time notification.
#pragma once
#include <cstdint>
#include "platform/win.h"

void RegisterNextAlarm(HWND window, int32_t cancel);

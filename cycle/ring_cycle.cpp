#include "cycle/ring_cycle.h"

void ToggleAlarm(HWND) {}
void FireAlarm(HWND) {}
void StopRinging(HWND) {}
void OpenSettings(HWND) {}

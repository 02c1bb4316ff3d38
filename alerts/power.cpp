#include "alerts/power.h"

int32_t GetLedCount() { return -1; }
int32_t QueryLedSupport() { return -1; }
void SetLed(int32_t, int32_t) {}
void CaptureButtons(HWND, int32_t) {}
void SetDisplayPower(HWND, int32_t, int32_t) {}
void SetKeepAwake(HWND, int32_t) {}
void SendKeepAwakeKey() {}
void SuspendDevice() {}

#include "cycle/registration.h"

void RegisterNextAlarm(HWND, int32_t) {}

// Window timers and the window-less timer with a procedure.
#pragma once
#include "platform/win.h"

namespace platform {

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC proc);
BOOL KillTimer(HWND window, UINT_PTR id);

} // namespace platform

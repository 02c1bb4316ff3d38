// Window timers behave the same on the desktop.
#include "platform/timers.h"

namespace platform {

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC proc) {
    return ::SetTimer(window, id, milliseconds, proc);
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    return ::KillTimer(window, id);
}

} // namespace platform

// The desktop clock is the device clock.
#include "platform/clock.h"

namespace platform {

void GetLocalTime(SYSTEMTIME* time) {
    ::GetLocalTime(time);
}

void Sleep(DWORD milliseconds) {
    ::Sleep(milliseconds);
}

} // namespace platform

// The device clock and pauses of the calling thread.
#pragma once
#include "platform/win.h"

namespace platform {

void GetLocalTime(SYSTEMTIME* time);
void Sleep(DWORD milliseconds);

} // namespace platform

// The notification LED driver. The desktop has no such driver yet: every query fails.
#include "platform/led.h"

namespace platform {

BOOL NLedGetDeviceInfo(UINT, void*) { return FALSE; }

BOOL NLedSetDevice(UINT, void*) { return FALSE; }

} // namespace platform

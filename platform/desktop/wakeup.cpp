// The run-at-time notification. The desktop has none yet: registering fails.
#include "platform/wakeup.h"

namespace platform {

BOOL CeRunAppAtTime(LPCWSTR, const SYSTEMTIME*) { return FALSE; }

} // namespace platform

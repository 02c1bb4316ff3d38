// The system's run-at-time notification: starts a program with "AppRunAtTime" at a local time.
#pragma once
#include "platform/win.h"

namespace platform {

// Registers `path` for the local time `time`, replacing its earlier registration, or removes
// the registration when `time` is null. Non-zero on success.
BOOL CeRunAppAtTime(LPCWSTR path, const SYSTEMTIME* time);

} // namespace platform

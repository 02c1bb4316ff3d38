// The system's run-at-time notification: starts a program with "AppRunAtTime" at a local time.
#pragma once
#include "platform/win.h"

namespace platform {

// Registers `path` for the local time `time`, replacing its earlier registration, or removes
// the registration when `time` is null. Non-zero on success.
BOOL CeRunAppAtTime(LPCWSTR path, const SYSTEMTIME* time);

// Marks the notification that started `path` as handled: the program has taken its alarm over,
// so the system need not start it again for that time. Non-zero on success.
BOOL CeHandleAppNotifications(LPCWSTR path);

// Whether a registration or a due alarm on its way is pending for `path`, or for another copy of
// the same program (the same file name in another folder, which shares the settings and so the
// alarm): a ring the system will still start a program for. Non-zero also when the system
// cannot tell, so that an alarm is never given up on a guess.
BOOL IsAppNotificationPending(LPCWSTR path);

// Makes sure the system's run-at-time service is there to fire what is registered. On the
// device it is part of the system; on the desktop it is a program of its own that may have
// ended. Non-zero when it runs.
BOOL EnsureRunAtTimeService();

} // namespace platform

// Starting and watching processes, and talking to the running service: shared by the service,
// which starts the programs, and the desktop CeRunAppAtTime, which starts and wakes the service.
#pragma once
#include "runat/store.h"

namespace runat {

// Starting a process is tried this many times, this many milliseconds apart, before giving up.
constexpr int kStartAttempts = 3;
constexpr DWORD kStartRetryPause = 100;

// Starts `exe` with `commandLine` in `folder`, trying again a few times when the start fails for
// a passing reason (Wine now and then loses a starting process); a missing file is final. With
// `started`, its handles are the caller's to close.
bool StartProcess(LPCWSTR exe, LPWSTR commandLine, LPCWSTR folder, DWORD flags,
                  PROCESS_INFORMATION* started = nullptr);
// The creation time of a process, 0 when it cannot be read.
ULONGLONG CreationTime(HANDLE process);

bool IsServiceRunning();
// Asks a running service to read its registrations again; nothing happens when none runs.
void SignalReload();

} // namespace runat

// When a registered local time comes, by the wall clock: the one rule the service fires by and
// the program is told about, whatever the platform does with times that a daylight-saving
// change skips or repeats.
#pragma once
#include "platform/win.h"

namespace runat {

// The UTC instant (100 ns units since 1601) at which a registration made at `made` (UTC; 0 for
// one made before any occurrence) for the local time `local` comes due: the first instant from
// `made` on at which the local clock shows that time or a later one. A time that a change skips
// comes when the change is over; a time shown twice, at its first showing still ahead; a time
// the clock already shows or has passed at `made`, at `made`. False for a time that is no
// calendar time.
bool DueInstant(const SYSTEMTIME& local, ULONGLONG made, ULONGLONG* due);

// The due instant of a registration record's data (see ParseRegistration), read at `now`; false
// for data that is no registration.
bool RegistrationDue(const BYTE* data, DWORD size, ULONGLONG now, ULONGLONG* due);

} // namespace runat

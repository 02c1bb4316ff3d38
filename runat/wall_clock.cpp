#include "runat/wall_clock.h"

#include "runat/store.h"

namespace runat {

namespace {

constexpr LONGLONG kHour = 3600 * static_cast<LONGLONG>(kSecond);
constexpr LONGLONG kMinute = 60 * static_cast<LONGLONG>(kSecond);
// No zone is further than this from UTC, so a change near a local time lies within it.
constexpr LONGLONG kZoneReach = 14 * kHour;

LONGLONG FromFileTime(const FILETIME& file) {
    return static_cast<LONGLONG>(Ticks(file));
}

// What the local clock shows at the UTC instant `utc`, on the same scale. Only this direction
// of the conversion is used: it has exactly one answer.
bool LocalAt(LONGLONG utc, LONGLONG* local) {
    if (utc < 0)
        return false;
    FILETIME file = {static_cast<DWORD>(utc),
                     static_cast<DWORD>(static_cast<ULONGLONG>(utc) >> 32)};
    SYSTEMTIME universal, shown;
    if (!FileTimeToSystemTime(&file, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &shown) ||
        !SystemTimeToFileTime(&shown, &file))
        return false;
    *local = FromFileTime(file);
    return true;
}

// Whether the local clock shows `target` or later at `utc`; false also when it cannot be read.
bool ShowsAtLeast(LONGLONG utc, LONGLONG target) {
    LONGLONG local;
    return LocalAt(utc, &local) && local >= target;
}

} // namespace

bool DueInstant(const SYSTEMTIME& local, ULONGLONG made, ULONGLONG* due) {
    FILETIME file;
    if (!IsValidLocalTime(local) || !SystemTimeToFileTime(&local, &file))
        return false;
    const LONGLONG target = FromFileTime(file);
    // The offsets (local minus UTC) the zone uses around the target: sampled on both sides of
    // it, and the zone's standard and daylight ones.
    LONGLONG offsets[5];
    int count = 0;
    const LONGLONG samples[] = {target - kZoneReach, target, target + kZoneReach};
    for (LONGLONG at : samples) {
        LONGLONG shown;
        if (LocalAt(at, &shown))
            offsets[count++] = shown - at;
    }
    TIME_ZONE_INFORMATION zone;
    if (GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID) {
        offsets[count++] = -(zone.Bias + zone.StandardBias) * kMinute;
        offsets[count++] = -(zone.Bias + zone.DaylightBias) * kMinute;
    }
    if (count == 0)
        return false;
    LONGLONG lowest = offsets[0], highest = offsets[0];
    for (int i = 1; i < count; ++i) {
        lowest = offsets[i] < lowest ? offsets[i] : lowest;
        highest = offsets[i] > highest ? offsets[i] : highest;
    }
    // The clock shows the target at `target - offset` for the offset in force then: no earlier
    // than with the largest offset, and with the smallest one it shows the target or later.
    LONGLONG from = target - highest;
    LONGLONG until = target - lowest;
    // A `made` beyond any calendar date is taken as made before any occurrence.
    LONGLONG start = static_cast<LONGLONG>(made) < 0 ? 0 : static_cast<LONGLONG>(made);
    if (start > from)
        from = start;
    if (ShowsAtLeast(from, target)) {
        *due = static_cast<ULONGLONG>(from);
        return true;
    }
    // The earliest instant ahead at which the clock shows exactly the target.
    bool exact = false;
    for (int i = 0; i < count; ++i) {
        LONGLONG candidate = target - offsets[i], shown;
        if (candidate > from && candidate <= until && LocalAt(candidate, &shown) &&
            shown == target) {
            until = candidate;
            exact = true;
        }
    }
    if (!exact) {
        // A gap: the clock jumps over the target between `from` and `until`; find the jump.
        if (from >= until || !ShowsAtLeast(until, target))
            return false; // an offset the zone did not tell
        while (until - from > 1) {
            LONGLONG middle = from + (until - from) / 2;
            if (ShowsAtLeast(middle, target))
                until = middle;
            else
                from = middle;
        }
    }
    *due = static_cast<ULONGLONG>(until);
    return true;
}

bool RegistrationDue(const BYTE* data, DWORD size, ULONGLONG now, ULONGLONG* due) {
    Registration registration;
    // Made "later" than now only when the clock was set back since: it was made by now.
    return ParseRegistration(data, size, &registration) &&
           DueInstant(registration.local, registration.made < now ? registration.made : now, due);
}

} // namespace runat

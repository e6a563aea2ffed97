#include "platform/Time.h"


#include "platform/win32/Win32.h"

namespace platform {

TDateTime os::SystemNow() {
    // Local time as 100-ns ticks since 1601-01-01, which lies 109205 days before the
    // TDateTime epoch 1899-12-30.
    SYSTEMTIME local;
    GetLocalTime(&local);
    FILETIME ft;
    if (!SystemTimeToFileTime(&local, &ft)) return 0;
    const double ticks = double((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
    constexpr double kTicksPerDay = 864e9;
    return ticks / kTicksPerDay - 109205.0;
}

// The standard bias only: directory-record dates carry the zone without daylight saving.
int32_t os::SystemTimeZoneBias() {
    TIME_ZONE_INFORMATION tz;
    if (GetTimeZoneInformation(&tz) == TIME_ZONE_ID_INVALID) return 0;
    return int32_t(tz.Bias);
}

// File dates reach the compilation through FileTimeToLocalFileTime, which applies the bias in
// force now (daylight saving included) whatever the file's own season: that same bias makes
// the recorded date denote the file's moment.
int32_t os::SystemTimeZoneBiasAt(TDateTime) {
    TIME_ZONE_INFORMATION tz;
    const DWORD id = GetTimeZoneInformation(&tz);
    if (id == TIME_ZONE_ID_INVALID) return 0;
    return int32_t(tz.Bias + (id == TIME_ZONE_ID_DAYLIGHT ? tz.DaylightBias : tz.StandardBias));
}

} // namespace platform

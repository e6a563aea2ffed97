#include "platform/Time.h"

#include <mutex>

#include "platform/win32/Win32.h"

namespace platform {

namespace {

struct TTimeOverrides {
    std::mutex Mutex;
    std::optional<int32_t> Bias;
    std::optional<TDateTime> Now;
};

TTimeOverrides& Overrides() {
    static TTimeOverrides o;
    return o;
}

} // namespace

TDateTime Now() {
    {
        std::lock_guard lock(Overrides().Mutex);
        if (Overrides().Now) return *Overrides().Now;
    }
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
int32_t TimeZoneBias() {
    {
        std::lock_guard lock(Overrides().Mutex);
        if (Overrides().Bias) return *Overrides().Bias;
    }
    TIME_ZONE_INFORMATION tz;
    if (GetTimeZoneInformation(&tz) == TIME_ZONE_ID_INVALID) return 0;
    return int32_t(tz.Bias);
}

void OverrideTimeZoneBias(std::optional<int32_t> bias) {
    std::lock_guard lock(Overrides().Mutex);
    Overrides().Bias = bias;
}

void OverrideNow(std::optional<TDateTime> now) {
    std::lock_guard lock(Overrides().Mutex);
    Overrides().Now = now;
}

} // namespace platform

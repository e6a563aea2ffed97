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
    SYSTEMTIME t;
    GetLocalTime(&t);
    return EncodeDateTime(TDateParts{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds});
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

// Now() and TimeZoneBias() with the overrides that tests pin; the OS files read the system.
#include <mutex>

#include "platform/Time.h"

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
    return os::SystemNow();
}

int32_t TimeZoneBias() {
    {
        std::lock_guard lock(Overrides().Mutex);
        if (Overrides().Bias) return *Overrides().Bias;
    }
    return os::SystemTimeZoneBias();
}

int32_t TimeZoneBiasAt(TDateTime local) {
    {
        std::lock_guard lock(Overrides().Mutex);
        if (Overrides().Bias) return *Overrides().Bias;
    }
    return os::SystemTimeZoneBiasAt(local);
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

#pragma once
// Local time, the time-zone bias and DOS date-times. TDateTime is days since 1899-12-30
// (local time) with the time of day as the fraction.
#include <cstdint>
#include <optional>

namespace platform {

using TDateTime = double;

TDateTime Now();
// Minutes to add to local time to get UTC (Windows' TIME_ZONE_INFORMATION.Bias): -60 for UTC+1.
int32_t TimeZoneBias();
// The bias in force at a local time as the listing gives file dates: with daylight saving
// where it applies then. Follows the override of TimeZoneBias when one is set.
int32_t TimeZoneBiasAt(TDateTime local);
// Tests pin the bias and the clock of Now() with these; nullopt returns to the system's.
void OverrideTimeZoneBias(std::optional<int32_t> bias);
void OverrideNow(std::optional<TDateTime> now);

// DOS date-time (date in the high word) to TDateTime; false when the fields are invalid.
bool DosDateTimeToDateTime(uint32_t dos, TDateTime& out);
uint32_t DateTimeToDosDateTime(TDateTime dt);

struct TDateParts {
    int Year, Month, Day, Hour, Minute, Second, Millisecond;
};
TDateParts DecodeDateTime(TDateTime dt);
TDateTime EncodeDateTime(const TDateParts& parts);
// Seconds since 1970-01-01 00:00 as a date-time of the same clock (no zone applied); the time
// of day is exact in the fraction.
TDateTime UnixSecondsToDateTime(int64_t seconds);

// The system's own readings, one implementation per OS; Now() and TimeZoneBias() apply the
// test overrides on top of them.
namespace os {
TDateTime SystemNow();
int32_t SystemTimeZoneBias();
int32_t SystemTimeZoneBiasAt(TDateTime local);
} // namespace os

} // namespace platform

// Local time and the time-zone bias on Linux.
//
// The bias is taken from the current offset of the local zone (tm_gmtoff), so it already
// includes daylight saving when that is in force right now; nothing else about DST is
// considered (the image's dates carry one offset for the whole volume).
#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>

#include "platform/Time.h"

namespace platform {

TDateTime os::SystemNow() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    int ms = int(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    if (ms < 0) ms += 1000;
    std::tm tm{};
    localtime_r(&t, &tm);
    return EncodeDateTime({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, ms});
}

int32_t os::SystemTimeZoneBias() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return int32_t(-tm.tm_gmtoff / 60);
}

// The listing turns a file's moment into local time with the offset in force at that moment
// (localtime_r), so the same offset is found again from the local time.
int32_t os::SystemTimeZoneBiasAt(TDateTime local) {
    const TDateParts p = DecodeDateTime(local);
    std::tm tm{};
    tm.tm_year = p.Year - 1900;
    tm.tm_mon = p.Month - 1;
    tm.tm_mday = p.Day;
    tm.tm_hour = p.Hour;
    tm.tm_min = p.Minute;
    tm.tm_sec = p.Second;
    tm.tm_isdst = -1;
    if (std::mktime(&tm) == std::time_t(-1)) return SystemTimeZoneBias();
    return int32_t(-tm.tm_gmtoff / 60);
}

} // namespace platform

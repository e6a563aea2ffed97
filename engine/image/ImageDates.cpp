// The dates written into an image. With a date limit (reproducible images) the image's own
// moment is the limit and later dates are brought back to it, so one tree gives the same
// bytes whenever it is imaged; without one, the clock and the listed dates stand.
#include <algorithm>

#include "engine/image/IsoImage.h"
#include "platform/Time.h"

namespace tarnwick {

namespace {
constexpr double kUnixEpochDays = 25569; // 1970-01-01 in days since 1899-12-30
constexpr int64_t kSecondsPerDay = 86400;

TDateTime FromUnixSeconds(int64_t seconds) {
    // Whole days and the second of the day apart, so the time of day is exact in the fraction.
    const int64_t days = seconds >= 0 ? seconds / kSecondsPerDay : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
    const int64_t rest = seconds - days * kSecondsPerDay;
    return kUnixEpochDays + double(days) + double(rest) / double(kSecondsPerDay);
}
} // namespace

TDateTime TIsoImage::ImageNow() const {
    if (!Options.DateLimit) return platform::Now();
    // Records carry local time with the zone byte of the compilation: the limit's moment
    // shifted by that zone, so a reader converting with the byte gets the limit back.
    return FromUnixSeconds(*Options.DateLimit + int64_t(Compilation.TimeZoneOffset) * 15 * 60);
}

TDateTime TIsoImage::ImageRecordDate(TDateTime dt) const {
    if (!Options.DateLimit) return dt;
    return std::min(dt, ImageNow());
}

TDateTime TIsoImage::ImageVolumeDate(TDateTime dt) const {
    // The descriptors' dates are written with a zone of 0 (GMT): the limit in UTC.
    return Options.DateLimit ? FromUnixSeconds(*Options.DateLimit) : dt;
}

TDateTime TIsoImage::ImageZonedVolumeDate(TDateTime dt) const {
    // The UDF descriptors carry the compilation's zone, as the records do: the limit's moment
    // in that zone.
    return Options.DateLimit ? ImageNow() : dt;
}

} // namespace tarnwick

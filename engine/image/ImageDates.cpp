// The dates written into an image. With a date limit (reproducible images) the image's own
// moment is the limit and later dates are brought back to it, so one tree gives the same
// bytes whenever it is imaged; without one, the clock and the listed dates stand.
#include <algorithm>

#include "engine/image/IsoImage.h"
#include "platform/Time.h"

namespace tarnwick {

using platform::UnixSecondsToDateTime;

TDateTime TIsoImage::ImageNow() const {
    if (!Options.DateLimit) return platform::Now();
    // Records carry local time with the zone byte of the compilation: the limit's moment
    // shifted by that zone, so a reader converting with the byte gets the limit back.
    return UnixSecondsToDateTime(*Options.DateLimit + int64_t(Compilation.TimeZoneOffset) * 15 * 60);
}

TDateTime TIsoImage::ImageRecordDate(TDateTime dt) const {
    if (!Options.DateLimit) return dt;
    return std::min(dt, ImageNow());
}

TDateTime TIsoImage::ImageVolumeDate(TDateTime dt) const {
    // The descriptors' dates are written with a zone of 0 (GMT): the limit in UTC.
    return Options.DateLimit ? UnixSecondsToDateTime(*Options.DateLimit) : dt;
}

TDateTime TIsoImage::ImageZonedVolumeDate(TDateTime dt) const {
    // The UDF descriptors carry the compilation's zone, as the records do: the limit's moment
    // in that zone.
    return Options.DateLimit ? ImageNow() : dt;
}

} // namespace tarnwick

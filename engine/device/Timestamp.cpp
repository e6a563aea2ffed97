// The DVD time stamp structure.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/device/Recording.h"

namespace tarnwick {

namespace rec {

namespace {
// Days since 1899-12-30 to a civil date (proleptic Gregorian).
void CivilFromDays(int64_t days, int& y, int& m, int& d) {
    int64_t z = days - 25569 + 719468; // 1970-01-01 is day 25569
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yoe + era * 400 + (m <= 2 ? 1 : 0));
}
} // namespace

std::array<uint8_t, kTimestampLength> TimestampStructure(TDateTime when) {
    std::array<uint8_t, kTimestampLength> s{};
    PutBE16(s.data(), kTimestampLength - 2);
    int64_t ms = std::llround(when * 86400000.0);
    int64_t days = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
    int64_t dayMs = ms - days * 86400000;
    int y = 0, mo = 0, d = 0;
    CivilFromDays(days, y, mo, d);
    const int h = int(dayMs / 3600000), n = int(dayMs / 60000 % 60), sec = int(dayMs / 1000 % 60);
    char digits[32];
    std::snprintf(digits, sizeof digits, "%04d%02d%02d%02d%02d%02d", std::clamp(y, 0, 9999), mo, d, h, n, sec);
    std::memcpy(s.data() + 8, digits, 14);
    return s;
}

} // namespace rec

} // namespace tarnwick

// The DVD time stamp structure.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/device/Recording.h"
#include "platform/Time.h"

namespace tarnwick {

namespace rec {

std::array<uint8_t, kTimestampLength> TimestampStructure(TDateTime when) {
    std::array<uint8_t, kTimestampLength> s{};
    PutBE16(s.data(), kTimestampLength - 2);
    const platform::TDateParts p = platform::DecodeDateTime(when);
    char digits[32];
    std::snprintf(digits, sizeof digits, "%04d%02d%02d%02d%02d%02d", std::clamp(p.Year, 0, 9999), p.Month, p.Day,
                  p.Hour, p.Minute, p.Second);
    std::memcpy(s.data() + 8, digits, 14);
    return s;
}

} // namespace rec

} // namespace tarnwick

// Calendar arithmetic shared by every platform: TDateTime <-> fields <-> DOS date-time.
// TDateTime counts days from 1899-12-30; for negative values the fraction still counts
// forward from midnight (the convention of the date type), so -1.25 is 1899-12-29 06:00.
#include <cmath>
#include <cstdint>

#include "platform/Time.h"

namespace platform {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 0000-03-01 based civil epoch: days_from_civil(1899, 12, 30).
constexpr int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}
constexpr int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = int64_t(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yy + (m <= 2));
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

} // namespace

TDateParts DecodeDateTime(TDateTime dt) {
    TDateParts p{};
    if (!std::isfinite(dt)) dt = 0;
    double whole = std::trunc(dt);
    int64_t days = int64_t(whole);
    int64_t ms = std::llround(std::fabs(dt - whole) * double(kMsPerDay));
    if (ms >= kMsPerDay) { // rounding reached midnight: it belongs to the next day
        ms -= kMsPerDay;
        days += dt >= 0 ? 1 : -1;
    }
    CivilFromDays(days + kEpochDays, p.Year, p.Month, p.Day);
    p.Hour = int(ms / 3600000);
    p.Minute = int(ms / 60000 % 60);
    p.Second = int(ms / 1000 % 60);
    p.Millisecond = int(ms % 1000);
    return p;
}

TDateTime EncodeDateTime(const TDateParts& p) {
    int64_t days = DaysFromCivil(p.Year, unsigned(p.Month), unsigned(p.Day)) - kEpochDays;
    double frac = (double(p.Hour) * 3600000.0 + p.Minute * 60000.0 + p.Second * 1000.0 + p.Millisecond) /
                  double(kMsPerDay);
    return days >= 0 ? double(days) + frac : double(days) - frac;
}

TDateTime UnixSecondsToDateTime(int64_t seconds) {
    constexpr int64_t kSecondsPerDay = 86400;
    constexpr double kUnixEpochDays = 25569; // 1970-01-01 in days since 1899-12-30
    // Whole days and the second of the day apart, so the time of day is exact in the fraction.
    const int64_t days = seconds >= 0 ? seconds / kSecondsPerDay : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
    const int64_t rest = seconds - days * kSecondsPerDay;
    return kUnixEpochDays + double(days) + double(rest) / double(kSecondsPerDay);
}

bool DosDateTimeToDateTime(uint32_t dos, TDateTime& out) {
    const int year = int(dos >> 25) + 1980;
    const int month = int((dos >> 21) & 0x0F);
    const int day = int((dos >> 16) & 0x1F);
    const int hour = int((dos >> 11) & 0x1F);
    const int minute = int((dos >> 5) & 0x3F);
    const int second = int(dos & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
    if (hour > 23 || minute > 59 || second > 59) return false;
    out = EncodeDateTime({year, month, day, hour, minute, second, 0});
    return true;
}

uint32_t DateTimeToDosDateTime(TDateTime dt) {
    TDateParts p = DecodeDateTime(dt);
    // A DOS date holds 1980 to 2107; outside that range the result is 0, which no valid
    // date-time is, so a reader falls back as it does for any unconvertible value.
    if (p.Year < 1980 || p.Year > 2107) return 0;
    return (uint32_t(p.Year - 1980) << 25) | (uint32_t(p.Month) << 21) | (uint32_t(p.Day) << 16) |
           (uint32_t(p.Hour) << 11) | (uint32_t(p.Minute) << 5) | uint32_t(p.Second / 2);
}

} // namespace platform

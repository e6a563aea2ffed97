// The one calendar: seconds since 1970 as a date-time, on both sides of the epoch.
#include <gtest/gtest.h>

#include <array>

#include "platform/Time.h"

namespace {

TEST(Calendar, UnixSecondsBecomeTheSameMomentAsADateTime) {
    EXPECT_EQ(platform::UnixSecondsToDateTime(0), 25569.0);
    struct Case {
        int64_t Seconds;
        platform::TDateParts Parts;
    };
    for (const Case& c : {Case{1700000000, {2023, 11, 14, 22, 13, 20, 0}}, Case{-1, {1969, 12, 31, 23, 59, 59, 0}},
                          Case{-86400, {1969, 12, 31, 0, 0, 0, 0}}, Case{5869583999, {2155, 12, 31, 23, 59, 59, 0}},
                          Case{951782400, {2000, 2, 29, 0, 0, 0, 0}}}) {
        const platform::TDateParts p = platform::DecodeDateTime(platform::UnixSecondsToDateTime(c.Seconds));
        EXPECT_EQ((std::array<int, 6>{p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second}),
                  (std::array<int, 6>{c.Parts.Year, c.Parts.Month, c.Parts.Day, c.Parts.Hour, c.Parts.Minute,
                                      c.Parts.Second}))
            << c.Seconds;
    }
}

} // namespace

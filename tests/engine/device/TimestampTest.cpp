#include <gtest/gtest.h>

#include <string>

#include "engine/device/Recording.h"

using namespace tarnwick;

TEST(Timestamp, StructureHoldsLengthAndDigits) {
    // 2026-12-09 08:15:42 is day 46365 after 1899-12-30.
    const TDateTime when = 46365.0 + (8 * 3600 + 15 * 60 + 42) / 86400.0;
    const auto s = rec::TimestampStructure(when);
    EXPECT_EQ(s[0], 0x00);
    EXPECT_EQ(s[1], 0x14);
    for (int i = 2; i < 8; ++i) EXPECT_EQ(s[i], 0);
    EXPECT_EQ(std::string(s.begin() + 8, s.end()), "20261209081542");
    // Leap day and the last second of a day.
    const auto leap = rec::TimestampStructure(36585.0 + 86399.0 / 86400.0); // 2000-02-29
    EXPECT_EQ(std::string(leap.begin() + 8, leap.end()), "20000229235959");
}

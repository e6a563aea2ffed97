// The shared text helpers, at their edges.
#include <gtest/gtest.h>

#include "platform/Text.h"

namespace {

TEST(Text, TrimStartsEndsAndSameText) {
    EXPECT_EQ(platform::Trim(" \t key = value \r\n"), "key = value");
    EXPECT_EQ(platform::Trim("   "), "");
    EXPECT_EQ(platform::Trim(""), "");
    EXPECT_EQ(platform::Trim("x"), "x");
    EXPECT_EQ(platform::Trim("  ADAPTER 0\t ", " "), "ADAPTER 0\t"); // only the characters asked for
    EXPECT_TRUE(platform::StartsWith("UJDA770", "UJDA"));
    EXPECT_FALSE(platform::StartsWith("UJ", "UJDA"));
    EXPECT_TRUE(platform::EndsWith("wnaspi32.dll", ".dll"));
    EXPECT_FALSE(platform::EndsWith("dll", ".dll"));
    EXPECT_EQ(platform::LowerCase("WNASPI32.DLL"), "wnaspi32.dll");
    EXPECT_TRUE(platform::SameText("Settings", "SETTINGS"));
    EXPECT_FALSE(platform::SameText("Setting", "Settings"));
}

} // namespace

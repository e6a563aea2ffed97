// The command line's image and erase lines, character for character: a changed width, a lost
// rounding or a missing "left" shows here.
#include "app/common/ProgressText.h"

#include <gtest/gtest.h>

using namespace tarnwick;

TEST(ProgressText, TheImageLineGivesPercentRateAndTimeLeftUntilTheEnd) {
    EXPECT_EQ(progress::ImageLine(0, 1000, 0), "  0.0%      0.0 MB/s");
    EXPECT_EQ(progress::ImageLine(50'000'000, 100'000'000, 10.0), " 50.0%      5.0 MB/s  0:10 left");
    EXPECT_EQ(progress::ImageLine(1'000'000, 100'000'000, 1.0), "  1.0%      1.0 MB/s  1:39 left");
    EXPECT_EQ(progress::ImageLine(1'000'000'000, 8'000'000'000, 1.0), " 12.5%   1000.0 MB/s  0:07 left");
    // Done: no time left; no total: 0%.
    EXPECT_EQ(progress::ImageLine(100'000'000, 100'000'000, 10.0), "100.0%     10.0 MB/s");
    EXPECT_EQ(progress::ImageLine(2048, 0, 1.0), "  0.0%      0.0 MB/s");
}

TEST(ProgressText, TheEraseLineFollowsTheDrivesFractionAndTheClock) {
    EXPECT_EQ(progress::EraseLine(-1, 65.7), "Erasing  ...  1:05");
    EXPECT_EQ(progress::EraseLine(32768, 5), "Erasing  50.0%  0:05");
    EXPECT_EQ(progress::EraseLine(65536, 3600), "Erasing  100.0%  60:00");
    EXPECT_EQ(progress::MinutesSeconds(0), "0:00");
    EXPECT_EQ(progress::HoursMinutesSeconds(59), "0:00:59");
}

#include "app/common/BurnProgress.h"
#include "app/common/ProgressText.h"

#include <gtest/gtest.h>

using tarnwick::TBurnProgress;

TEST(BurnProgress, RateAndTimeLeftFollowTheRecentWindow) {
    TBurnProgress p(100'000'000, 2000);
    p.Sample(0, 0, 0, 0);
    EXPECT_EQ(p.BytesPerSecond(), 0.0);
    EXPECT_EQ(p.SecondsLeft(), -1);
    // A slow start (1 MB/s) ...
    p.Sample(1000, 1'000'000, 0, 0);
    p.Sample(2000, 2'000'000, 0, 0);
    EXPECT_DOUBLE_EQ(p.BytesPerSecond(), 1e6);
    // ... then 10 MB/s: once the window has passed, only the recent rate counts.
    for (uint64_t t = 3000; t <= 6000; t += 1000) p.Sample(t, 2'000'000 + int64_t(t - 2000) * 10'000, 0, 0);
    EXPECT_DOUBLE_EQ(p.BytesPerSecond(), 10e6);
    EXPECT_DOUBLE_EQ(p.Percent(), 42.0);
    EXPECT_EQ(p.SecondsLeft(), 6); // 58 MB at 10 MB/s, rounded up
}

TEST(BurnProgress, BufferFillAndLine) {
    TBurnProgress p(4096);
    p.Sample(0, 0, 0, 0);
    EXPECT_EQ(p.BufferFillPercent(), -1); // the drive reported no buffer
    p.Sample(500, 2048, 2'000'000, 500'000);
    EXPECT_EQ(p.BufferFillPercent(), 75);
    EXPECT_EQ(p.Line(), " 50.0%      0.0 MB/s  left 0:00:01  drive buffer  75%");
    p.Sample(600, 4096, 2'000'000, 4'000'000); // a free figure above the size reads as empty
    EXPECT_EQ(p.BufferFillPercent(), 0);
    EXPECT_DOUBLE_EQ(p.Percent(), 100.0);
    EXPECT_EQ(tarnwick::progress::HoursMinutesSeconds(3725), "1:02:05");
    EXPECT_EQ(tarnwick::progress::HoursMinutesSeconds(-1), "--:--");
}

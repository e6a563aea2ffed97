#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "platform/Shell.h"
#include "platform/Time.h"

using namespace platform;

TEST(Time, EncodeAndDecodeAroundTheEpoch) {
    TDateParts p = DecodeDateTime(0.0);
    EXPECT_EQ(p.Year, 1899);
    EXPECT_EQ(p.Month, 12);
    EXPECT_EQ(p.Day, 30);
    EXPECT_EQ(p.Hour + p.Minute + p.Second + p.Millisecond, 0);
    EXPECT_DOUBLE_EQ(EncodeDateTime({2000, 1, 1, 0, 0, 0, 0}), 36526.0);
    TDateTime t = EncodeDateTime({2006, 12, 31, 23, 59, 58, 0});
    p = DecodeDateTime(t);
    EXPECT_EQ(p.Year, 2006);
    EXPECT_EQ(p.Day, 31);
    EXPECT_EQ(p.Hour, 23);
    EXPECT_EQ(p.Minute, 59);
    EXPECT_EQ(p.Second, 58);
    // Before the epoch the fraction still counts from midnight.
    p = DecodeDateTime(-1.25);
    EXPECT_EQ(p.Day, 29);
    EXPECT_EQ(p.Hour, 6);
    EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 29, 6, 0, 0, 0}), -1.25);
    // A value a hair before midnight rounds into the next day, not to hour 24.
    p = DecodeDateTime(36526.0 - 1e-10);
    EXPECT_EQ(p.Year, 2000);
    EXPECT_EQ(p.Hour, 0);
}

TEST(Time, DosDateTimes) {
    TDateTime t = EncodeDateTime({2006, 12, 31, 23, 59, 58, 0});
    uint32_t dos = DateTimeToDosDateTime(t);
    EXPECT_EQ(dos, (26u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u);
    TDateTime back;
    ASSERT_TRUE(DosDateTimeToDateTime(dos, back));
    EXPECT_NEAR(back, t, 1e-9);
    EXPECT_FALSE(DosDateTimeToDateTime(0, back));                                      // month 0
    EXPECT_FALSE(DosDateTimeToDateTime((26u << 25) | (2u << 21) | (30u << 16), back)); // 30 February
    EXPECT_FALSE(DosDateTimeToDateTime((26u << 25) | (1u << 21) | (1u << 16) | (24u << 11), back));
    EXPECT_TRUE(DosDateTimeToDateTime((20u << 25) | (2u << 21) | (29u << 16), back)); // 2000 is a leap year
    EXPECT_EQ(DateTimeToDosDateTime(EncodeDateTime({1979, 12, 31, 0, 0, 0, 0})), 0u);
}

TEST(Time, BiasFollowsTheZoneAndOverridesWin) {
    setenv("TZ", "CET-1", 1); // UTC+1 without daylight saving
    tzset();
    EXPECT_EQ(TimeZoneBias(), -60);
    setenv("TZ", "EST+5", 1);
    tzset();
    EXPECT_EQ(TimeZoneBias(), 300);
    OverrideTimeZoneBias(-330);
    EXPECT_EQ(TimeZoneBias(), -330);
    OverrideTimeZoneBias(std::nullopt);
    EXPECT_EQ(TimeZoneBias(), 300);

    OverrideNow(1234.5);
    EXPECT_EQ(Now(), 1234.5);
    OverrideNow(std::nullopt);
    EXPECT_GT(Now(), EncodeDateTime({2020, 1, 1, 0, 0, 0, 0}));
}

TEST(Shell, HooksAndProgramFolder) {
    std::vector<unsigned> beeps;
    SetBeepHook([&](unsigned t) { beeps.push_back(t); });
    MessageBeep(0);
    MessageBeep(48);
    SetBeepHook(nullptr);
    EXPECT_EQ(beeps, (std::vector<unsigned>{0, 48}));

    std::string opened;
    SetOpenURLHook([&](const std::string& u) { opened = u; });
    OpenURL("https://example.org/");
    SetOpenURLHook(nullptr);
    EXPECT_EQ(opened, "https://example.org/");

    std::string folder = ProgramFolder();
    EXPECT_EQ(folder, std::filesystem::read_symlink("/proc/self/exe").parent_path().string());
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

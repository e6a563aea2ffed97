// tarnwick-cli image with SOURCE_DATE_EPOCH: one tree gives the same bytes on any day; without
// the variable the clock and the files' own dates stand.
#include <gtest/gtest.h>
#include <sys/time.h>

#include <filesystem>
#include <fstream>

#include "support/RunTool.h"
#include "support/TempTree.h"

using namespace testsupport;

namespace {

constexpr const char* kEpoch = "1700000000"; // 2023-11-14 22:13:20 UTC
constexpr time_t kBefore = 1577872800;       // 2020-01-01 10:00:00 UTC
constexpr time_t kLater = 1893492000;        // 2030-01-01 10:00:00 UTC

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void SetTimes(const std::string& path, time_t t) {
    struct timeval tv[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(utimes(path.c_str(), tv), 0) << path;
}

class ReproducibleImage : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTool("faketime")) GTEST_SKIP() << "faketime is not installed (scripts/setup installs it)";
        if (!HaveTool("xorriso")) GTEST_SKIP() << "xorriso is not installed";
        T.Dir("config");
        T.File("s/old.txt", "written long ago\n");
        T.File("s/VIDEO_TS/VIDEO_TS.IFO", std::string(5000, 'i'));
        T.File("s/new.txt", "written after the release\n");
        SetTimes(T.Path("s/old.txt"), kBefore);
        SetTimes(T.Path("s/VIDEO_TS/VIDEO_TS.IFO"), kBefore);
        SetTimes(T.Path("s/new.txt"), kLater);
    }
    // Images the tree with the clock started at `day` (UTC). epoch: SOURCE_DATE_EPOCH, or none.
    TToolRun Image(const std::string& day, const std::string& out, const char* epoch) {
        std::string env = "TZ=UTC TARNWICK_CONFIG_DIR=" + Quote(T.Path("config")) + " ";
        env += epoch ? std::string("SOURCE_DATE_EPOCH=") + epoch + " " : "env -u SOURCE_DATE_EPOCH ";
        // '@' starts the faked clock at that moment and lets it run; the monotonic clock stays
        // real, since the waits' deadlines are measured on it by the kernel.
        return RunTool(env + "FAKETIME_DONT_FAKE_MONOTONIC=1 timeout 60 faketime -f " + Quote("@" + day) + " " +
                       Quote(CliPath()) + " image -q " + Quote(T.Path("s")) + " " + Quote(out));
    }
    // xorriso's long listing of one path, read in UTC.
    std::string Listing(const std::string& iso, const std::string& path) {
        return RunTool("TZ=UTC xorriso -indev " + Quote(iso) + " -lsdl " + Quote(path) + " -- 2>/dev/null").Output;
    }
    // The primary volume descriptor's creation date, "YYYYMMDDHHMMSScc".
    std::string VolumeCreation(const std::string& iso) { return ReadAll(iso).substr(16 * 2048 + 813, 16); }
    TTempTree T;
};

} // namespace

TEST_F(ReproducibleImage, TheSameTreeGivesTheSameBytesOnAnotherDayAndAfterLaterTouches) {
    const std::string first = T.Path("first.iso"), second = T.Path("second.iso");
    auto a = Image("2027-03-01 10:00:00", first, kEpoch);
    ASSERT_EQ(a.Code, 0) << a.Output;
    // Files touched again after the limit: their new dates are clamped to it as well.
    SetTimes(T.Path("s/new.txt"), kLater + 86400);
    SetTimes(T.Path("s/VIDEO_TS"), kLater);
    auto b = Image("2028-05-02 17:31:07", second, kEpoch);
    ASSERT_EQ(b.Code, 0) << b.Output;
    const std::string bytes = ReadAll(first);
    ASSERT_GT(bytes.size(), 18u * 2048);
    EXPECT_TRUE(bytes == ReadAll(second)) << "the two images differ";

    // The limit is the volume's moment, and later file dates are brought back to it; earlier
    // ones stand.
    EXPECT_EQ(VolumeCreation(first), "2023111422132000");
    EXPECT_NE(Listing(first, "/").find("Nov 14  2023"), std::string::npos) << Listing(first, "/");
    EXPECT_NE(Listing(first, "/new.txt").find("Nov 14  2023"), std::string::npos) << Listing(first, "/new.txt");
    EXPECT_NE(Listing(first, "/old.txt").find("Jan  1  2020"), std::string::npos) << Listing(first, "/old.txt");
}

TEST_F(ReproducibleImage, WithoutTheVariableTheClockAndTheFilesDatesStand) {
    const std::string first = T.Path("first.iso"), second = T.Path("second.iso");
    auto a = Image("2027-03-01 10:00:00", first, nullptr);
    ASSERT_EQ(a.Code, 0) << a.Output;
    auto b = Image("2028-05-02 17:31:07", second, nullptr);
    ASSERT_EQ(b.Code, 0) << b.Output;
    EXPECT_FALSE(ReadAll(first) == ReadAll(second)) << "images of different days are identical";
    // The folders are dated by the clock of the run, the files by their own dates, later or not.
    EXPECT_NE(Listing(first, "/").find("Mar  1  2027"), std::string::npos) << Listing(first, "/");
    EXPECT_NE(Listing(second, "/").find("May  2  2028"), std::string::npos) << Listing(second, "/");
    EXPECT_NE(Listing(first, "/new.txt").find("Jan  1  2030"), std::string::npos) << Listing(first, "/new.txt");
    EXPECT_NE(Listing(first, "/old.txt").find("Jan  1  2020"), std::string::npos) << Listing(first, "/old.txt");
    // The descriptors keep their designed dates.
    EXPECT_EQ(VolumeCreation(first), VolumeCreation(second));

    // Set but empty is the same as unset.
    auto c = Image("2028-05-02 17:31:07", T.Path("empty.iso"), "''");
    ASSERT_EQ(c.Code, 0) << c.Output;
    EXPECT_NE(Listing(T.Path("empty.iso"), "/new.txt").find("Jan  1  2030"), std::string::npos);
}

TEST_F(ReproducibleImage, AValueThatIsNotSecondsIsASetupFailureAndWritesNothing) {
    for (const char* bad : {"yesterday", "-5", "17e8", "99999999999"}) {
        const std::string out = T.Path("bad.iso");
        auto r = Image("2027-03-01 10:00:00", out, bad);
        EXPECT_EQ(r.Code, 4) << bad << ": " << r.Output;
        EXPECT_NE(r.Output.find("SOURCE_DATE_EPOCH"), std::string::npos) << r.Output;
        EXPECT_FALSE(std::filesystem::exists(out)) << bad;
    }
}

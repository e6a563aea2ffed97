// The disc in a backing file: sparse sectors at their byte offsets, the state file beside it,
// a burn in one process and a reading in another.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ScsiClient.h"
#include "emulator/EmulatedDrive.h"
#include "emulator/Wire.h"
#include "support/RandomBytes.h"

using namespace emulator;
using namespace emulator::test;
namespace fs = std::filesystem;

namespace {

struct DiscFileTest : ::testing::Test {
    void SetUp() override {
        Dir = fs::path(TARNWICK_BINARY_DIR) / "test-scratch" /
              (std::string("disc-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        Backing = (Dir / "disc.bin").string();
    }
    void TearDown() override { fs::remove_all(Dir); }

    std::shared_ptr<TEmulatedDrive> Open(TProfile profile, uint32_t capacity = 0) {
        std::string error;
        auto disc = TDisc::OpenBacking(Backing, profile, error, capacity);
        EXPECT_TRUE(disc) << error;
        auto drive = std::make_shared<TEmulatedDrive>();
        drive->LoadMedium(disc);
        return drive;
    }

    static std::vector<uint8_t> ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path Dir;
    std::string Backing;
};

std::vector<uint8_t> Pattern(size_t sectors, unsigned seed) {
    const std::string bytes = testsupport::RandomBytes(sectors * 2048, seed);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void Burn(TEmulatedDrive& d, const std::vector<uint8_t>& image) {
    const uint32_t sectors = uint32_t(image.size() / 2048);
    for (uint32_t lba = 0; lba < sectors; lba += 27) {
        uint16_t n = uint16_t(std::min<uint32_t>(27, sectors - lba));
        std::vector<uint8_t> chunk(image.begin() + lba * 2048, image.begin() + (lba + n) * 2048);
        ASSERT_TRUE(Send(d, {Write10Cdb(lba, n), platform::SCSI_IOCTL_DATA_OUT, uint32_t(chunk.size()), chunk}).Good());
    }
}

} // namespace

TEST_F(DiscFileTest, BurnedDiscFileIsTheImageByteForByte) {
    const auto image = Pattern(300, 1);
    {
        auto d = Open(TProfile::DvdR);
        ASSERT_TRUE(SelectWritePage(*d, 0x20, 0xE5, 0x08, 0x10, 16).Good());
        Burn(*d, image);
        ASSERT_TRUE(NoData(*d, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).Good());
        ASSERT_TRUE(NoData(*d, {0x5B, 0, 1, 0, 0, 1, 0, 0, 0, 0}).Good());
        ASSERT_TRUE(NoData(*d, {0x5B, 0, 2, 0, 0, 0, 0, 0, 0, 0}).Good());
    }
    EXPECT_EQ(ReadFile(Backing), image);
}

TEST_F(DiscFileTest, UnwrittenSectorsAreHolesThatReadAsZeros) {
    auto d = Open(TProfile::DvdPlusRw);
    ASSERT_TRUE(Write(*d, 1000, 1, 0x77).Good());
    ASSERT_TRUE(Write(*d, 10, 2, 0x66).Good());
    auto bytes = ReadFile(Backing);
    ASSERT_EQ(bytes.size(), 1001u * 2048);
    EXPECT_EQ(bytes[10 * 2048], 0x66);
    EXPECT_EQ(bytes[12 * 2048], 0);
    EXPECT_EQ(bytes[1000 * 2048 + 2047], 0x77);
    auto r = In(*d, {0x28, 0, 0, 0, 0x07, 0xE8, 0, 0, 2, 0}, 4096); // 2024 and 2025: past the file
    ASSERT_TRUE(r.Good());
    EXPECT_EQ(r.Data, std::vector<uint8_t>(4096, 0));
}

TEST_F(DiscFileTest, StateSurvivesTheDriveAndTheProcess) {
    {
        auto d = Open(TProfile::CdR);
        ASSERT_TRUE(SelectWritePage(*d, 0x01, 0xC4, 0x08).Good()); // multi-session
        ASSERT_TRUE(Write(*d, 0, 20, 0x31).Good());
        ASSERT_TRUE(NoData(*d, {0x5B, 0, 1, 0, 0, 1, 0, 0, 0, 0}).Good());
        ASSERT_TRUE(NoData(*d, {0x5B, 0, 2, 0, 0, 0, 0, 0, 0, 0}).Good());
        ASSERT_TRUE(NoData(*d, {0x1B, 0, 0, 0, 0x02, 0}).Good()); // eject
    }
    ASSERT_TRUE(fs::exists(Backing + ".state"));
    auto d = Open(TProfile::CdR);
    auto info = DiscInfo(*d);
    EXPECT_EQ(info.Data[2] & 3, 1); // appendable
    EXPECT_EQ(info.Data[4], 2);     // one closed session and an empty one
    auto toc = In(*d, {0x43, 0, 0, 0, 0, 0, 0, 0, 100, 0}, 100);
    ASSERT_TRUE(toc.Good());
    EXPECT_EQ(GetBE32(&toc.Data[4 + 8 + 4]), 20u); // lead-out after the 20 sectors
    auto sector = In(*d, {0x28, 0, 0, 0, 0, 19, 0, 0, 1, 0}, 2048);
    EXPECT_EQ(sector.Data[0], 0x31);
    // The next session goes where the first one left room for it.
    auto next = d->Medium()->NextWritable();
    ASSERT_TRUE(next);
    EXPECT_EQ(Write(*d, 20, 1, 0).Sense(), sense::InvalidAddressForWrite);
    EXPECT_TRUE(Write(*d, *next, 1, 0x32).Good());
}

TEST_F(DiscFileTest, WritesSinceTheLastStateChangeAreSavedByTheFlush) {
    {
        auto d = Open(TProfile::DvdPlusR);
        ASSERT_TRUE(Write(*d, 0, 16, 1).Good());
        ASSERT_TRUE(NoData(*d, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).Good());
        ASSERT_TRUE(Write(*d, 16, 16, 1).Good());
    }
    auto d = Open(TProfile::DvdPlusR);
    EXPECT_EQ(d->Medium()->NextWritable(), 32u);
    EXPECT_EQ(d->Medium()->RecordedEnd(), 32u);
}

TEST_F(DiscFileTest, BadBackingFilesAreRefusedWithAReason) {
    std::string error;
    { Open(TProfile::DvdR); }
    EXPECT_FALSE(TDisc::OpenBacking(Backing, TProfile::CdR, error));
    EXPECT_NE(error.find("holds a dvd-r disc"), std::string::npos) << error;

    std::ofstream(Backing + ".state") << "profile 0011\ncapacity 100\ntrack 1 0 0 200 0 0\n";
    EXPECT_FALSE(TDisc::OpenBacking(Backing, TProfile::DvdR, error));
    EXPECT_NE(error.find("beyond the capacity"), std::string::npos) << error;
    std::ofstream(Backing + ".state") << "profile 0011\ncolour blue\n";
    EXPECT_FALSE(TDisc::OpenBacking(Backing, TProfile::DvdR, error));
    EXPECT_NE(error.find(":2: unknown key"), std::string::npos) << error;

    // A file with data but no state is not taken for a blank disc.
    const std::string other = (Dir / "data.bin").string();
    std::ofstream(other) << "precious";
    EXPECT_FALSE(TDisc::OpenBacking(other, TProfile::DvdR, error));
    EXPECT_EQ(ReadFile(other).size(), 8u);
    EXPECT_FALSE(TDisc::OpenBacking((Dir / "no-such-dir" / "x.bin").string(), TProfile::DvdR, error));

    // A disc file in a drive is refused to a second one until the first lets it go.
    std::filesystem::remove(Backing + ".state");
    std::filesystem::remove(Backing);
    {
        auto first = Open(TProfile::DvdR);
        EXPECT_FALSE(TDisc::OpenBacking(Backing, TProfile::DvdR, error));
        EXPECT_NE(error.find("is in use"), std::string::npos) << error;
    }
    EXPECT_TRUE(TDisc::OpenBacking(Backing, TProfile::DvdR, error)) << error;
}

TEST_F(DiscFileTest, PressedDiscFromAnImageReadsItsSectors) {
    const auto image = Pattern(10, 2);
    {
        std::ofstream out(Backing, std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size() - 100));
    }
    std::string error;
    auto disc = TDisc::PressedFromImage(Backing, TProfile::DvdRom, error);
    ASSERT_TRUE(disc) << error;
    TEmulatedDrive d;
    d.LoadMedium(disc);
    auto cap = In(d, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
    EXPECT_EQ(GetBE32(&cap.Data[0]), 9u);
    auto all = In(d, {0x28, 0, 0, 0, 0, 0, 0, 0, 10, 0}, 10 * 2048);
    ASSERT_TRUE(all.Good());
    EXPECT_TRUE(std::equal(image.begin(), image.end() - 100, all.Data.begin()));
    EXPECT_EQ(all.Data.back(), 0); // the short last sector is padded
    EXPECT_EQ(Write(d, 0, 1, 0).Sense(), sense::CannotWriteIncompatibleFormat);
    EXPECT_EQ(In(d, {0x28, 0, 0, 0, 0, 9, 0, 0, 2, 0}, 4096).Sense(), sense::LbaOutOfRange);
}

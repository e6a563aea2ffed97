// A 1:1 copy of a disc into an image file and the comparison of a disc with its image, end to
// end against emulated drives in virtual time.
#include <gtest/gtest.h>

#include "ReadRig.h"
#include "emulator/Opcodes.h"
#include "engine/device/Messages.h"

using namespace tarnwick;
using namespace tarnwick::test;
using emulator::TProfile;

namespace {

constexpr uint32_t kSectors = 700;

TEST(ReadJob, AnImageBurnedOnEveryMediumVerifiesAndReadsBackEqual) {
    for (TProfile p : {TProfile::CdR, TProfile::CdRw, TProfile::DvdR, TProfile::DvdRwSequential,
                       TProfile::DvdRwRestricted, TProfile::DvdPlusR, TProfile::DvdPlusRw, TProfile::DvdRam}) {
        SCOPED_TRACE(emulator::KindName(p));
        // Overwritable media are far longer than the image: only its file system says where it ends.
        TReadRig rig(p, 20000);
        rig.Engine.SetVerifyAfterBurn(true);
        const std::string image = rig.WriteImage(IsoLikeImage(kSectors, 7), "in.iso");
        auto burned = rig.Run([&] { return rig.Engine.BurnImageFile(image); });
        ASSERT_EQ(burned.Error, "");
        EXPECT_TRUE(rig.Logged("1:>>> VERIFIED 700 SECTORS"));

        const std::string copy = (rig.Dir / "copy.iso").string();
        auto read = rig.Read(copy);
        ASSERT_EQ(read.Error, "");
        EXPECT_TRUE(read.Started);
        EXPECT_TRUE(rig.FileBytes(copy) == rig.Image) << "the copy differs from the burned image";
        EXPECT_EQ(rig.Engine.BytesWritten(), int64_t(kSectors) * 2048);
        // Many sectors per command, not one at a time.
        auto reads = rig.CommandsWith(emulator::op::Read10);
        size_t big = 0;
        for (auto& r : reads) big += GetBE16(&r.Cdb[7]) == 32;
        EXPECT_GE(big, kSectors / 32);
    }
}

TEST(ReadJob, AVerifyNamesTheFirstDifferingSectorAndTheCount) {
    TReadRig rig(TProfile::DvdPlusRw, 20000);
    const std::string image = rig.WriteImage(IsoLikeImage(kSectors, 3), "in.iso");
    ASSERT_EQ(rig.Run([&] { return rig.Engine.BurnImageFile(image); }).Error, "");
    auto ok = rig.Verify(image);
    EXPECT_EQ(ok.Error, "");
    EXPECT_TRUE(rig.Logged(">>> VERIFIED 700 SECTORS"));

    std::vector<uint8_t> junk(2048 * 2, 0x5A);
    ASSERT_FALSE(rig.Disc->Write(123, 1, junk.data()).has_value());
    ASSERT_FALSE(rig.Disc->Write(640, 2, junk.data()).has_value());
    auto bad = rig.Verify(image);
    EXPECT_EQ(bad.Error, "VERIFY FAILED AT SECTOR 123 (3 SECTORS DIFFER)");
}

TEST(ReadJob, VerifyAfterBurnReportsADiscThatDiffers) {
    TReadRig rig(TProfile::DvdR, 20000);
    rig.Engine.SetVerifyAfterBurn(true);
    const std::string image = rig.WriteImage(IsoLikeImage(kSectors, 4), "in.iso");
    // The drive returns wrong bytes for one sector: reading it back fails verification.
    rig.Drive->ReadFaults().AddUnreadable(650, 650);
    auto burned = rig.Run([&] { return rig.Engine.BurnImageFile(image); });
    EXPECT_NE(burned.Error.find("UNREADABLE SECTOR 650"), std::string::npos) << burned.Error;
    EXPECT_FALSE(rig.Logged("VERIFIED"));
}

TEST(ReadJob, AnImageLongerThanTheDiscIsADifferenceThatCountsTheMissingSectors) {
    TReadRig rig(TProfile::DvdRom, 500);
    const std::string image = rig.WriteImage(IsoLikeImage(kSectors, 5), "in.iso");
    auto r = rig.Verify(image);
    // The disc's 500 sectors of zeros differ, and so does every image sector past them.
    EXPECT_EQ(r.Error, "VERIFY FAILED AT SECTOR 0 (" + std::to_string(kSectors) + " SECTORS DIFFER)");
    EXPECT_FALSE(rig.Logged("UNREADABLE"));
}

class PressedDisc : public ::testing::Test {
protected:
    PressedDisc() : Rig(TProfile::DvdRom) {
        Pressed = Rig.WriteImage(IsoLikeImage(kSectors, 9), "pressed.iso");
        std::string error;
        auto disc = emulator::TDisc::PressedFromImage(Pressed, TProfile::DvdRom, error);
        EXPECT_TRUE(disc) << error;
        Rig.Drive->LoadMedium(disc);
        Copy = (Rig.Dir / "copy.iso").string();
    }
    TReadRig Rig;
    std::string Pressed, Copy;
};

TEST_F(PressedDisc, AnUnreadableSectorEndsTheReadNamingIt) {
    Rig.Drive->ReadFaults().AddUnreadable(100, 102);
    auto r = Rig.Read(Copy);
    EXPECT_EQ(r.Error.rfind("UNREADABLE SECTOR 100 [", 0), 0u) << r.Error;
    // Retried a bounded number of times, then sector by sector.
    EXPECT_EQ(Rig.Drive->ReadFaults().Tries(100), 1u + 3u + 1u + 3u);
    EXPECT_EQ(Rig.Engine.UnreadableSectors(), 0);
}

TEST_F(PressedDisc, SkippingUnreadableSectorsWritesZerosLogsTheRangesAndWarns) {
    Rig.Drive->ReadFaults().AddUnreadable(100, 102);
    Rig.Drive->ReadFaults().AddUnreadable(699, 699);
    Rig.Engine.SetSkipUnreadable(true);
    Rig.Engine.SetReadRetries(1);
    auto r = Rig.Read(Copy);
    ASSERT_EQ(r.Error, "");
    auto copy = Rig.FileBytes(Copy);
    ASSERT_EQ(copy.size(), Rig.Image.size());
    auto expected = Rig.Image;
    std::fill(expected.begin() + 100 * 2048, expected.begin() + 103 * 2048, 0);
    std::fill(expected.begin() + 699 * 2048, expected.end(), 0);
    EXPECT_TRUE(copy == expected);
    EXPECT_TRUE(Rig.Logged(">>> UNREADABLE SECTORS 100-102 WRITTEN AS ZEROS"));
    EXPECT_TRUE(Rig.Logged(">>> UNREADABLE SECTORS 699 WRITTEN AS ZEROS"));
    EXPECT_TRUE(Rig.Logged("WARNING: 4 UNREADABLE SECTORS WERE WRITTEN AS ZEROS"));
    EXPECT_EQ(Rig.Engine.UnreadableSectors(), 4);
    EXPECT_EQ(Rig.Drive->ReadFaults().Tries(100), 1u + 1u + 1u + 1u);
}

TEST_F(PressedDisc, ASectorThatRecoversAfterRetriesIsReadCorrectly) {
    Rig.Drive->ReadFaults().AddUnreadable(300, 301, 2);
    auto r = Rig.Read(Copy);
    ASSERT_EQ(r.Error, "");
    EXPECT_TRUE(Rig.FileBytes(Copy) == Rig.Image);
    EXPECT_EQ(Rig.Engine.UnreadableSectors(), 0);
    EXPECT_FALSE(Rig.Logged("UNREADABLE"));
}

TEST_F(PressedDisc, RetriesStopAtTheirDeadline) {
    // Every READ takes 20 s: the second failure is already past the 30 s deadline.
    Rig.Drive->ReadFaults().AddUnreadable(100, 100);
    Rig.Drive->ReadFaults().SetSlowReadMs(20000);
    Rig.Engine.SetReadRetries(1000);
    auto r = Rig.Read(Copy);
    EXPECT_EQ(r.Error.rfind("UNREADABLE SECTOR 100", 0), 0u) << r.Error;
    EXPECT_EQ(Rig.Drive->ReadFaults().Tries(100), 2u + 2u);
}

TEST_F(PressedDisc, ADriveThatVanishesMidReadEndsTheJob) {
    Rig.Drive->ReadFaults().VanishAt(400);
    auto r = Rig.Read(Copy);
    EXPECT_EQ(r.Error.rfind("READER ERROR [", 0), 0u) << r.Error;
    // Given up at once instead of sector by sector.
    EXPECT_LT(Rig.CommandsWith(emulator::op::Read10).size(), 30u);
}

TEST_F(PressedDisc, AnAbortEndsTheReadWhileTheCacheFills) {
    Rig.Engine.OnDebugMessage = [this](TComponent*, const std::string& m, uint8_t) {
        if (m.find("READING") != std::string::npos) Rig.Engine.AbortWrite();
    };
    auto r = Rig.Read(Copy);
    EXPECT_FALSE(r.Started);
    EXPECT_EQ(r.Error, "OPERATION ABORTED BY USER");
}

TEST(ReadJob, AnAbortEndsTheReadWhileWriting) {
    TReadRig rig(TProfile::DvdRom, 2000000); // 4 GB of zeros: far longer than the test waits
    rig.OnPump = [&] {
        if (rig.Engine.BytesWritten() > 0) rig.Engine.AbortWrite();
    };
    const std::string copy = (rig.Dir / "copy.iso").string();
    auto r = rig.Read(copy);
    EXPECT_TRUE(r.Started);
    EXPECT_EQ(r.Error, "OPERATION ABORTED BY USER");
}

TEST(ReadJob, NoDiscABlankDiscAndAGoneDriveGetClearMessagesAtOnce) {
    {
        TReadRig rig(TProfile::DvdRom);
        rig.Drive->LoadMedium(nullptr);
        auto r = rig.Read((rig.Dir / "x.iso").string());
        EXPECT_FALSE(r.Started);
        EXPECT_EQ(r.Error, "NO DISC IN DRIVE");
        EXPECT_FALSE(std::filesystem::exists(rig.Dir / "x.iso"));
    }
    for (TProfile p : {TProfile::CdR, TProfile::DvdR, TProfile::DvdPlusR}) {
        TReadRig rig(p);
        auto r = rig.Read((rig.Dir / "x.iso").string());
        EXPECT_EQ(r.Error, "DISC IS BLANK: NOTHING TO READ") << emulator::KindName(p);
    }
    {
        TReadRig rig(TProfile::DvdRom);
        rig.Drive->Faults().Arm(emulator::TFault::Disappear());
        auto r = rig.Read((rig.Dir / "x.iso").string());
        EXPECT_EQ(r.Error.rfind("READER ERROR", 0), 0u) << r.Error;
    }
}

TEST(ReadJob, ANotReadyDriveIsWaitedForWithinABound) {
    emulator::TDriveConfig config;
    config.BecomingReadyMs = 5000;
    TReadRig rig(TProfile::DvdRom, 100, config);
    rig.Drive->LoadMedium(rig.Disc); // the load starts the wait
    auto r = rig.Read((rig.Dir / "x.iso").string());
    EXPECT_EQ(r.Error, "");

    config.BecomingReadyMs = 3600000; // an hour: past the bound
    TReadRig slow(TProfile::DvdRom, 100, config);
    slow.Drive->LoadMedium(slow.Disc);
    auto s = slow.Read((slow.Dir / "x.iso").string());
    EXPECT_EQ(s.Error.rfind("READER ERROR [", 0), 0u) << s.Error;
}

} // namespace

TEST_F(PressedDisc, AnEncryptedOrRegionLockedDvdIsNamedBeforeAnySectorIsRead) {
    struct TCase {
        uint8_t RegionMask; // the regions the disc does not play in; the drive is set to region 2
        const char* Error;
    };
    for (TCase c : {TCase{0x00, msg::EncryptedDisc}, TCase{0xFD, msg::EncryptedDisc}, TCase{0x02, msg::RegionLockedDisc}}) {
        SCOPED_TRACE(int(c.RegionMask));
        Rig.Drive->Medium()->SetCss(300, c.RegionMask);
        Rig.Drive->Log().Clear();
        auto r = Rig.Read(Copy);
        EXPECT_EQ(r.Error, c.Error);
        EXPECT_TRUE(Rig.CommandsWith(emulator::op::Read10).empty());
        EXPECT_TRUE(Rig.CommandsWith(emulator::op::Read12).empty());
        EXPECT_EQ(Rig.CommandsWith(emulator::op::ReadDvdStructure).size(), 1u);
    }
}

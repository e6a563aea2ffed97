// What is burned is checked before the drive is asked to change anything: a test write that
// the medium cannot simulate, an empty image, a device or pipe, an image larger than the free
// space, a write-once disc that is not blank. An image without a volume descriptor burns with
// a warning.
#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>

#include "BurnRig.h"
#include "emulator/DriveModel.h"
#include "emulator/Opcodes.h"
#include "engine/Bytes.h"
#include "engine/write/BurnChecks.h"

using namespace tarnwick;
using namespace tarnwick::test;
using emulator::TProfile;
namespace op = emulator::op;

namespace {

// Only questions went to the drive: nothing loaded, set, reserved, calibrated or written.
void ExpectOnlyQueries(TBurnRig& rig) {
    static const std::set<uint8_t> queries = {
        op::GetConfiguration, op::ReadDiscInformation, op::ReadTrackInformation, op::ReadTocPmaAtip,
        op::TestUnitReady,    op::ReadBufferCapacity,  op::ModeSense10,          op::RequestSense,
        op::Inquiry};
    for (const auto& r : rig.Commands())
        EXPECT_TRUE(queries.count(r.Opcode())) << "opcode " << int(r.Opcode()) << " sent before the refusal";
}

void ExpectRefused(TBurnRig& rig, const TBurnResult& result, const std::string& error) {
    EXPECT_FALSE(result.Started);
    EXPECT_EQ(result.Error, error);
    ExpectOnlyQueries(rig);
}

} // namespace

TEST(BurnChecks, ATestWriteOnAMediumThatCannotSimulateIsRefusedBeforeAnythingIsWritten) {
    // These drives would record whatever the page says: the test write would use the disc up.
    for (TProfile p : {TProfile::DvdPlusR, TProfile::DvdPlusRw, TProfile::DvdRam, TProfile::DvdRwRestricted}) {
        TBurnRig rig(p);
        rig.Engine.SetTestWrite(true);
        auto result = rig.Burn(rig.MakeImage(100 * 2048));
        const std::string name = p == TProfile::DvdPlusR    ? "DVD+R"
                                 : p == TProfile::DvdPlusRw ? "DVD+RW"
                                 : p == TProfile::DvdRam    ? "DVD-RAM"
                                                            : "DVD-RW";
        ExpectRefused(rig, result, "TEST/DUMMY WRITE IS NOT POSSIBLE ON " + name + ": NOTHING WAS WRITTEN");
        EXPECT_EQ(rig.Disc->RecordedEnd(), 0u) << emulator::KindName(p);
    }
    // A drive whose capabilities deny test writes, even on a CD-R.
    emulator::TDriveConfig config;
    config.Model.TestWrite = false;
    TBurnRig rig(TProfile::CdR, 0, config);
    rig.Engine.SetTestWrite(true);
    auto result = rig.Burn(rig.MakeImage(100 * 2048));
    ExpectRefused(rig, result, "TEST/DUMMY WRITE IS NOT POSSIBLE ON CD-R: NOTHING WAS WRITTEN");
}

TEST(BurnChecks, AnEmptyImageOrAPipeIsRefusedWithoutWaitingOnIt) {
    {
        TBurnRig rig(TProfile::DvdR);
        auto result = rig.Burn(rig.MakeImage(0));
        ExpectRefused(rig, result, "IMAGE FILE \"" + (rig.Dir / "image-1.iso").string() + "\" IS EMPTY");
    }
#ifndef _WIN32 // pipes and /dev exist only on the Linux build
    {
        TBurnRig rig(TProfile::CdR);
        const std::string fifo = (rig.Dir / "pipe.iso").string();
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        // Opening a pipe for reading would block until a writer comes: the check must not.
        auto result = rig.Burn(fifo, 10000);
        ExpectRefused(rig, result, "\"" + fifo + "\" IS NOT A FILE (A DEVICE OR PIPE CANNOT BE BURNED)");
    }
    EXPECT_TRUE(IsSpecialFile("/dev/null"));
#endif
    EXPECT_FALSE(IsSpecialFile("/no/such/file"));
}

TEST(BurnChecks, AnImageLargerThanTheFreeSpaceIsRefusedBeforeTheDiscIsTouched) {
    struct TCase {
        TProfile Profile;
        uint32_t Needed;
    };
    // A DVD-R needs its reservation: 1000 sectors reserve 1024.
    for (TCase c : {TCase{TProfile::CdR, 1000}, TCase{TProfile::DvdR, 1024}, TCase{TProfile::DvdPlusR, 1000},
                    TCase{TProfile::DvdRwSequential, 1000}}) {
        TBurnRig rig(c.Profile, 600);
        const auto tracks = rig.Disc->TrackCount();
        auto result = rig.Burn(rig.MakeImage(1000 * 2048));
        ExpectRefused(rig, result,
                      "IMAGE OF " + std::to_string(c.Needed) + " SECTORS IS LARGER THAN THE 600 SECTORS FREE ON THE DISC");
        EXPECT_EQ(rig.Disc->TrackCount(), tracks) << emulator::KindName(c.Profile);
        EXPECT_EQ(rig.Disc->RecordedEnd(), 0u);
    }
    // Exactly the free space burns.
    TBurnRig rig(TProfile::CdR, 600);
    auto result = rig.Burn(rig.MakeImage(600 * 2048));
    EXPECT_EQ(result.Error, "");
    EXPECT_EQ(rig.DiscBytes(rig.Image.size()), rig.Image);
}

TEST(BurnChecks, FreeSpaceComesFromTheTrackTheDiscInformationOrTheAtip) {
    TBurnRig rig(TProfile::CdR, 600);
    EXPECT_EQ(FreeSectors(rig.Engine, dtCDR), 600u);
    // Without READ TRACK INFORMATION the disc information's last lead-out start tells it.
    rig.Drive->Faults().Arm(
        emulator::TFault::WithSense(emulator::sense::InvalidCommandOperationCode).OnlyOpcode(op::ReadTrackInformation));
    EXPECT_EQ(FreeSectors(rig.Engine, dtCDR), 600u);
    // And without that the ATIP's.
    rig.Drive->Faults().Arm(
        emulator::TFault::WithSense(emulator::sense::InvalidCommandOperationCode).OnlyOpcode(op::ReadTrackInformation));
    rig.Drive->Faults().Arm(
        emulator::TFault::WithSense(emulator::sense::InvalidCommandOperationCode).OnlyOpcode(op::ReadDiscInformation));
    EXPECT_EQ(FreeSectors(rig.Engine, dtCDR), 600u);
}

TEST(BurnChecks, AWriteOnceDiscThatIsNotBlankIsRefusedAndReservesNothing) {
    for (TProfile p : {TProfile::DvdR, TProfile::CdR, TProfile::DvdPlusR}) {
        TBurnRig rig(p);
        rig.Engine.SetFinalizeDisc(false);
        auto first = rig.Burn(rig.MakeImage(100 * 2048));
        ASSERT_EQ(first.Error, "") << emulator::KindName(p);
        const auto tracks = rig.Disc->TrackCount();
        while (rig.Engine.JobRunning()) platform::CheckSynchronize(10);
        rig.Drive->Log().Clear();
        // Each failed try on a used DVD-R used to reserve one more track.
        auto second = rig.Burn(rig.MakeImage(100 * 2048, 2));
        ExpectRefused(rig, second,
                      std::string("THE ") + (p == TProfile::DvdR ? "DVD-R" : p == TProfile::CdR ? "CD-R" : "DVD+R") +
                          " IN THE DRIVE IS NOT BLANK: NOTHING WAS WRITTEN");
        EXPECT_EQ(rig.Disc->TrackCount(), tracks);
    }
}

TEST(BurnChecks, AnImageWithoutAVolumeDescriptorBurnsWithAWarning) {
    TBurnRig rig(TProfile::DvdR);
    auto result = rig.Burn(rig.RawImage(200 * 2048));
    EXPECT_EQ(result.Error, "");
    EXPECT_EQ(rig.DiscBytes(rig.Image.size()), rig.Image);
    auto log = rig.Log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "1:>>> NO VOLUME DESCRIPTOR AT SECTOR 16: THE IMAGE IS BURNED AS IT IS");

    std::vector<uint8_t> sector(2048, 0);
    EXPECT_FALSE(HoldsVolumeDescriptor(sector.data()));
    for (const char* id : {"CD001", "BEA01", "NSR02"}) {
        std::copy(id, id + 5, sector.begin() + 1);
        EXPECT_TRUE(HoldsVolumeDescriptor(sector.data())) << id;
    }
}

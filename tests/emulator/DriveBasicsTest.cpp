// Identity, readiness, sense and the command log of an emulated drive.
#include <gtest/gtest.h>

#include <thread>

#include "ScsiClient.h"
#include "emulator/EmulatedDrive.h"

using namespace emulator;
using namespace emulator::test;

namespace {

std::shared_ptr<TEmulatedDrive> DriveWith(TProfile profile) {
    auto drive = std::make_shared<TEmulatedDrive>();
    if (profile != TProfile::None) drive->LoadMedium(TDisc::InMemory(profile));
    return drive;
}

} // namespace

TEST(DriveBasics, StandardInquiryCarriesTheModelStrings) {
    auto drive = DriveWith(TProfile::None);
    auto r = In(*drive, {0x12, 0, 0, 0, 0x80, 0}, 128);
    ASSERT_TRUE(r.Good());
    ASSERT_EQ(r.Transferred, 36u);
    const std::vector<uint8_t> head{0x05, 0x80, 0x05, 0x02, 31, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(r.Data.begin(), r.Data.begin() + 8), head);
    EXPECT_EQ(std::string(r.Data.begin() + 8, r.Data.begin() + 36), "TARNWICKDVD RECORDER    1.00");
    // Bytes past the reply are the caller's: untouched.
    EXPECT_EQ(r.Data[36], 0xEE);

    TDriveConfig config;
    config.Model = *FindDriveModel("DVD-RW  DVR-103");
    config.Model.DeviceType = 0x04;
    TEmulatedDrive pioneer(config);
    auto p = In(pioneer, {0x12, 0, 0, 0, 0x60, 0}, 96);
    EXPECT_EQ(p.Data[0], 0x04);
    EXPECT_EQ(std::string(p.Data.begin() + 8, p.Data.begin() + 32), "PIONEER DVD-RW  DVR-103 ");
}

TEST(DriveBasics, AllocationLengthAndBufferBothCapTheReply) {
    auto drive = DriveWith(TProfile::None);
    auto small = In(*drive, {0x12, 0, 0, 0, 5, 0}, 128);
    EXPECT_EQ(small.Transferred, 5u);
    EXPECT_EQ(small.Data[5], 0xEE);
    // A buffer smaller than the allocation length is the host's fault: the request fails at
    // the bus instead of being cut to the buffer.
    auto shortBuffer = In(*drive, {0x12, 0, 0, 0, 0x80, 0}, 10);
    EXPECT_FALSE(shortBuffer.Completed);
    EXPECT_EQ(shortBuffer.Transferred, 0u);
    auto none = In(*drive, {0x12, 0, 0, 0, 0, 0}, 128);
    EXPECT_TRUE(none.Good());
    EXPECT_EQ(none.Transferred, 0u);
    // INQUIRY with a page code but no EVPD is refused.
    auto bad = In(*drive, {0x12, 0, 0x80, 0, 0x80, 0}, 128);
    EXPECT_EQ(bad.Status, kStatusCheckCondition);
    EXPECT_EQ(bad.Sense(), sense::InvalidFieldInCdb);
    auto vpd = In(*drive, {0x12, 1, 0x00, 0, 0xFF, 0}, 255);
    ASSERT_TRUE(vpd.Good());
    EXPECT_EQ(vpd.Reply(), (std::vector<uint8_t>{0x05, 0x00, 0x00, 0x02, 0x00, 0x80}));
}

TEST(DriveBasics, DataMovingTheWrongWayOrPastTheBufferFailsTheRequest) {
    auto drive = DriveWith(TProfile::CdR);
    using platform::SCSI_IOCTL_DATA_IN;
    using platform::SCSI_IOCTL_DATA_OUT;
    using platform::SCSI_IOCTL_DATA_UNSPECIFIED;
    const std::vector<uint8_t> discInfo = {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0};
    std::vector<uint8_t> select(8 + 52, 0);
    select[8] = 0x05;
    select[9] = 0x32;
    select[10] = 0x01;
    select[11] = 0x04;
    select[12] = 0x08;
    const std::vector<uint8_t> selectCdb = {0x55, 0x10, 0, 0, 0, 0, 0, 0, uint8_t(select.size()), 0};
    struct TCase {
        std::vector<uint8_t> Cdb;
        uint8_t Direction;
        uint32_t Length;
        bool Completes;
    };
    const TCase cases[] = {
        {discInfo, SCSI_IOCTL_DATA_IN, 34, true},
        {discInfo, SCSI_IOCTL_DATA_IN, 64, true}, // room to spare is fine
        {discInfo, SCSI_IOCTL_DATA_OUT, 34, false},
        {discInfo, SCSI_IOCTL_DATA_UNSPECIFIED, 34, false},
        {discInfo, SCSI_IOCTL_DATA_IN, 33, false},
        {selectCdb, SCSI_IOCTL_DATA_OUT, uint32_t(select.size()), true},
        {selectCdb, SCSI_IOCTL_DATA_IN, uint32_t(select.size()), false},
        {selectCdb, SCSI_IOCTL_DATA_OUT, 20, false},
        {Write10Cdb(0, 2), SCSI_IOCTL_DATA_OUT, 2048, false},
        {Write10Cdb(0, 1), SCSI_IOCTL_DATA_IN, 2048, false},
        {{0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, SCSI_IOCTL_DATA_OUT, 2048, false},
        {{0x00, 0, 0, 0, 0, 0}, SCSI_IOCTL_DATA_IN, 16, true}, // no data phase: nothing moves
        {{0x5A, 0, 0x05, 0, 0, 0, 0, 0, 0, 0}, SCSI_IOCTL_DATA_UNSPECIFIED, 0, true}, // zero length
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> out = c.Direction == SCSI_IOCTL_DATA_OUT ? select : std::vector<uint8_t>{};
        out.resize(c.Direction == SCSI_IOCTL_DATA_OUT ? c.Length : 0);
        TRequest r{c.Cdb, c.Direction, c.Length, out};
        auto result = Send(*drive, r);
        EXPECT_EQ(result.Completed, c.Completes) << int(c.Cdb[0]) << " dir " << int(c.Direction) << " len " << c.Length;
        if (!c.Completes) {
            EXPECT_EQ(result.Transferred, 0u);
            EXPECT_FALSE(drive->Log().Records().back().Completed);
        }
    }
}

TEST(DriveBasics, CheckConditionFillsFixedFormatAutoSense) {
    auto drive = DriveWith(TProfile::None);
    auto r = NoData(*drive, {0x00, 0, 0, 0, 0, 0});
    ASSERT_TRUE(r.Completed);
    EXPECT_EQ(r.Status, kStatusCheckCondition);
    ASSERT_EQ(r.SenseLength, 18);
    const std::vector<uint8_t> expected{0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x00, 0, 0, 0, 0};
    EXPECT_EQ(r.SenseBytes, expected);

    // The sense buffer is cut to what the caller offered.
    TRequest req;
    req.Cdb = {0x00, 0, 0, 0, 0, 0};
    req.SenseRoom = 14;
    auto cut = Send(*drive, req);
    EXPECT_EQ(cut.SenseLength, 14);
    EXPECT_EQ(cut.Sense(), sense::MediumNotPresent);
}

TEST(DriveBasics, UnknownOpcodeAndShortCdbAreIllegalRequests) {
    auto drive = DriveWith(TProfile::DvdR);
    auto r = NoData(*drive, {0xE7, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(r.Status, kStatusCheckCondition);
    EXPECT_EQ(r.Sense(), sense::InvalidCommandOperationCode);
    EXPECT_EQ(r.Transferred, 0u);
    auto shortCdb = In(*drive, {0x46, 2, 0, 0x2A, 0, 0}, 64);
    EXPECT_EQ(shortCdb.Sense(), sense::InvalidFieldInCdb);
}

TEST(DriveBasics, RequestSenseReportsStateOrTheSenseNotYetDelivered) {
    auto drive = DriveWith(TProfile::None);
    auto empty = In(*drive, {0x03, 0, 0, 0, 18, 0}, 18);
    ASSERT_TRUE(empty.Good());
    EXPECT_EQ(empty.Data[0], 0x70);
    EXPECT_EQ(empty.Data[2], 0x02);
    EXPECT_EQ(empty.Data[7], 10);
    EXPECT_EQ(empty.Data[12], 0x3A);

    drive->LoadMedium(TDisc::InMemory(TProfile::CdR));
    auto ready = In(*drive, {0x03, 0, 0, 0, 18, 0}, 18);
    EXPECT_EQ(ready.Data[2], 0);
    EXPECT_EQ(ready.Data[12], 0);

    // A failure without room for auto-sense leaves its sense for REQUEST SENSE, once.
    TRequest noRoom;
    noRoom.Cdb = {0xE7, 0, 0, 0, 0, 0};
    noRoom.SenseRoom = 0;
    auto failed = Send(*drive, noRoom);
    EXPECT_EQ(failed.Status, kStatusCheckCondition);
    EXPECT_EQ(failed.SenseLength, 0);
    auto pending = In(*drive, {0x03, 0, 0, 0, 32, 0}, 32);
    EXPECT_EQ(pending.Transferred, 18u);
    EXPECT_EQ(pending.Data[2], 0x05);
    EXPECT_EQ(pending.Data[12], 0x20);
    auto after = In(*drive, {0x03, 0, 0, 0, 18, 0}, 18);
    EXPECT_EQ(after.Data[12], 0);
}

TEST(DriveBasics, TrayLockAndLoad) {
    auto drive = DriveWith(TProfile::CdR);
    EXPECT_TRUE(NoData(*drive, {0x00, 0, 0, 0, 0, 0}).Good());
    EXPECT_TRUE(NoData(*drive, {0x1E, 0, 0, 0, 0x01, 0}).Good()); // prevent
    auto refused = NoData(*drive, {0x1B, 0, 0, 0, 0x02, 0});
    EXPECT_EQ(refused.Sense(), sense::MediumRemovalPrevented);
    EXPECT_FALSE(drive->TrayOpen());
    EXPECT_TRUE(NoData(*drive, {0x1E, 0, 0, 0, 0x00, 0}).Good()); // allow
    EXPECT_TRUE(NoData(*drive, {0x1B, 0, 0, 0, 0x02, 0}).Good()); // eject
    EXPECT_EQ(NoData(*drive, {0x00, 0, 0, 0, 0, 0}).Sense(), sense::MediumNotPresentTrayOpen);
    EXPECT_TRUE(NoData(*drive, {0x1B, 0, 0, 0, 0x03, 0}).Good()); // load
    EXPECT_TRUE(NoData(*drive, {0x00, 0, 0, 0, 0, 0}).Good());
}

TEST(DriveBasics, RezeroUnitIsKnownOnlyToADriveOfTheScsi2CommandSet) {
    // An MMC drive does not know the command, loaded or not.
    auto mmc = DriveWith(TProfile::CdR);
    EXPECT_EQ(NoData(*mmc, {0x01, 0, 0, 0, 0, 0}).Sense(), sense::InvalidCommandOperationCode);
    NoData(*mmc, {0x1B, 0, 0, 0, 0x02, 0}); // eject
    EXPECT_EQ(NoData(*mmc, {0x01, 0, 0, 0, 0, 0}).Sense(), sense::InvalidCommandOperationCode);

    TDriveConfig config;
    config.Model = *FindDriveModel("cd-w512eb");
    TEmulatedDrive scsi(config);
    EXPECT_EQ(NoData(scsi, {0x01, 0, 0, 0, 0, 0}).Sense(), sense::MediumNotPresent);
    scsi.LoadMedium(TDisc::InMemory(TProfile::CdR));
    EXPECT_TRUE(NoData(scsi, {0x01, 0, 0, 0, 0, 0}).Good());
}

TEST(DriveBasics, LogKeepsEachCommandWithItsDataAndOutcome) {
    TDriveConfig config;
    config.LogDataLimit = 100;
    TEmulatedDrive drive(config);
    drive.LoadMedium(TDisc::InMemory(TProfile::DvdPlusRw));
    In(drive, {0x12, 0, 0, 0, 8, 0}, 64);
    Write(drive, 0, 1, 0x5A);
    NoData(drive, {0xE7, 0, 0, 0, 0, 0});
    auto records = drive.Log().Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].Cdb, (std::vector<uint8_t>{0x12, 0, 0, 0, 8, 0}));
    EXPECT_EQ(records[0].Direction, platform::SCSI_IOCTL_DATA_IN);
    EXPECT_EQ(records[0].Length, 64u);
    EXPECT_EQ(records[0].Transferred, 8u);
    EXPECT_EQ(records[0].Data.size(), 8u);
    EXPECT_EQ(records[1].Direction, platform::SCSI_IOCTL_DATA_OUT);
    EXPECT_EQ(records[1].Length, 2048u);
    EXPECT_EQ(records[1].Data, std::vector<uint8_t>(100, 0x5A)); // cut to the log's limit
    EXPECT_EQ(records[2].Status, kStatusCheckCondition);
    EXPECT_EQ(records[2].Sense, sense::InvalidCommandOperationCode);
    EXPECT_EQ(drive.Log().Opcodes(), (std::vector<uint8_t>{0x12, 0x2A, 0xE7}));
}

TEST(DriveBasics, CommandsFromTwoThreadsAreAllLogged) {
    auto drive = DriveWith(TProfile::DvdRam);
    auto worker = [&] {
        for (int i = 0; i < 500; ++i) NoData(*drive, {0x00, 0, 0, 0, 0, 0});
    };
    std::thread a(worker), b(worker);
    size_t seen = 0;
    for (int i = 0; i < 100; ++i) seen = std::max(seen, drive->Log().Count());
    a.join();
    b.join();
    EXPECT_EQ(drive->Log().Count(), 1000u);
    for (const auto& r : drive->Log().Records()) EXPECT_EQ(r.Status, kStatusGood);
}

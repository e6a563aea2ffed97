// The pass-through emulation of the ASPI entry points over the virtual bus.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/device/ScsiDevice.h"
#include "engine/transport/Aspi.h"
#include "engine/transport/Spti.h"
#include "support/FakeDrive.h"

using namespace tarnwick;
using tarnwick::test::AddDrive;
using tarnwick::test::Address;

namespace {

class SptiTest : public ::testing::Test {
protected:
    void TearDown() override {
        ResetTransportState();
        platform::ClearVirtualDrives();
    }

    static SRB_ExecSCSICmd Command(uint8_t ha, uint8_t target, uint8_t lun, uint8_t opcode = 0x00) {
        SRB_ExecSCSICmd r{};
        r.SRB_Cmd = SC_EXEC_SCSI_CMD;
        r.SRB_HaId = ha;
        r.SRB_Target = target;
        r.SRB_Lun = lun;
        r.SRB_Flags = SRB_EVENT_NOTIFY;
        r.SRB_SenseLen = 24;
        r.SRB_CDBLen = 6;
        r.CDBByte[0] = opcode;
        return r;
    }
};

// A drive that answers the probe and then reports more sense bytes than any buffer holds.
class TOversizedSense : public platform::IScsiTarget {
public:
    bool Execute(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& r) override {
        r.spt.ScsiStatus = r.spt.Cdb[0] == 0x12 ? 0 : 0x02;
        std::memset(r.ucSenseBuf, 0x5A, sizeof r.ucSenseBuf);
        r.spt.SenseInfoLength = 200;
        return true;
    }
};

} // namespace

TEST_F(SptiTest, OneDriveOnPortOneGivesTwoAdaptersWithAnEmptyFirst) {
    AddDrive('E', Address(1, 0, 0));
    EXPECT_EQ(SPTIInit(), 1);
    EXPECT_EQ(SPTIState().SPTIHostAdapters, 2);
    EXPECT_EQ(SPTIGetASPI32SupportInfo(), 0x0102u);

    auto empty = Command(0, 0, 0);
    EXPECT_EQ(SPTISendASPI32Command(&empty), SS_NO_DEVICE);
    EXPECT_EQ(empty.SRB_Status, SS_NO_DEVICE);
    auto drive = Command(1, 0, 0);
    EXPECT_EQ(SPTISendASPI32Command(&drive), SS_COMP);
    EXPECT_EQ(SPTIDriveLetter(1, 0, 0), 'E');
    EXPECT_EQ(SPTIDriveLetter(0, 0, 0), 0);
}

TEST_F(SptiTest, DrivesWithoutAnAddressShareAnExtraAdapterInLetterOrder) {
    AddDrive('D', Address(0, 0, 0));
    AddDrive('E', std::nullopt);
    AddDrive('F', Address(1, 3, 0));
    AddDrive('G', std::nullopt);
    EXPECT_EQ(SPTIInit(), 4);
    EXPECT_EQ(SPTIState().SPTIHostAdapters, 3);
    EXPECT_EQ(SPTIDriveLetter(2, 0, 0), 'E');
    EXPECT_EQ(SPTIDriveLetter(2, 1, 0), 'G');
    EXPECT_EQ(SPTIDriveLetter(1, 3, 0), 'F');
    EXPECT_EQ(SPTIFindDrive(2, 1, 0), 'G' - 'A');
    EXPECT_EQ(SPTIFindDrive(2, 1, kSPTIUnaddressedLun), 0);
    EXPECT_EQ(SPTIGetASPI32SupportInfo(), 0x0103u);
}

TEST_F(SptiTest, OnlyDrivesThatAnswerTheProbeJoinTheBus) {
    AddDrive('D', Address(0, 0, 0))->SetVanished(true);
    AddDrive('H', Address(0, 1, 0));
    EXPECT_EQ(SPTIInit(), 1);
    EXPECT_FALSE(SPTIState().SPTIDrives['D' - 'A'].Used);
    EXPECT_EQ(SPTIState().SPTIDrives['H' - 'A'].Handle, platform::kInvalidDriveHandle);
    // A second start changes nothing, not even for a drive that appeared meanwhile.
    AddDrive('J', Address(0, 2, 0));
    EXPECT_EQ(SPTIInit(), 0);
    EXPECT_EQ(SPTIFindDrive(0, 2, 0), 0);
    EXPECT_EQ(SPTIDriveLetter(0, 1, 0), 'H');
}

TEST_F(SptiTest, AdaptersExistOnlyWhileTheTableIsBuilt) {
    EXPECT_EQ(SPTIGetASPI32SupportInfo(), 0xE800u);
    SRB_HAInquiry ha{};
    EXPECT_EQ(SPTISendASPI32Command(&ha), SS_INVALID_HA);
    EXPECT_EQ(ha.HA_Count, 0);

    // A built table always has adapter 0, drives or not.
    EXPECT_EQ(SPTIInit(), 0);
    EXPECT_EQ(SPTIGetASPI32SupportInfo(), 0x0101u);
    EXPECT_TRUE(SPTIDone());
    EXPECT_EQ(SPTIGetASPI32SupportInfo(), 0xE800u);
    // The table is built once per process: a drive that appears later stays unseen.
    AddDrive('E', Address(0, 0, 0));
    EXPECT_EQ(SPTIInit(), 0);
    EXPECT_EQ(SPTIFindDrive(0, 0, 0), 0);
}

TEST_F(SptiTest, HostAdapterInquiryDescribesTheEmulatedAdapter) {
    AddDrive('E', Address(0, 0, 0));
    SPTIInit();
    SRB_HAInquiry ha{};
    std::memset(ha.HA_Unique, 0xCC, sizeof ha.HA_Unique);
    EXPECT_EQ(SPTISendASPI32Command(&ha), SS_COMP);
    EXPECT_EQ(ha.SRB_Status, SS_COMP);
    EXPECT_EQ(ha.HA_Count, 1);
    EXPECT_EQ(ha.HA_SCSI_ID, 7);
    const uint8_t identifier[16] = {'S', 'P', 'T', 'I', ' ', '0'};
    EXPECT_EQ(0, std::memcmp(ha.HA_Identifier, identifier, 16));
    const uint8_t unique[16] = {0x07, 0, 0, 8, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xCC, 0xCC, 0xCC};
    EXPECT_EQ(0, std::memcmp(ha.HA_Unique, unique, 16));
    EXPECT_NE(ha.HA_ManagerId[0], 0);

    SRB_HAInquiry second{};
    second.SRB_HaId = 1;
    EXPECT_EQ(SPTISendASPI32Command(&second), SS_INVALID_HA);
    EXPECT_EQ(second.SRB_Status, SS_INVALID_HA);
    EXPECT_EQ(second.HA_Count, 1);
}

TEST_F(SptiTest, InquiryIsAnsweredFromTheTableEvenAfterTheDriveHasGone) {
    AddDrive('E', Address(0, 0, 0), "GONE WRITER");
    SPTIInit();
    platform::UnregisterVirtualDrive('E');

    uint8_t buffer[128];
    std::memset(buffer, 0xEE, sizeof buffer);
    auto r = Command(0, 0, 0, 0x12);
    r.SRB_BufLen = sizeof buffer;
    r.SRB_BufPointer = buffer;
    EXPECT_EQ(SPTISendASPI32Command(&r), SS_COMP);
    EXPECT_EQ(0, std::memcmp(buffer + 16, "GONE WRITER     ", 16));
    EXPECT_EQ(0, std::memcmp(buffer + 32, "1.00", 4));
    EXPECT_EQ(buffer[36], 0xEE);

    std::memset(buffer, 0xEE, sizeof buffer);
    r = Command(0, 0, 0, 0x12);
    r.SRB_BufLen = 10;
    r.SRB_BufPointer = buffer;
    EXPECT_EQ(SPTISendASPI32Command(&r), SS_COMP);
    EXPECT_EQ(buffer[8], 'T');
    EXPECT_EQ(buffer[10], 0xEE);

    // Any other command finds no drive to open: a failure without sense data.
    r = Command(0, 0, 0, 0x00);
    r.SenseArea[0] = 0;
    EXPECT_EQ(SPTISendASPI32Command(&r), SS_ERR);
    EXPECT_EQ(r.SRB_TargStat, 0);
    EXPECT_EQ(r.SenseArea[0], 0);
    // The next command opens the drive again.
    AddDrive('E', Address(0, 0, 0));
    r = Command(0, 0, 0, 0x00);
    EXPECT_EQ(SPTISendASPI32Command(&r), SS_COMP);
}

TEST_F(SptiTest, OtherRequestsOfTheDispatch) {
    AddDrive('E', Address(0, 4, 1));
    SPTIInit();
    SRB_GetDiskInfo disk{};
    disk.SRB_Cmd = SC_GET_DISK_INFO;
    disk.SRB_Target = 4;
    disk.SRB_Lun = 1;
    EXPECT_EQ(SPTISendASPI32Command(&disk), SS_ERR);
    EXPECT_EQ(disk.SRB_Status, SS_PENDING);

    SRB_GDEVBlock dev{};
    dev.SRB_Cmd = SC_GET_DEV_TYPE;
    dev.SRB_Target = 4;
    dev.SRB_Lun = 1;
    EXPECT_EQ(SPTISendASPI32Command(&dev), SS_COMP);
    EXPECT_EQ(dev.SRB_DeviceType, 0x05);
    dev.SRB_Lun = 0;
    EXPECT_EQ(SPTISendASPI32Command(&dev), SS_NO_DEVICE);
    EXPECT_EQ(dev.SRB_DeviceType, 0x1F);

    SRB_Abort abort{};
    abort.SRB_Cmd = SC_ABORT_SRB;
    EXPECT_EQ(SPTISendASPI32Command(&abort), SS_ERR);
    EXPECT_EQ(abort.SRB_Status, SS_ERR);
    EXPECT_EQ(SPTISendASPI32Command(nullptr), SS_ERR);
}

TEST_F(SptiTest, RequestsBecomePassThroughCommands) {
    auto drive = AddDrive('E', Address(0, 0, 0));
    SPTIInit();
    drive->ClearCommands();
    alignas(4) uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const struct {
        uint8_t flags;
        uint8_t dataIn;
    } cases[] = {{0x48, platform::SCSI_IOCTL_DATA_IN}, {0x50, platform::SCSI_IOCTL_DATA_OUT},
                 {0x40, platform::SCSI_IOCTL_DATA_UNSPECIFIED}, {0x58, platform::SCSI_IOCTL_DATA_IN}};
    for (const auto& c : cases) {
        auto r = Command(0, 0, 0, 0x2A);
        r.SRB_Flags = c.flags;
        r.SRB_CDBLen = 10;
        r.CDBByte[9] = 0x99;
        r.CDBByte[10] = 0x77; // beyond the CDB length: not sent
        r.SRB_BufLen = sizeof data;
        r.SRB_BufPointer = data;
        EXPECT_EQ(SPTISendASPI32Command(&r), SS_COMP);
    }
    auto sent = drive->Commands();
    ASSERT_EQ(sent.size(), 4u);
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].DataIn, cases[i].dataIn);
        EXPECT_EQ(sent[i].CdbLength, 10);
        EXPECT_EQ(sent[i].Cdb[9], 0x99);
        EXPECT_EQ(sent[i].Cdb[10], 0);
        EXPECT_EQ(sent[i].DataTransferLength, 8u);
        EXPECT_EQ(sent[i].SenseInfoLength, 24);
        EXPECT_EQ(sent[i].TimeOutValue, 120u);
    }
    EXPECT_EQ(sent[1].DataOut, std::vector<uint8_t>(data, data + 8));

    // A CDB length beyond the field is cut to the field.
    auto r = Command(0, 0, 0, 0xA8);
    r.SRB_CDBLen = 40;
    SPTISendASPI32Command(&r);
    EXPECT_EQ(drive->Commands().back().CdbLength, 16);
}

TEST_F(SptiTest, SenseIsCopiedOnlyAsFarAsTheBuffersReach) {
    platform::RegisterVirtualDrive('E', std::make_shared<TOversizedSense>(), Address(0, 0, 0));
    SPTIInit();
    auto r = Command(0, 0, 0);
    EXPECT_EQ(SPTISendASPI32Command(&r), SS_ERR);
    EXPECT_EQ(r.SRB_TargStat, 0x02);
    EXPECT_EQ(r.SenseArea[31], 0x5A);
    EXPECT_EQ(r.SenseArea[32], 0);
}

TEST_F(SptiTest, HandlesStayOpenOnlyWhileReleaseIsOff) {
    AddDrive('E', Address(0, 0, 0));
    SPTIInit();
    const auto& slot = SPTIState().SPTIDrives['E' - 'A'];
    TSCSIDevice dev;

    auto r = Command(0, 0, 0);
    SPTISendASPI32Command(&r);
    EXPECT_EQ(slot.Handle, platform::kInvalidDriveHandle);

    dev.SetReleaseHandles(false);
    r = Command(0, 0, 0);
    SPTISendASPI32Command(&r);
    const platform::TDriveHandle kept = slot.Handle;
    EXPECT_NE(kept, platform::kInvalidDriveHandle);
    r = Command(0, 0, 0);
    SPTISendASPI32Command(&r);
    EXPECT_EQ(slot.Handle, kept);

    dev.SetReleaseHandles(true);
    r = Command(0, 0, 0);
    SPTISendASPI32Command(&r);
    EXPECT_EQ(slot.Handle, platform::kInvalidDriveHandle);
    EXPECT_FALSE(platform::CloseDrive(kept)); // already closed by the emulation
}

TEST_F(SptiTest, DoneClosesHandlesAndClearsTheTable) {
    AddDrive('E', Address(0, 0, 0));
    EXPECT_FALSE(SPTIDone());
    SPTIInit();
    SPTIState().SPTICloseAfterCommand = false;
    auto r = Command(0, 0, 0);
    SPTISendASPI32Command(&r);
    const platform::TDriveHandle open = SPTIState().SPTIDrives['E' - 'A'].Handle;
    ASSERT_NE(open, platform::kInvalidDriveHandle);
    EXPECT_TRUE(SPTIDone());
    EXPECT_FALSE(platform::CloseDrive(open));
    EXPECT_EQ(SPTIFindDrive(0, 0, 0), 0);
    EXPECT_EQ(SPTIState().SPTIHostAdapters, 0);
}

TEST_F(SptiTest, TheOsTimeOutCoversTheCommandsOwnTimeOutWithAMargin) {
    auto drive = AddDrive('E', Address(0, 0, 0));
    SPTIInit();
    drive->ClearCommands();
    // Short commands keep the two minutes; an OPC, a close and a DVD flush get theirs and more.
    const struct {
        uint32_t ownMs;
        uint32_t osSeconds;
    } cases[] = {{0, 120}, {10000, 120}, {150000, 180}, {180000, 210}, {1800000, 1830}};
    for (const auto& c : cases) {
        SetSPTICommandTimeOut(c.ownMs);
        auto r = Command(0, 0, 0, 0x00);
        EXPECT_EQ(SPTISendASPI32Command(&r), SS_COMP);
    }
    SetSPTICommandTimeOut(0);
    auto sent = drive->Commands();
    ASSERT_EQ(sent.size(), std::size(cases));
    for (size_t i = 0; i < sent.size(); ++i) EXPECT_EQ(sent[i].TimeOutValue, cases[i].osSeconds) << cases[i].ownMs;
}

// The translation of pass-through requests to SG_IO and back, without a device; and, where a
// /dev/sr device exists, an INQUIRY and the READ commands of a 1:1 copy through it.
#ifdef __linux__
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/Drives.h"
#include "platform/posix/SgIo.h"

using namespace platform;

namespace {

SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER Request(uint8_t dataIn, uint32_t length, void* buffer) {
    SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER r{};
    r.spt.Length = sizeof r.spt;
    r.spt.CdbLength = 10;
    r.spt.Cdb[0] = 0x28;
    r.spt.Cdb[9] = 0x5C;
    r.spt.SenseInfoLength = 24;
    r.spt.DataIn = dataIn;
    r.spt.DataTransferLength = length;
    r.spt.DataBuffer = buffer;
    r.spt.TimeOutValue = 120;
    return r;
}

} // namespace

TEST(SgIoRequest, CarriesCdbDataSenseAndTimeOut) {
    uint8_t data[2048];
    auto r = Request(SCSI_IOCTL_DATA_IN, sizeof data, data);
    sg_io_hdr_t hdr;
    ASSERT_TRUE(sgio::BuildHeader(r, hdr));
    EXPECT_EQ(hdr.interface_id, 'S');
    EXPECT_EQ(hdr.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(hdr.cmd_len, 10);
    EXPECT_EQ(hdr.cmdp, r.spt.Cdb);
    EXPECT_EQ(hdr.dxfer_len, 2048u);
    EXPECT_EQ(hdr.dxferp, data);
    EXPECT_EQ(hdr.mx_sb_len, 24);
    EXPECT_EQ(hdr.sbp, r.ucSenseBuf);
    EXPECT_EQ(hdr.timeout, 120000u);
}

TEST(SgIoRequest, DirectionFollowsDataInAndLength) {
    uint8_t data[16];
    const struct {
        uint8_t dataIn;
        uint32_t length;
        int direction;
    } cases[] = {
        {SCSI_IOCTL_DATA_IN, 16, SG_DXFER_FROM_DEV},
        {SCSI_IOCTL_DATA_OUT, 16, SG_DXFER_TO_DEV},
        {SCSI_IOCTL_DATA_UNSPECIFIED, 16, SG_DXFER_TO_FROM_DEV},
        {SCSI_IOCTL_DATA_IN, 0, SG_DXFER_NONE},
        {SCSI_IOCTL_DATA_UNSPECIFIED, 0, SG_DXFER_NONE},
    };
    for (const auto& c : cases) {
        auto r = Request(c.dataIn, c.length, data);
        sg_io_hdr_t hdr;
        ASSERT_TRUE(sgio::BuildHeader(r, hdr));
        EXPECT_EQ(hdr.dxfer_direction, c.direction) << int(c.dataIn) << " " << c.length;
        if (c.length == 0) {
            EXPECT_EQ(hdr.dxferp, nullptr);
        }
    }
}

TEST(SgIoRequest, RefusesWhatTheKernelMustNotSee) {
    uint8_t data[16];
    sg_io_hdr_t hdr;
    auto noCdb = Request(SCSI_IOCTL_DATA_IN, 16, data);
    noCdb.spt.CdbLength = 0;
    EXPECT_FALSE(sgio::BuildHeader(noCdb, hdr));
    auto longCdb = Request(SCSI_IOCTL_DATA_IN, 16, data);
    longCdb.spt.CdbLength = 17;
    EXPECT_FALSE(sgio::BuildHeader(longCdb, hdr));
    auto noBuffer = Request(SCSI_IOCTL_DATA_IN, 16, nullptr);
    EXPECT_FALSE(sgio::BuildHeader(noBuffer, hdr));
    // Sense beyond the request's own buffer, and time-outs beyond the kernel's field, are cut.
    auto big = Request(SCSI_IOCTL_DATA_IN, 16, data);
    big.spt.SenseInfoLength = 200;
    big.spt.TimeOutValue = 0xFFFFFFFF;
    ASSERT_TRUE(sgio::BuildHeader(big, hdr));
    EXPECT_EQ(hdr.mx_sb_len, 32);
    EXPECT_EQ(hdr.timeout, sgio::kMaxTimeOutSeconds * 1000u);
    big.spt.TimeOutValue = 0;
    ASSERT_TRUE(sgio::BuildHeader(big, hdr));
    EXPECT_EQ(hdr.timeout, sgio::kDefaultTimeOutSeconds * 1000u);
}

TEST(SgIoReply, TransferredBytesAreTheLengthLessTheResidual) {
    uint8_t data[96];
    auto r = Request(SCSI_IOCTL_DATA_IN, 96, data);
    sg_io_hdr_t hdr;
    ASSERT_TRUE(sgio::BuildHeader(r, hdr));
    hdr.resid = 60;
    EXPECT_TRUE(sgio::ApplyReply(hdr, r));
    EXPECT_EQ(r.spt.DataTransferLength, 36u);
    EXPECT_EQ(r.spt.ScsiStatus, 0);
    EXPECT_EQ(r.spt.SenseInfoLength, 0);

    // A residual the driver got wrong never reports more than was asked, nor less than none.
    hdr.resid = -8;
    EXPECT_TRUE(sgio::ApplyReply(hdr, r));
    EXPECT_EQ(r.spt.DataTransferLength, 96u);
    hdr.resid = 500;
    EXPECT_TRUE(sgio::ApplyReply(hdr, r));
    EXPECT_EQ(r.spt.DataTransferLength, 0u);
}

TEST(SgIoReply, CheckConditionCarriesItsSense) {
    uint8_t data[8];
    auto r = Request(SCSI_IOCTL_DATA_IN, 8, data);
    sg_io_hdr_t hdr;
    ASSERT_TRUE(sgio::BuildHeader(r, hdr));
    hdr.status = 0x02;
    hdr.masked_status = 0x01;
    hdr.driver_status = 0x08; // sense available
    hdr.sb_len_wr = 18;
    hdr.resid = 8;
    EXPECT_TRUE(sgio::ApplyReply(hdr, r));
    EXPECT_EQ(r.spt.ScsiStatus, 0x02);
    EXPECT_EQ(r.spt.SenseInfoLength, 18);
    EXPECT_EQ(r.spt.DataTransferLength, 0u);
    hdr.sb_len_wr = 250; // more than was allowed
    EXPECT_TRUE(sgio::ApplyReply(hdr, r));
    EXPECT_EQ(r.spt.SenseInfoLength, 24);
}

TEST(SgIoReply, HostOrDriverErrorsFailEvenWithGoodStatus) {
    uint8_t data[8];
    auto r = Request(SCSI_IOCTL_DATA_IN, 8, data);
    sg_io_hdr_t hdr;
    ASSERT_TRUE(sgio::BuildHeader(r, hdr));
    hdr.status = 0;
    hdr.host_status = 0x01; // no connect
    EXPECT_FALSE(sgio::ApplyReply(hdr, r));
    hdr.host_status = 0;
    hdr.driver_status = 0x06; // timeout
    EXPECT_FALSE(sgio::ApplyReply(hdr, r));
    hdr.driver_status = 0x08 | 0x01; // sense plus busy
    EXPECT_FALSE(sgio::ApplyReply(hdr, r));
    hdr.driver_status = 0;
    EXPECT_TRUE(sgio::ApplyReply(hdr, r));
}

TEST(SgIoAddress, FromSysfsNameAndFromIdLun) {
    auto a = sgio::ParseAddressName("3:0:1:2");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Length, 8u);
    EXPECT_EQ(a->PortNumber, 3);
    EXPECT_EQ(a->PathId, 0);
    EXPECT_EQ(a->TargetId, 1);
    EXPECT_EQ(a->Lun, 2);
    for (const char* bad : {"", "1:0:0", "1:0:0:0:0", "a:0:0:0", "1:0:0:0x", "1:256:0:0", "block", "1::0:0"})
        EXPECT_FALSE(sgio::ParseAddressName(bad)) << bad;

    // SCSI_IOCTL_GET_IDLUN packs target, LUN and channel into bytes 0, 1 and 2.
    auto b = sgio::AddressFromIdLun(0x00010205, 4);
    EXPECT_EQ(b.PortNumber, 4);
    EXPECT_EQ(b.PathId, 1);
    EXPECT_EQ(b.TargetId, 5);
    EXPECT_EQ(b.Lun, 2);
}

TEST(SgIoAccess, PermissionHintNamesTheDeviceItsGroupAndTheCommand) {
    EXPECT_EQ(sgio::PermissionHint("/dev/sr0", "cdrom", "ann"),
              "Cannot open /dev/sr0: permission denied. The user needs read and write access to it, e.g. "
              "membership of the group \"cdrom\" that owns it: sudo usermod -aG cdrom ann, then log out and in "
              "again.");
    // The group that owns the device is the one named, whatever the distribution calls it.
    EXPECT_NE(sgio::PermissionHint("/dev/sr2", "optical").find("usermod -aG optical USER,"), std::string::npos);
    EXPECT_EQ(sgio::PermissionHint("/dev/sr1", ""),
              "Cannot open /dev/sr1: permission denied. The user needs read and write access to it.");
    // Never advice to join root's group.
    EXPECT_EQ(sgio::PermissionHint("/dev/sr3", "root", "ann").find("usermod"), std::string::npos);
}

// Runs only on a machine with an optical drive the user may open.
TEST(SgIoDevice, InquiryThroughARealDrive) {
    char letter = 0;
    for (char l = 'D'; l <= 'Z' && !letter; ++l)
        if (!RealDriveDevice(l).empty()) letter = l;
    if (!letter) GTEST_SKIP() << "no /dev/sr device";
    TDriveHandle h = OpenDrive(letter, true);
    if (h == kInvalidDriveHandle) h = OpenDrive(letter, false);
    if (h == kInvalidDriveHandle) GTEST_SKIP() << "cannot open " << RealDriveDevice(letter);

    uint8_t data[96] = {};
    auto r = Request(SCSI_IOCTL_DATA_IN, sizeof data, data);
    std::memset(r.spt.Cdb, 0, sizeof r.spt.Cdb);
    r.spt.CdbLength = 6;
    r.spt.Cdb[0] = 0x12;
    r.spt.Cdb[4] = sizeof data;
    EXPECT_TRUE(PassThroughDirect(h, r));
    EXPECT_EQ(r.spt.ScsiStatus, 0);
    EXPECT_GE(r.spt.DataTransferLength, 36u);
    EXPECT_LE(r.spt.DataTransferLength, 96u);
    EXPECT_EQ(data[0] & 0x1F, 0x05); // a CD/DVD device
    SCSI_ADDRESS address{};
    EXPECT_TRUE(GetScsiAddress(h, address));
    EXPECT_TRUE(CloseDrive(h));
}
namespace {

// A real drive the user may open, or a reason to skip.
TDriveHandle OpenRealDrive(std::string& reason) {
    for (char l = 'D'; l <= 'Z'; ++l) {
        if (RealDriveDevice(l).empty()) continue;
        TDriveHandle h = OpenDrive(l, true);
        if (h == kInvalidDriveHandle) h = OpenDrive(l, false);
        if (h == kInvalidDriveHandle) reason = "cannot open " + RealDriveDevice(l);
        return h;
    }
    reason = "no /dev/sr device";
    return kInvalidDriveHandle;
}

SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER Command(std::initializer_list<uint8_t> cdb, uint32_t length, void* buffer) {
    auto r = Request(length ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_UNSPECIFIED, length, buffer);
    std::memset(r.spt.Cdb, 0, sizeof r.spt.Cdb);
    r.spt.CdbLength = uint8_t(cdb.size());
    std::copy(cdb.begin(), cdb.end(), r.spt.Cdb);
    return r;
}

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

} // namespace

// Runs only on a machine with an optical drive holding a data disc.
TEST(SgIoDevice, ReadCommandsThroughARealDrive) {
    std::string reason;
    TDriveHandle h = OpenRealDrive(reason);
    if (h == kInvalidDriveHandle) GTEST_SKIP() << reason;
    auto ready = Command({0x00, 0, 0, 0, 0, 0}, 0, nullptr);
    if (!PassThroughDirect(h, ready) || ready.spt.ScsiStatus != 0) {
        CloseDrive(h);
        GTEST_SKIP() << "the drive holds no readable disc";
    }
    uint8_t capacity[8] = {};
    auto cap = Command({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, sizeof capacity, capacity);
    ASSERT_TRUE(PassThroughDirect(h, cap));
    ASSERT_EQ(cap.spt.ScsiStatus, 0);
    ASSERT_EQ(cap.spt.DataTransferLength, 8u);
    const uint32_t blocks = Be32(capacity) + 1;
    if (Be32(capacity + 4) != 2048 || blocks < 64) {
        CloseDrive(h);
        GTEST_SKIP() << "not a data disc of 2048-byte sectors";
    }

    // 32 sectors in one command, as the read job asks, through both commands: the same bytes.
    std::vector<uint8_t> ten(32 * 2048, 0xA5), twelve(32 * 2048, 0x5A);
    auto r10 = Command({0x28, 0, 0, 0, 0, 16, 0, 0, 32, 0}, uint32_t(ten.size()), ten.data());
    ASSERT_TRUE(PassThroughDirect(h, r10));
    EXPECT_EQ(r10.spt.ScsiStatus, 0);
    EXPECT_EQ(r10.spt.DataTransferLength, ten.size());
    auto r12 = Command({0xA8, 0, 0, 0, 0, 16, 0, 0, 0, 32, 0, 0}, uint32_t(twelve.size()), twelve.data());
    ASSERT_TRUE(PassThroughDirect(h, r12));
    EXPECT_EQ(r12.spt.ScsiStatus, 0);
    EXPECT_EQ(r12.spt.DataTransferLength, twelve.size());
    EXPECT_EQ(ten, twelve);

    // Past the end: a CHECK CONDITION with its sense, not a short transfer.
    std::vector<uint8_t> past(2048);
    auto beyond = Command({0x28, 0, uint8_t(blocks >> 24), uint8_t(blocks >> 16), uint8_t(blocks >> 8), uint8_t(blocks), 0,
                           0, 1, 0},
                          uint32_t(past.size()), past.data());
    EXPECT_TRUE(PassThroughDirect(h, beyond));
    EXPECT_EQ(beyond.spt.ScsiStatus, 0x02);
    EXPECT_GE(beyond.spt.SenseInfoLength, 14);
    EXPECT_NE(beyond.ucSenseBuf[2] & 0x0F, 0); // a sense key
    EXPECT_TRUE(CloseDrive(h));
}
#endif

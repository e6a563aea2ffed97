// The records handed to the system and to ASPI libraries must have the system's own layouts
// on both Windows builds. Compiled by both cross builds, so the 32-bit one checks the published
// SRB sizes (asserted in Srb.h) too.
#include <gtest/gtest.h>

#include <cstddef>

#include "engine/transport/Srb.h"
#include "platform/PassThrough.h"

namespace {

constexpr uint32_t kOurPassThroughIoctl = platform::IOCTL_SCSI_PASS_THROUGH_DIRECT;
constexpr uint32_t kOurAddressIoctl = platform::IOCTL_SCSI_GET_ADDRESS;
using TOurSpt = platform::SCSI_PASS_THROUGH_DIRECT;
using TOurAddress = platform::SCSI_ADDRESS;

} // namespace

// From here on the SDK's macros shadow the platform's names.
#include <windows.h>
#include <ntddscsi.h>

static_assert(kOurPassThroughIoctl == IOCTL_SCSI_PASS_THROUGH_DIRECT);
static_assert(kOurAddressIoctl == IOCTL_SCSI_GET_ADDRESS);
static_assert(sizeof(TOurSpt) == sizeof(::SCSI_PASS_THROUGH_DIRECT));
static_assert(offsetof(TOurSpt, DataTransferLength) == offsetof(::SCSI_PASS_THROUGH_DIRECT, DataTransferLength));
static_assert(offsetof(TOurSpt, TimeOutValue) == offsetof(::SCSI_PASS_THROUGH_DIRECT, TimeOutValue));
static_assert(offsetof(TOurSpt, DataBuffer) == offsetof(::SCSI_PASS_THROUGH_DIRECT, DataBuffer));
static_assert(offsetof(TOurSpt, SenseInfoOffset) == offsetof(::SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset));
static_assert(offsetof(TOurSpt, Cdb) == offsetof(::SCSI_PASS_THROUGH_DIRECT, Cdb));
static_assert(sizeof(TOurAddress) == sizeof(::SCSI_ADDRESS));
static_assert(offsetof(TOurAddress, PortNumber) == offsetof(::SCSI_ADDRESS, PortNumber));
static_assert(offsetof(TOurAddress, Lun) == offsetof(::SCSI_ADDRESS, Lun));

TEST(WindowsAbi, PassThroughBufferFitsTheDriverOnThisBuild) {
    // The sense buffer follows the structure and its filler, where SenseInfoOffset points.
    EXPECT_GE(offsetof(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf), sizeof(TOurSpt));
#ifdef _WIN64
    EXPECT_EQ(sizeof(TOurSpt), 56u);
    EXPECT_EQ(offsetof(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf), 60u);
#else
    EXPECT_EQ(sizeof(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER), 80u);
    EXPECT_EQ(sizeof(tarnwick::SRB_ExecSCSICmd), 97u);
#endif
}

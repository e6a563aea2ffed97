#pragma once
// SCSI pass-through to a drive opened by its letter, in the shape of the Windows
// IOCTL_SCSI_PASS_THROUGH_DIRECT and IOCTL_SCSI_GET_ADDRESS structures. Virtual drives (the
// emulator, through virtual/VirtualBus.h) answer first; then the OS (SG_IO on Linux,
// DeviceIoControl on Windows). The dispatch between them is virtual/Dispatch.cpp.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// The published Windows layouts (natural alignment, as ntddscsi.h declares them).
struct SCSI_PASS_THROUGH_DIRECT {
    uint16_t Length;
    uint8_t ScsiStatus;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
    uint8_t CdbLength;
    uint8_t SenseInfoLength;
    uint8_t DataIn;
    uint32_t DataTransferLength;
    uint32_t TimeOutValue;
    void* DataBuffer;
    uint32_t SenseInfoOffset;
    uint8_t Cdb[16];
};

// The pass-through structure followed by a filler and a 32-byte sense buffer (80 bytes on a
// 32-bit build).
struct SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER {
    SCSI_PASS_THROUGH_DIRECT spt;
    uint32_t Filler;
    uint8_t ucSenseBuf[32];
};

struct SCSI_ADDRESS {
    uint32_t Length;
    uint8_t PortNumber;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == 44);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == 20);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb) == 28);
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER) == 80);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf) == 48);
#endif
static_assert(sizeof(SCSI_ADDRESS) == 8);

enum : uint8_t { SCSI_IOCTL_DATA_OUT = 0, SCSI_IOCTL_DATA_IN = 1, SCSI_IOCTL_DATA_UNSPECIFIED = 2 };
constexpr uint32_t IOCTL_SCSI_PASS_THROUGH_DIRECT = 0x4D014;
constexpr uint32_t IOCTL_SCSI_GET_ADDRESS = 0x41018;

using TDriveHandle = std::intptr_t;
constexpr TDriveHandle kInvalidDriveHandle = -1;

// Opens "\\.\X:" (Windows) or the device behind letter X (virtual drive, or /dev/srN on Linux).
// readWrite: read and write access sharing read and write; else read access sharing read.
TDriveHandle OpenDrive(char letter, bool readWrite);
bool CloseDrive(TDriveHandle h);
// IOCTL_SCSI_PASS_THROUGH_DIRECT with the structure as both input and output. False when the
// call itself failed (no device, permission, host or driver error). On return ScsiStatus,
// SenseInfoLength, the sense buffer and DataTransferLength (bytes actually moved) are set.
bool PassThroughDirect(TDriveHandle h, SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request);
// IOCTL_SCSI_GET_ADDRESS; false when the device has no SCSI address.
bool GetScsiAddress(TDriveHandle h, SCSI_ADDRESS& address);

// Where the pass-through reports what the user can fix (a drive that may not be opened for
// lack of permission). Without a hook the message goes to stderr.
void SetPassThroughMessageHook(std::function<void(const std::string&)> hook);
void PassThroughMessage(const std::string& message);

// The OS side behind the functions above (SG_IO on Linux, DeviceIoControl on Windows); the
// common dispatch routes every letter without a virtual drive here.
namespace os {
TDriveHandle OpenDrive(char letter, bool readWrite);
bool CloseDrive(TDriveHandle h);
bool PassThroughDirect(TDriveHandle h, SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request);
bool GetScsiAddress(TDriveHandle h, SCSI_ADDRESS& address);
} // namespace os

} // namespace platform

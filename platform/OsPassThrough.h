#pragma once
// The operating system's side of the pass-through, below the virtual drive bus: what
// PassThrough.h's functions fall back to for a letter that no virtual drive holds. One
// implementation per OS (DeviceIoControl on Windows, SG_IO on Linux).
#include "platform/PassThrough.h"

namespace platform::os {

TDriveHandle OpenDrive(char letter, bool readWrite);
bool CloseDrive(TDriveHandle h);
bool PassThroughDirect(TDriveHandle h, SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request);
bool GetScsiAddress(TDriveHandle h, SCSI_ADDRESS& address);

} // namespace platform::os

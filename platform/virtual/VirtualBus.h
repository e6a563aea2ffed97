#pragma once
// The virtual drive bus: emulated drives registered under drive letters. The pass-through
// functions of PassThrough.h reach a registered drive before any real device, so the engine
// talks to an emulated drive exactly as it talks to a real one.
#include <memory>
#include <optional>
#include <string>

#include "platform/PassThrough.h"

namespace platform {

// A device on the bus: carries out one pass-through request (CDB, direction, buffer, sense).
class IScsiTarget {
public:
    virtual ~IScsiTarget() = default;
    // Returns false when the device does not answer at all (vanished drive); otherwise fills
    // ScsiStatus, the sense buffer and SenseInfoLength, and DataTransferLength.
    virtual bool Execute(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request) = 0;
};

// address: the SCSI address the drive reports; nullopt for a drive without one.
// rootFolder: the files of its disc (a DVD-ROM drive over a folder); empty for none.
void RegisterVirtualDrive(char letter, std::shared_ptr<IScsiTarget> target,
                          std::optional<SCSI_ADDRESS> address, const std::string& rootFolder = "");
void UnregisterVirtualDrive(char letter);
void ClearVirtualDrives();
std::shared_ptr<IScsiTarget> VirtualDrive(char letter);
std::optional<SCSI_ADDRESS> VirtualDriveAddress(char letter);
// The folder that holds the files of a virtual drive's disc; empty for none.
std::string VirtualDriveRoot(char letter);

} // namespace platform

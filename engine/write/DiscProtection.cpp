#include "engine/write/DiscProtection.h"

#include "engine/device/Messages.h"
#include "engine/device/ScsiDevice.h"

namespace tarnwick {

std::string ProtectedDiscRefusal(TSCSIDevice& device, uint8_t discType) {
    if (discType != dtDVDROM) return {};
    reply::TCopyrightInformation info;
    if (!device.ReadCopyrightInformation(info) || !info.Css()) return {};
    // A drive of another region refuses the disc's protected sectors before any key is asked.
    uint8_t driveMask = 0;
    if (device.ReadDriveRegion(driveMask) && reply::RegionMismatch(info.RegionMask, driveMask))
        return msg::RegionLockedDisc;
    return msg::EncryptedDisc;
}

} // namespace tarnwick

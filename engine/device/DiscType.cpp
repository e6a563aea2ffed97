// What disc is loaded: the current profile first, then the ATIP, the disc information and at
// last whether the drive answers at all.
#include "engine/device/Replies.h"
#include "engine/device/ScsiDevice.h"

namespace tarnwick {

uint8_t TSCSIDevice::GetDiscType() {
    auto& cfg = DrvLibState().ConfigurationBuffer;
    cfg.fill(0);
    uint8_t code = dtUnknown;
    if (GetConfiguration(2, 0x0000, cfg.data(), int32_t(cfg.size()))) {
        code = reply::DiscTypeFromProfile(GetBE16(&cfg[6]));
        if (code != dtUnknown) return code;
    }

    // Drives without GET CONFIGURATION: a CD's ATIP tells pressed, recordable or rewritable.
    ATIPData.fill(0);
    if (ReadTOC(4, ATIPData.data(), true, 0, uint8_t(ATIPData.size()), 0)) code = reply::DiscTypeFromAtip(ATIPData[6]);

    // Sent whether or not the ATIP answered, so the disc information is fresh either way.
    if (UpdateDiscInformation() && code == dtUnknown)
        code = LastDiscInformation().Erasable ? dtCDRW : dtCDR;

    if (code == dtUnknown && TestUnitReady(5000)) code = dtCDROM;
    return code;
}

} // namespace tarnwick

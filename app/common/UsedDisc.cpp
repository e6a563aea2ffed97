#include "app/common/UsedDisc.h"

#include "engine/write/VornBurner.h"

namespace tarnwick::app {

bool UsedRewritable(TVornBurner& engine) {
    const uint8_t t = engine.GetDiscType();
    if (t != dtCDRW && t != dtDVDRW && t != dtDVDRWSequential && t != dtDDCDRW) return false;
    if (!engine.UpdateDiscInformation()) return false;
    return (DrvLibState().DiscInformation[2] & 0x03) != 0;
}

} // namespace tarnwick::app

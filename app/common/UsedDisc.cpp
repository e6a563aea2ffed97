#include "app/common/UsedDisc.h"

#include "engine/write/VornBurner.h"

namespace tarnwick::app {

bool UsedRewritable(TVornBurner& engine) {
    const uint8_t t = engine.GetDiscType();
    if (t != dtCDRW && t != dtDVDRW && t != dtDVDRWSequential && t != dtDDCDRW) return false;
    if (!engine.UpdateDiscInformation()) return false;
    return !engine.LastDiscInformation().Blank();
}

} // namespace tarnwick::app

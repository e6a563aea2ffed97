// MODE SENSE(10) page 2Ah (capabilities and speeds), with and without a block descriptor.
#include "FuzzDrive.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& rig = fuzz::Rig();
    rig.Drive->Replies[0x5A] = fuzz::Bytes(data, size);
    rig.Drive->OverstateMoved = size > 1 && (data[size - 1] & 1);
    if (rig.Dev.ReadCapabilities()) {
        // The engine promises a usable speed whatever the page said.
        if (rig.Dev.DeviceMaxWriteSpeed() == 0) __builtin_trap();
    }
    rig.Dev.QueryMaxReadSpeed();
    // The parser on its own reads no further than the bytes it is given.
    reply::ParseCapabilitiesPage(data, size);
    rig.Dev.QueryCurrentWriteSpeed();
    return 0;
}

// READ BUFFER CAPACITY: buffer size and free bytes, as the burn's progress shows them.
#include "FuzzDrive.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& rig = fuzz::Rig();
    rig.Drive->Replies[0x5C] = fuzz::Bytes(data, size);
    rig.Drive->OverstateMoved = size && (data[0] & 0x40);
    uint32_t total = 0, free = 0;
    if (rig.Dev.ReadBufferCapacity(total, free)) {
        if (rig.Dev.DeviceFreeBufferSize() > (free == 0xFFFFFFFFu ? total : free)) __builtin_trap();
    }
    return 0;
}

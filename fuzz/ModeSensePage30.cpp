// MODE SENSE(10) page 30h (the vendor page some drives report), with and without a block
// descriptor.
#include "FuzzDrive.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& rig = fuzz::Rig();
    rig.Drive->Replies[0x5A] = fuzz::Bytes(data, size);
    rig.Drive->OverstateMoved = size > 1 && (data[size - 1] & 1);
    rig.Dev.HasPage30();
    return 0;
}

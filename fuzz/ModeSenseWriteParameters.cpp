// MODE SENSE(10) page 05h (write parameters), with and without a block descriptor: write-type
// detection and the parameter list sent back from it.
#include "FuzzDrive.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& rig = fuzz::Rig();
    rig.Drive->Replies[0x5A] = fuzz::Bytes(data, size);
    rig.Drive->OverstateMoved = size > 1 && (data[size - 1] & 1);
    rig.Dev.DetectWriteTypes();
    const uint8_t mode = size ? data[size / 2] : 0;
    rig.Dev.SetWriteParameters(mode & 1, mode & 2, uint16_t(mode % 15));
    rig.Dev.TryWriteType(uint8_t(mode % 3));
    return 0;
}

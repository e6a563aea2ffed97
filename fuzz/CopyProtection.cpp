// READ DVD STRUCTURE format 01h and REPORT KEY format 08h: the copyright information of a DVD
// and the drive's region, as the protection check reads them.
#include "FuzzDrive.h"
#include "engine/write/DiscProtection.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& rig = fuzz::Rig();
    // The first half answers READ DVD STRUCTURE, the rest REPORT KEY.
    const size_t half = size / 2;
    rig.Drive->Replies[0xAD] = fuzz::Bytes(data, half);
    rig.Drive->Replies[0xA4] = fuzz::Bytes(data + half, size - half);
    rig.Drive->OverstateMoved = size && (data[0] & 0x40);
    ProtectedDiscRefusal(rig.Dev, dtDVDROM);
    return 0;
}

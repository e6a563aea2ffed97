// READ DISC INFORMATION: the disc status and session count.
#include "FuzzDrive.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& rig = fuzz::Rig();
    rig.Drive->Replies[0x51] = fuzz::Bytes(data, size);
    rig.Drive->OverstateMoved = size && (data[0] & 0x40);
    rig.Dev.UpdateDiscInformation();
    rig.Dev.GetSessionCount();
    rig.Dev.LastDiscInformation();
    // The parser on its own reads no further than the bytes it is given.
    const reply::TDiscInformation info = reply::ParseDiscInformation(data, size);
    info.LeadOutLimitLba(true);
    uint8_t buf[34];
    rig.Dev.ReadDiscInformation(buf, uint8_t(size ? data[size - 1] % sizeof buf : 0));
    return 0;
}

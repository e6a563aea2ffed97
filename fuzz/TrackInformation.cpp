// READ TRACK INFORMATION and READ CAPACITY: the recorded size a disc copy reads up to.
#include "FuzzDrive.h"

#include "engine/device/Reading.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& rig = fuzz::Rig();
    // The first half answers READ TRACK INFORMATION, the rest READ CAPACITY.
    const size_t half = size / 2;
    rig.Drive->Replies[0x52] = fuzz::Bytes(data, half);
    rig.Drive->Replies[0x25] = fuzz::Bytes(data + half, size - half);
    rig.Drive->OverstateMoved = size && (data[0] & 0x40);
    reply::TTrackInformation info;
    for (uint16_t track : {uint16_t(1), uint16_t(0xFF), uint16_t(size ? data[size - 1] : 0)})
        if (reading::QueryTrackInformation(rig.Dev, track, info) > 36) __builtin_trap();
    // The parser on its own reads no further than the bytes it is given.
    info = reply::ParseTrackInformation(data, half);
    uint32_t last = 0, blockLength = 0;
    reading::ReadCapacity(rig.Dev, last, blockLength);
    return 0;
}

// READ TOC/PMA/ATIP: the ATIP (CD-R or CD-RW when no profile is known) and the TOC formats.
#include "engine/JobState.h"
#include "FuzzDrive.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& rig = fuzz::Rig();
    rig.Drive->Replies[0x43] = fuzz::Bytes(data, size);
    rig.Drive->OverstateMoved = size && (data[0] & 0x40);
    if (rig.Dev.GetDiscType() >= 15) __builtin_trap();
    uint8_t buf[256];
    const uint8_t alloc = uint8_t(size ? data[size - 1] : 12);
    for (uint8_t format : {0, 1, 2, 4}) rig.Dev.ReadTOC(format, buf, format != 1, 0, alloc, 0);
    // The parsers read no further than the bytes they are given.
    const reply::TTocTrack first = reply::ParseFirstTocTrack(data, size);
    if (first.Control > 0x0F) __builtin_trap();
    reply::ParseAtip(data, size);
    JobState().DiscType = 0;
    return 0;
}

// The file-system sizes a disc copy reads from an overwritable disc: the ISO 9660 primary
// volume descriptor at sector 16 and the UDF anchor at 256 with the descriptors it points to.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/write/DiscExtent.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The input is a disc of whole sectors: the first answers sector 16, the second the
    // anchor, and every other sector the reader asks for is one of the rest.
    constexpr size_t kSector = 2048;
    const size_t sectors = size / kSector;
    if (sectors == 0) return 0;
    size_t reads = 0;
    tarnwick::DeclaredFileSystemSectors([&](uint32_t lba, uint8_t* out) {
        ++reads;
        // A lying disc may point anywhere: the reader must stay bounded however it points.
        if (reads > 100000) __builtin_trap();
        size_t index;
        if (lba == 16) index = 0;
        else if (lba == 256) index = std::min<size_t>(1, sectors - 1);
        else if (sectors > 2) index = 2 + lba % (sectors - 2);
        else return false;
        std::memcpy(out, data + index * kSector, kSector);
        return true;
    });
    return 0;
}

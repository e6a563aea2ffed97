// READ FORMAT CAPACITIES and the sense data of a long operation: the format descriptor an
// erase or format sends, and the progress the wait shows.
#include "FuzzDrive.h"

#include "engine/device/Erasing.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& rig = fuzz::Rig();
    rig.Drive->Replies[0x23] = fuzz::Bytes(data, size);
    rig.Drive->OverstateMoved = size && (data[0] & 0x40);
    std::vector<uint8_t> buffer(rec::kFormatCapacitiesAlloc);
    uint32_t valid = 0;
    if (rig.Dev.ReadFormatCapacities(buffer.data(), uint16_t(buffer.size()), valid)) {
        const size_t n = std::min<size_t>(valid, buffer.size());
        rec::CapacityState(buffer.data(), n);
        // Every disc type code, those that format and those that must be refused.
        for (uint8_t type = 0; type < 16; ++type)
            if (auto d = rec::ChooseFormat(type, buffer.data(), n)) rec::FormatParameterList(*d, true);
    }
    // The raw bytes as sense data, at every length the transport can hand over.
    const std::vector<uint8_t> copy(data, data + size);
    SenseProgress(copy.data(), copy.size());
    return 0;
}

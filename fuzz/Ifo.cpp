// The placement fields of a DVD-Video IFO (a video manager's or a title set's), as the
// DVD-Video layout reads them from a source folder that may hold anything.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/image/IfoParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly the bytes given, so that a read past them is a read past the heap block.
    std::vector<uint8_t> bytes(data, data + size);
    tarnwick::TIfoInfo info;
    std::string error;
    if (!tarnwick::ParseIfo(bytes.data(), bytes.size(), info, error)) {
        if (error.empty()) __builtin_trap(); // a refusal always says why
        return 0;
    }
    // What the layout relies on from an accepted IFO: the IFO and its backup inside the set,
    // the VOBs between them, title sets after the manager and in order.
    if (info.LastIfoSector >= info.LastSector) __builtin_trap();
    if (uint64_t(info.LastIfoSector + 1) * 2048 < size) __builtin_trap();
    const uint32_t bup = info.LastSector - info.LastIfoSector;
    if (info.MenuVobSector && (info.MenuVobSector <= info.LastIfoSector || info.MenuVobSector >= bup))
        __builtin_trap();
    if (!info.Manager && (info.TitleVobSector <= info.LastIfoSector || info.TitleVobSector >= bup))
        __builtin_trap();
    uint32_t previous = info.LastSector;
    for (uint32_t start : info.TitleSetStart) {
        if (info.Manager == false || start <= previous) __builtin_trap();
        previous = start;
    }
    return 0;
}

#pragma once
// Reads the placement fields of DVD-Video IFO files (the video manager's VIDEO_TS.IFO and a
// title set's VTS_nn_0.IFO). Every read stays inside the bytes given; a field that points
// outside them, or values that cannot describe a title set, make the parse fail with a reason.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

struct TIfoInfo {
    bool Manager = false;       // VIDEO_TS.IFO (else a title set's IFO)
    uint32_t LastSector = 0;    // of the whole set (IFO, VOBs, BUP), from the IFO's start
    uint32_t LastIfoSector = 0; // of the IFO itself
    uint32_t MenuVobSector = 0; // 0: no menu VOB
    uint32_t TitleVobSector = 0; // title sets only
    // Manager only: the start sector of title set n at [n - 1], from the title search table.
    std::vector<uint32_t> TitleSetStart;
};

// Parses either kind (told apart by the identifier at the start). Returns false with a
// reason in error when the bytes are not a usable IFO.
bool ParseIfo(const uint8_t* data, size_t size, TIfoInfo& info, std::string& error);

} // namespace tarnwick

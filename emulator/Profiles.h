#pragma once
// MMC-5 media profiles of the emulated discs and what each medium allows.
#include <cstdint>
#include <optional>
#include <string>

namespace emulator {

enum class TProfile : uint16_t {
    None = 0x0000,
    CdRom = 0x0008,
    CdR = 0x0009,
    CdRw = 0x000A,
    DvdRom = 0x0010,
    DvdR = 0x0011,
    DvdRam = 0x0012,
    DvdRwRestricted = 0x0013,
    DvdRwSequential = 0x0014,
    DvdPlusRw = 0x001A,
    DvdPlusR = 0x001B,
};

struct TMediumTraits {
    bool Cd = false;
    bool Writable = false;
    // Written in sessions and tracks at the next writable address (CD-R/RW, DVD-R, DVD-RW
    // sequential, DVD+R); the others are pressed or written anywhere.
    bool Sequential = false;
    bool Erasable = false;
    // Capacity of a blank disc in 2048-byte sectors.
    uint32_t Capacity = 0;
};

TMediumTraits MediumTraits(TProfile profile);
bool IsDvd(TProfile profile);

// The kinds of the --virtual option: "cd-r", "dvd-rw-seq", ... ("none" is no medium).
std::optional<TProfile> ProfileFromKind(const std::string& kind);
std::string KindName(TProfile profile);

} // namespace emulator

#include "emulator/Profiles.h"

#include <array>

namespace emulator {

namespace {

// Nominal capacities: an 80-minute CD-R (79:59:74 less the 2-second pregap), 4.7 GB DVD-R and
// DVD+R, the 4.7 GB DVD-RAM, and the 650 MB / 4.7 GB of pressed discs.
constexpr uint32_t kCdCapacity = 359849;
constexpr uint32_t kCdRomCapacity = 333000;
constexpr uint32_t kDvdCapacity = 2295104;
constexpr uint32_t kDvdPlusCapacity = 2295104;
constexpr uint32_t kDvdRamCapacity = 2236704;

struct TKind {
    const char* Name;
    TProfile Profile;
};

constexpr std::array<TKind, 11> kKinds{{
    {"none", TProfile::None},
    {"cd-rom", TProfile::CdRom},
    {"cd-r", TProfile::CdR},
    {"cd-rw", TProfile::CdRw},
    {"dvd-rom", TProfile::DvdRom},
    {"dvd-r", TProfile::DvdR},
    {"dvd-ram", TProfile::DvdRam},
    {"dvd-rw", TProfile::DvdRwRestricted},
    {"dvd-rw-seq", TProfile::DvdRwSequential},
    {"dvd+rw", TProfile::DvdPlusRw},
    {"dvd+r", TProfile::DvdPlusR},
}};

} // namespace

TMediumTraits MediumTraits(TProfile profile) {
    //                            Cd     Writable Sequential Erasable Capacity
    switch (profile) {
    case TProfile::CdRom: return {true, false, false, false, kCdRomCapacity};
    case TProfile::CdR: return {true, true, true, false, kCdCapacity};
    case TProfile::CdRw: return {true, true, true, true, kCdCapacity};
    case TProfile::DvdRom: return {false, false, false, false, kDvdCapacity};
    case TProfile::DvdR: return {false, true, true, false, kDvdCapacity};
    case TProfile::DvdRam: return {false, true, false, true, kDvdRamCapacity};
    case TProfile::DvdRwRestricted: return {false, true, false, true, kDvdCapacity};
    case TProfile::DvdRwSequential: return {false, true, true, true, kDvdCapacity};
    case TProfile::DvdPlusRw: return {false, true, false, true, kDvdPlusCapacity};
    case TProfile::DvdPlusR: return {false, true, true, false, kDvdPlusCapacity};
    case TProfile::None: break;
    }
    return {};
}

bool IsDvd(TProfile profile) { return profile != TProfile::None && !MediumTraits(profile).Cd; }

std::optional<TProfile> ProfileFromKind(const std::string& kind) {
    for (const auto& k : kKinds)
        if (kind == k.Name) return k.Profile;
    return std::nullopt;
}

std::string KindName(TProfile profile) {
    for (const auto& k : kKinds)
        if (k.Profile == profile) return k.Name;
    return "unknown";
}

} // namespace emulator

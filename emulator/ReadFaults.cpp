#include "emulator/ReadFaults.h"

#include <algorithm>

namespace emulator {

void TReadFaults::AddUnreadable(uint32_t first, uint32_t last, uint32_t recoverAfter) {
    std::lock_guard lock(Mutex);
    Ranges.push_back({std::min(first, last), std::max(first, last), recoverAfter});
}

void TReadFaults::SetSlowReadMs(uint32_t ms) {
    std::lock_guard lock(Mutex);
    SlowMs = ms;
}

uint32_t TReadFaults::SlowReadMs() const {
    std::lock_guard lock(Mutex);
    return SlowMs;
}

void TReadFaults::VanishAt(uint32_t lba) {
    std::lock_guard lock(Mutex);
    VanishLba = lba;
}

void TReadFaults::Clear() {
    std::lock_guard lock(Mutex);
    Ranges.clear();
    Failed.clear();
    SlowMs = 0;
    VanishLba.reset();
}

uint32_t TReadFaults::Tries(uint32_t lba) const {
    std::lock_guard lock(Mutex);
    auto it = Failed.find(lba);
    return it == Failed.end() ? 0 : it->second;
}

TReadFaults::TResult TReadFaults::Judge(uint32_t lba, uint32_t blocks) {
    std::lock_guard lock(Mutex);
    const uint64_t end = uint64_t(lba) + blocks;
    if (VanishLba && *VanishLba >= lba && *VanishLba < end) return {TOutcome::Vanish, *VanishLba};
    // The drive stops at the first sector it cannot read.
    std::optional<uint32_t> first;
    for (const auto& r : Ranges) {
        if (r.Last < lba || r.First >= end) continue;
        for (uint64_t s = std::max(r.First, lba); s <= r.Last && s < end; ++s) {
            const auto sector = uint32_t(s);
            if (r.RecoverAfter && Failed[sector] >= r.RecoverAfter) continue;
            if (!first || sector < *first) first = sector;
            break;
        }
    }
    if (!first) return {};
    ++Failed[*first];
    return {TOutcome::Unreadable, *first};
}

} // namespace emulator

#pragma once
// Faults of the read path an emulated drive can be given: sectors that fail with an
// unrecovered read error (3/11/00), optionally reading after a number of failed tries, reads
// that take time, and a drive that disappears once a read reaches a given sector.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace emulator {

class TReadFaults {
public:
    // Sectors first..last fail; with recoverAfter > 0 each of them reads correctly once it
    // has failed that many times (a marginal sector a retry gets through).
    void AddUnreadable(uint32_t first, uint32_t last, uint32_t recoverAfter = 0);
    // Every READ takes this many milliseconds of platform::Clock().
    void SetSlowReadMs(uint32_t ms);
    uint32_t SlowReadMs() const;
    // The drive vanishes when a READ covers this sector.
    void VanishAt(uint32_t lba);
    void Clear();

    enum class TOutcome { Read, Unreadable, Vanish };
    struct TResult {
        TOutcome Outcome = TOutcome::Read;
        uint32_t Lba = 0; // the failing sector
    };
    // Judges one READ of blocks at lba; a failure counts as one try of the sector it names.
    TResult Judge(uint32_t lba, uint32_t blocks);
    // How often the sector failed so far.
    uint32_t Tries(uint32_t lba) const;

private:
    struct TRange {
        uint32_t First, Last, RecoverAfter;
    };
    mutable std::mutex Mutex;
    std::vector<TRange> Ranges;
    std::map<uint32_t, uint32_t> Failed;
    uint32_t SlowMs = 0;
    std::optional<uint32_t> VanishLba;
};

} // namespace emulator

#pragma once
// Reads sectors from the selected drive for the read and verify jobs: many sectors per READ,
// a failed READ retried a bounded number of times within a deadline (on platform::Clock()),
// then sector by sector, so that one bad sector is found and named exactly.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarnwick {

class TVornBurner;

struct TReadPolicy {
    uint32_t Retries = 3;           // further tries of one READ after it failed
    uint32_t RetryDeadlineMs = 30000; // no further try once a READ has failed for this long
    uint32_t RetryDelayMs = 250;
    bool SkipUnreadable = false;    // write zeros for a sector that stays unreadable
};

class TDriveReader {
public:
    TDriveReader(TVornBurner& Engine, TReadPolicy Policy);

    // Count sectors at Lba into Dest. False when the job must end (Error set).
    bool Read(uint32_t Lba, uint32_t Count, uint8_t* Dest, const std::function<bool()>& Aborted);
    // Logs the range still open; call once after the last Read.
    void Finish();

    const std::string& Error() const { return FError; }
    uint64_t Skipped() const { return FSkipped; }
    struct TRange {
        uint32_t First, Last;
    };

private:
    enum class TResult { Ok, Failed, Fatal };
    TResult ReadRetried(uint32_t Lba, uint32_t Count, uint8_t* Dest, const std::function<bool()>& Aborted);
    void NoteSkipped(uint32_t Lba);
    void LogRange(const TRange& r);

    TVornBurner& Engine;
    TReadPolicy Policy;
    std::string FError;
    uint64_t FSkipped = 0;
    std::vector<TRange> FRanges;
    bool RangeOpen = false;
};

} // namespace tarnwick

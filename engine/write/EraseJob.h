#pragma once
// TThErase: the erase job. Erases or formats the disc in the selected drive, follows the
// drive's progress until it is done, and reports the job's end through the engine's
// OnWriteDone on the main thread.
#include <atomic>
#include <string>
#include <thread>

#include "engine/JobResult.h"

namespace tarnwick {

class TVornBurner;

class TThErase {
public:
    TThErase(TVornBurner& Engine, bool Full);
    ~TThErase();
    TThErase(const TThErase&) = delete;
    TThErase& operator=(const TThErase&) = delete;

    void Start();
    bool Ended() const { return FEnded.load(); }

private:
    void Execute();
    TJobResult Run();

    TVornBurner& Engine;
    bool FFull;
    std::atomic<bool> FEnded{false};
    std::thread Thread;
};

// Erases (BLANK) or formats (FORMAT UNIT, with the descriptor READ FORMAT CAPACITIES lists)
// the disc of DiscType and waits for the drive within the medium's deadline. The job's end:
// an empty text on success, Aborted when AbortWrite ended the wait.
TJobResult EraseMedium(TVornBurner& Engine, uint8_t DiscType, bool Full);
// Formats a DVD+RW or DVD-RW that the drive refuses to write before it is formatted.
TJobResult FormatMedium(TVornBurner& Engine, uint8_t DiscType);

} // namespace tarnwick

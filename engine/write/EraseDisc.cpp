// The erase job entry.
#include "engine/JobState.h"
#include "engine/device/Messages.h"
#include "engine/write/EraseJob.h"
#include "engine/write/VornBurner.h"

namespace tarnwick {

bool TVornBurner::EraseDisc(bool Full) {
    if (RefuseWhileRunning()) return false;
    TJobState& job = FJob;
    job.CurrentWriter.reset();
    job.CurrentCache.reset();
    job.ClearAborts();
    BytesWritten = 0;
    ImageSectors = 0;
    EraseProgress = -1;
    auto eraser = std::make_shared<TThErase>(*this, Full);
    job.CurrentEraser = eraser;
    eraser->Start();
    return true;
}

} // namespace tarnwick

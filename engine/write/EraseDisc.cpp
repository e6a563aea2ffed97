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
    FJob.BytesWritten = 0;
    FJob.ImageSectors = 0;
    FJob.EraseProgress = -1;
    try {
        auto eraser = std::make_shared<TThErase>(*this, Full);
        eraser->Start();
        job.CurrentEraser = eraser;
    } catch (const std::exception&) { // an eraser that never ran would never end
        EndAtEntry(TJobResultKind::Failed, msg::NoJobThread);
        return false;
    }
    return true;
}

} // namespace tarnwick

// The erase job entry.
#include "engine/JobState.h"
#include "engine/device/Messages.h"
#include "engine/write/EraseJob.h"
#include "engine/write/VornBurner.h"

namespace tarnwick {

bool TVornBurner::EraseDisc(bool Full) {
    if (JobRunning()) {
        DebugMessage(msg::JobAlreadyRunning, 0);
        return false;
    }
    auto& job = JobState();
    job.CurrentWriter.reset();
    job.CurrentCache.reset();
    job.CurrentEngine = this;
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

// The disc-to-image-file job entry: a 1:1 copy of the disc in the selected drive. The cache
// thread reads the disc's sectors, the write thread writes them to the image file.
#include "engine/JobState.h"
#include "engine/device/Messages.h"
#include "engine/write/CacheThread.h"
#include "engine/write/DiscExtent.h"
#include "engine/write/DriveSource.h"
#include "engine/write/VornBurner.h"

namespace tarnwick {

bool TVornBurner::ReadDiscToImageFile(const std::string& FileName) {
    if (RefuseWhileRunning()) return false;
    // What this entry asks of the drive on this thread sees this engine's job.
    TJobBinding binding(FJob);
    TJobState& job = FJob;
    // An abort while the disc is measured or the cache fills counts for this job.
    job.ClearAborts();
    FJobReadsCompilation = false;
    FJob.UnreadableSectors = 0;
    TDiscExtent extent;
    const std::string error = MeasureDiscToRead(*this, extent, [&job] { return job.AbortFlag.load(); });
    if (!error.empty()) {
        // The measuring stops at an abort; anything else that stops it is a failure.
        EndAtEntry(job.AbortFlag ? TJobResultKind::Aborted : TJobResultKind::Failed, error);
        return false;
    }
    FJob.ImageSectors = extent.Sectors;
    SetISOFileName(FileName);
    DebugMessage(std::string(">>> ") + msg::Format(msg::ReadingDisc, (long long)extent.Sectors), 1);
    TReadPolicy policy;
    policy.Retries = ReadRetries();
    policy.SkipUnreadable = SkipUnreadable();
    if (!StartCache(TCacheThread::kMaxBlockBytes, std::string(), nullptr,
                    CreateDriveSource(*this, extent.Sectors, policy)))
        return false;
    return StartWriteThread(true);
}

} // namespace tarnwick

// The compilation-to-image-file job entry (its own unit: it is the one entry that lays the
// compilation out and encodes its header).
#include "engine/device/Messages.h"
#include "engine/write/CacheThread.h"
#include "engine/write/VornBurner.h"

namespace tarnwick {

int32_t TVornBurner::CreateImageFile(const std::string& FileName) {
    if (RefuseWhileRunning()) return -1;
    SetISOFileName(FileName);
    FJobReadsCompilation = true;
    LayoutCompilation(true, nullptr);
    // The directory extents are encoded as the cache thread reaches them: held whole, they
    // would take a sector per directory and tree in memory for the length of the job.
    BeginImageHeader(true, nullptr);
    if (StartCache(TCacheThread::kMaxBlockBytes, std::string(), std::make_unique<TDirectoryEncoder>(*this)))
        StartWriteThread(true);
    return -1;
}

} // namespace tarnwick

// The job entries of the engine: write the compilation to an image file, start the write
// thread, abort, and the job's end on the main thread.
#include <chrono>
#include <thread>

#include "engine/JobState.h"
#include "engine/device/Messages.h"
#include "engine/write/CacheSource.h"
#include "engine/write/CacheThread.h"
#include "engine/write/EraseJob.h"
#include "engine/write/VornBurner.h"
#include "engine/write/WriteThread.h"
#include "platform/Threads.h"

namespace tarnwick {

namespace {

// Job entries look at the cache this often while it fills.
constexpr uint32_t kReadyPollMs = 100;

} // namespace

bool TVornBurner::JobRunning() const {
    auto& job = JobState();
    if (job.CurrentEngine.load() != this) return false;
    if (job.CurrentEraser && !job.CurrentEraser->Ended()) return true;
    if (job.CurrentWriter) return !job.CurrentWriter->Ended();
    return job.CurrentCache && !job.CurrentCache->Ended();
}

bool TVornBurner::CompilationInUse() {
    if (!FJobReadsCompilation || !JobRunning()) return false;
    DebugMessage(msg::JobAlreadyRunning, 0);
    return true;
}

void TVornBurner::DoWriteDone() {
    if (OnWriteDone && !Destroying) OnWriteDone(this, LastWriteError);
}

// Shared by both job entries: replaces the engine-wide job with a new cache thread and waits
// until it is full (or has queued everything). False, with OnWriteDone raised here, when the
// cache failed first.
bool TVornBurner::StartCache(int32_t BlockSize, const std::string& ImageFileName,
                             std::unique_ptr<TDirectoryEncoder> Directories,
                             std::unique_ptr<ICacheSource> Reader) {
    auto& job = JobState();
    job.CurrentWriter.reset(); // the previous job's threads have ended (checked by the caller)
    job.CurrentCache.reset();
    job.CurrentEraser.reset();
    job.CurrentEngine = this;
    // A copy of a disc is never padded: the image holds the disc's sectors and no more.
    const bool pad = WritePostGap() && !Reader;
    auto cache = std::make_shared<TCacheThread>(CacheSize(), WriteLock, BlockSize, pad, ImageSectors * kSectorSize,
                                                &HeaderStream, ImageFileName, &FileTable, FileCount,
                                                std::move(Directories), std::move(Reader));
    job.CurrentCache = cache;
    for (;;) {
        if (!cache->LastError.Empty()) {
            CurrentFile = cache->CurrentFileName.Get();
            if (OnWriteDone) OnWriteDone(this, cache->LastError.Get());
            return false;
        }
        if (cache->Ready) return true;
        cache->WaitForChange(kReadyPollMs);
    }
}

bool TVornBurner::StartWriteThread(bool ToImageFile) {
    auto& job = JobState();
    // The entry cleared the aborts before its first command; one that came since counts.
    job.CurrentWriter.reset();
    auto writer = std::make_shared<TThWrite>(*this, job.CurrentCache, ToImageFile);
    job.CurrentWriter = writer;
    writer->Start();
    return true;
}

void TVornBurner::AbortWrite() {
    auto& job = JobState();
    job.AbortFlag = true;
    ++job.AbortRequests;
}

void TVornBurner::EndJobs() {
    auto& job = JobState();
    if (job.CurrentEngine.load() != this) return;
    Destroying = true;
    if (JobRunning()) {
        job.AbortFlag = true;
        ++job.AbortRequests;
        if (job.CurrentCache) job.CurrentCache->Abort();
        // Every wait of both threads is bounded, so this ends; the write thread reports through
        // the main-thread queue, which is run here.
        while (JobRunning()) {
            if (platform::IsMainThread())
                platform::CheckSynchronize(10);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    job.CurrentWriter.reset();
    job.CurrentCache.reset();
    job.CurrentEraser.reset();
    job.CurrentEngine = nullptr;
}

} // namespace tarnwick

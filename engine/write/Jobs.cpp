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
    const TJobState& job = FJob;
    if (job.CurrentEraser && !job.CurrentEraser->Ended()) return true;
    if (job.CurrentWriter) return !job.CurrentWriter->Ended();
    return job.CurrentCache && !job.CurrentCache->Ended();
}

bool TVornBurner::RefuseWhileRunning() {
    if (!JobRunning()) return false;
    ++FRefusals;
    DebugMessage(msg::JobAlreadyRunning, 0);
    return true;
}

bool TVornBurner::CompilationInUse() { return FJobReadsCompilation && RefuseWhileRunning(); }

void TVornBurner::DoWriteDone() {
    if (!OnWriteDone || Destroying) return;
    FReportingEnd = true;
    OnWriteDone(this, FJob.LastWriteError);
    FReportingEnd = false;
}

void TVornBurner::EndAtEntry(TJobResultKind Kind, const std::string& Text) {
    FJob.LastResult = {Kind, Text};
    if (OnWriteDone) OnWriteDone(this, Text);
}

// Shared by both job entries: replaces this engine's job with a new cache thread and waits
// until it is full (or has queued everything). False, with OnWriteDone raised here, when the
// cache failed first.
bool TVornBurner::StartCache(int32_t BlockSize, const std::string& ImageFileName,
                             std::unique_ptr<TDirectoryEncoder> Directories,
                             std::unique_ptr<ICacheSource> Reader) {
    TJobState& job = FJob;
    // The cache thread takes the job state bound while it is made.
    TJobBinding binding(job);
    job.CurrentWriter.reset(); // the previous job's threads have ended (checked by the caller)
    job.CurrentCache.reset();
    job.CurrentEraser.reset();
    job.Error.Set(std::string());
    // Only a read job's source counts skipped sectors.
    job.UnreadableSectors = 0;
    // A copy of a disc is never padded: the image holds the disc's sectors and no more.
    const bool pad = WritePostGap() && !Reader;
    std::shared_ptr<TCacheThread> cache;
    try {
        cache = std::make_shared<TCacheThread>(CacheSize(), BlockSize, pad, FJob.ImageSectors * kSectorSize,
                                               &FImage.HeaderStream, ImageFileName, &FCompilation.FileTable, FCompilation.FileCount,
                                               std::move(Directories), std::move(Reader));
    } catch (const std::exception&) { // no thread or no memory for one
        EndAtEntry(TJobResultKind::Failed, msg::NoJobThread);
        return false;
    }
    job.CurrentCache = cache;
    for (;;) {
        // An abort while the cache fills ends the job here: a source that keeps failing (bad
        // sectors, retries) could otherwise hold the caller for as long as the fill takes.
        if (job.AbortFlag) cache->Abort();
        if (!job.Error.Empty()) {
            FJob.CurrentFile = cache->CurrentFileName.Get();
            const TJobResult failed = job.Error.Result();
            EndAtEntry(failed.Kind, failed.Text);
            return false;
        }
        if (cache->WaitForReady(kReadyPollMs)) {
            if (const int32_t bound = cache->BoundBlocks())
                DebugMessage(">>> CACHE LIMITED TO " + std::to_string(int64_t(bound) * cache->BlockSize()) +
                                 " BYTES: NOT ENOUGH MEMORY FOR " + std::to_string(CacheSize()),
                             1);
            return true;
        }
    }
}

bool TVornBurner::StartWriteThread(bool ToImageFile) {
    TJobState& job = FJob;
    // The entry cleared the aborts before its first command; one that came since counts.
    job.CurrentWriter.reset();
    try {
        auto writer = std::make_shared<TThWrite>(*this, job.CurrentCache, ToImageFile);
        writer->Start();
        job.CurrentWriter = writer;
    } catch (const std::exception&) {
        // A writer that never ran would keep the job "running" for ever: the cache is
        // stopped and the job ends here.
        if (job.CurrentCache) job.CurrentCache->Abort();
        EndAtEntry(TJobResultKind::Failed, msg::NoJobThread);
        return false;
    }
    return true;
}

void TVornBurner::AbortWrite() {
    TJobState& job = FJob;
    job.AbortFlag = true;
    ++job.AbortRequests;
}

void TVornBurner::EndJobs() {
    TJobState& job = FJob;
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
}

} // namespace tarnwick

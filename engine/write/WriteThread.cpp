#include "engine/write/WriteThread.h"

#include "engine/JobState.h"
#include "engine/device/Messages.h"
#include "engine/image/CompilationMessages.h"
#include "engine/write/CacheThread.h"
#include "engine/StreamEx.h"
#include "engine/write/VornBurner.h"
#include "engine/write/WriteTarget.h"
#include "platform/Console.h"
#include "platform/Threads.h"

namespace tarnwick {

namespace {

// The image-file target: writes beside the output, under a name of its own, and gives the
// file the output's name only when the job succeeded. An existing image of that name is
// never touched by a job that fails, two jobs on one output never write into one file, and
// a failed job's partial file keeps a name that says so. A device or FIFO given as the
// output, and standard output, are written directly.
class TImageFileTarget : public IWriteTarget {
public:
    TImageFileTarget(TVornBurner& AEngine, std::string AFileName, TCacheThread& ACache)
        : Engine(AEngine), FileName(std::move(AFileName)), Cache(ACache) {}

    bool Prepare() override {
        // Standard output sent to a file is written there too: a working file renamed over
        // /dev/stdout would replace the link itself.
        if (platform::IsSpecialFile(FileName) || platform::IsStandardOutput(FileName)) {
            Handle = platform::FileCreate(FileName);
        } else {
            // A name no other job holds: created exclusively, numbered until one is free. A
            // running job holds its working file; one that no job holds was left by a job
            // that was killed, and is taken over instead of left lying about.
            for (int n = 1; n < 1000 && Handle == platform::kInvalidFileHandle; ++n) {
                WorkName = FileName + ".writing" + std::to_string(n);
                Handle = platform::FileCreateNew(WorkName);
                if (Handle != platform::kInvalidFileHandle) {
                    platform::FileTryLock(Handle);
                    break;
                }
                if (!platform::FileExists(WorkName)) break;
                Handle = TakeOverLeftBehind(WorkName);
            }
            if (Handle == platform::kInvalidFileHandle) WorkName.clear();
        }
        if (Handle == platform::kInvalidFileHandle) {
            Engine.Job().Error.SetIfEmpty(
                msg::Format(msg::CantCreateFile, FileName) + ": " + platform::LastErrorText());
            Cache.Abort();
            return false;
        }
        Stream = std::make_unique<THandleStreamEx>(Handle);
        if (!Engine.Job().Error.Empty()) {
            Discard();
            return false;
        }
        return true;
    }

    bool WriteBlock(int64_t, uint8_t* Buffer, int32_t Count) override {
        // A full disk or a size limit shows as a short or failed write: report it, or the
        // job would end "successfully" with a truncated image.
        int32_t done = 0;
        while (done < Count) {
            const int32_t n = Stream->Write(Buffer + done, Count - done);
            if (n <= 0) return Failed();
            done += n;
        }
        return true;
    }

    void Close() override {
        if (Handle != platform::kInvalidFileHandle && !platform::FileClose(Handle)) Failed();
        Handle = platform::kInvalidFileHandle;
        Stream.reset();
        if (WorkName.empty()) return;
        if (Engine.Job().Error.Empty() && Cache.Remaining() == 0) {
            if (!platform::FileRename(WorkName, FileName)) {
                Failed();
                KeepPartial();
            }
        } else {
            KeepPartial();
        }
        WorkName.clear();
    }

private:
    // The working file of a killed job, emptied for this one; invalid when a job holds it.
    static platform::TFileHandle TakeOverLeftBehind(const std::string& Name) {
        platform::TFileHandle h = platform::FileOpen(Name, 2 | 0x10); // read and write, no sharing
        if (h == platform::kInvalidFileHandle) return h;
        if (platform::FileTryLock(h) && platform::FileSeek(h, 0, 0) == 0 && platform::FileSetEndOfFile(h)) return h;
        platform::FileClose(h);
        return platform::kInvalidFileHandle;
    }

    bool Failed() {
        Engine.Job().Error.SetIfEmpty(
            msg::Format(msg::CantWriteFile, FileName) + ": " + platform::LastErrorText());
        Cache.Abort();
        return false;
    }

    void Discard() {
        platform::FileClose(Handle);
        Handle = platform::kInvalidFileHandle;
        Stream.reset();
        if (!WorkName.empty()) platform::FileDelete(WorkName);
        WorkName.clear();
    }

    void KeepPartial() {
        const std::string partial = FileName + ".incomplete";
        if (platform::FileRename(WorkName, partial))
            Engine.DebugMessage(">>> " + msg::Format(msg::PartialImageKept, partial), 4);
        else
            Engine.DebugMessage(">>> " + msg::Format(msg::PartialImageKept, WorkName), 4);
    }

    TVornBurner& Engine;
    std::string FileName;
    std::string WorkName; // empty when writing to the output directly
    TCacheThread& Cache;
    platform::TFileHandle Handle = platform::kInvalidFileHandle;
    std::unique_ptr<THandleStreamEx> Stream;
};

} // namespace

TThWrite::TThWrite(TVornBurner& AEngine, std::shared_ptr<TCacheThread> ACache, bool AToImageFile)
    : Engine(AEngine), FCache(std::move(ACache)), FToImageFile(AToImageFile) {}

TThWrite::~TThWrite() {
    if (!Thread.joinable()) return;
    if (Thread.get_id() == std::this_thread::get_id())
        Thread.detach();
    else
        Thread.join();
}

void TThWrite::Start() { Thread = std::thread([this] { Execute(); }); }

namespace {

// What NextBlock gives on an abort or an error.
constexpr int32_t kStop = -2;
// The longest a stopped job waits for its cache to end (a read in progress has its own time-out).
constexpr uint32_t kCacheEndWaitMs = 30000;
// The longest one wait for a block lasts before the job's abort flag is looked at again.
constexpr uint32_t kDryWaitMs = 50;

// Takes the cache's next block, waiting while it has none: its bytes, 0 at the end of the
// data, or kStop.
int32_t NextBlock(TVornBurner& Engine, TCacheThread& cache, std::unique_ptr<TCacheThread::TBlock>& block) {
    TJobState& job = Engine.Job();
    for (;;) {
        if (job.AbortFlag) {
            job.Error.SetIfEmpty(msg::OperationAborted, TJobResultKind::Aborted);
            cache.Abort();
            return kStop;
        }
        const int32_t n = cache.TakeBlock(block);
        if (!job.Error.Empty()) return kStop;
        if (n != -1) return n;
        cache.WaitForBlock(kDryWaitMs);
    }
}

void WriteBlocks(TVornBurner& Engine, IWriteTarget& target, TCacheThread& cache) {
    // Each block is taken from the queue as it is and written from where it was read into.
    std::unique_ptr<TCacheThread::TBlock> block;
    int64_t written = 0; // W: sectors written
    int32_t n = cache.TakeBlock(block);
    const int64_t trackBytes = Engine.GetTrackSectors() * kSectorSize;
    while (n != 0) {
        if (n != -1) {
            Engine.Job().CurrentFile = cache.CurrentFileName.Get();
            const int64_t total = Engine.Job().BytesWritten + n;
            Engine.Job().BytesWritten = total / kSectorSize > trackBytes / kSectorSize ? trackBytes : total;
            if (!target.WriteBlock(Engine.Layout().StartLBA + written, block->Data, n)) return;
            written += n / kSectorSize;
        }
        n = NextBlock(Engine, cache, block);
        if (n == kStop) return;
    }
}

// The job's end: its first error with the kind it was set with; a job without one that
// skipped unreadable sectors, or an image that does not hold every entry as it was, says so.
TJobResult FinishedResult(TVornBurner& Engine) {
    TJobResult result = Engine.Job().Error.Result();
    if (!result.Text.empty()) return result;
    if (Engine.Job().UnreadableSectors > 0)
        result.Kind = TJobResultKind::SkippedSectors;
    else if (Engine.JobReadsCompilation() && !Engine.EntryNotes().empty())
        result.Kind = TJobResultKind::EntriesChanged;
    return result;
}

// The log's end-of-job lines, the end report, and the reset for the next job.
void EndJob(TVornBurner& Engine, TCacheThread& cache) {
    // Files that grew while read, then the queue's figures (as the fifo figures of other
    // recording tools).
    for (const std::string& path : cache.GrownFiles())
        Engine.DebugMessage(">>> " + msg::Format(msg::FileGrew, path), 4);
    const std::string counts = msg::Format(msg::QueueCounts, (long long)cache.EmptyReads());
    Engine.DebugMessage(">>> " + msg::Format(counts.c_str(), std::to_string(cache.FullWaits())), 1);
    Engine.Job().CurrentFile = cache.CurrentFileName.Get();
    // The end as it stands now: a cache stopped below adds nothing to it.
    const TJobResult result = FinishedResult(Engine);
    const std::string& error = result.Text;
    // A job that stopped early can leave the cache inside a read of the source drive: it
    // ends before the job reports, so no command of this job comes after its end.
    if (!cache.Ended() && (cache.Remaining() != 0 || !error.empty())) {
        cache.Abort();
        cache.WaitForEnd(kCacheEndWaitMs);
    }
    Engine.Job().LastResult = result;
    if (Engine.OnWriteDone) {
        Engine.Job().LastWriteError = error;
        platform::Synchronize([&Engine] { Engine.DoWriteDone(); });
    }
    // Drive handles are released again after every job, whatever the target was.
    Engine.SetReleaseHandles(true);
    Engine.Job().CurrentFile = std::string();
    // The next job's waits start without this job's aborts.
    TJobState& job = Engine.Job();
    job.AbortRequests = 0;
    job.AbortGrace = 0;
}

} // namespace

void TThWrite::Execute() {
    platform::SetCurrentThreadPriority(platform::TThreadPriority::TimeCritical);
    // Everything this thread does below (the recording sequence, the ready waits) sees the
    // job of its own engine.
    TJobBinding binding(Engine.Job());
    TCacheThread& cache = *FCache;
    Engine.Job().BytesWritten = 0;
    std::unique_ptr<IWriteTarget> target;
    if (FTargetFactory)
        target = FTargetFactory(Engine, cache);
    else if (FToImageFile)
        target = std::make_unique<TImageFileTarget>(Engine, Engine.ISOFileName(), cache);
    else
        target = CreateDiscTarget(Engine, cache);
    if (target->Prepare()) {
        WriteBlocks(Engine, *target, cache);
        target->Close();
        // Every byte the cache announced must have reached the target.
        if (cache.Remaining() != 0) Engine.Job().Error.SetIfEmpty(msg::InternalError0006);
    }
    EndJob(Engine, cache);
    FEnded = true;
}

} // namespace tarnwick

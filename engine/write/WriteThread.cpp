#include "engine/write/WriteThread.h"

#include "engine/JobState.h"
#include "engine/device/Messages.h"
#include "engine/write/CacheThread.h"
#include "engine/write/StreamEx.h"
#include "engine/write/VornBurner.h"
#include "engine/write/WriteTarget.h"
#include "platform/Threads.h"

namespace tarnwick {

namespace {

// The image-file target: creates the file named by the engine's ISOFileName and writes every
// block to it. The file keeps what was written, also after an abort or an error.
class TImageFileTarget : public IWriteTarget {
public:
    TImageFileTarget(std::string AFileName, TCacheThread& ACache) : FileName(std::move(AFileName)), Cache(ACache) {}

    bool Prepare() override {
        try {
            Stream = std::make_unique<TFileStreamEx>(FileName, fmCreate);
        } catch (EFileStreamError&) {
            Cache.LastError.SetIfEmpty(msg::Format(msg::CantCreateFile, FileName));
            Cache.Abort();
            return false;
        }
        if (!Cache.LastError.Empty()) {
            Stream.reset();
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
        if (Stream && !Stream->Close()) Failed();
        Stream.reset();
    }

private:
    bool Failed() {
        Cache.LastError.SetIfEmpty(msg::Format(msg::CantWriteFile, FileName));
        Cache.Abort();
        return false;
    }

    std::string FileName;
    TCacheThread& Cache;
    std::unique_ptr<TFileStreamEx> Stream;
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

void TThWrite::Execute() {
    platform::SetCurrentThreadPriority(platform::TThreadPriority::TimeCritical);
    auto& job = JobState();
    TCacheThread& cache = *FCache;
    // Each block is taken from the queue as it is and written from where it was read into.
    std::unique_ptr<TCacheThread::TBlock> block;
    Engine.BytesWritten = 0;
    int64_t written = 0; // W: sectors written

    std::unique_ptr<IWriteTarget> target;
    if (FTargetFactory)
        target = FTargetFactory(Engine, cache);
    else if (FToImageFile)
        target = std::make_unique<TImageFileTarget>(Engine.ISOFileName(), cache);
    else
        target = CreateDiscTarget(Engine, cache);

    if (target->Prepare()) {
        int32_t n;
        Engine.LockDevice();
        n = cache.TakeBlock(block);
        Engine.UnlockDevice();
        Engine.StartLBA = 0;
        const int64_t trackBytes = Engine.GetTrackSectors() * kSectorSize;
        while (n != 0) {
            if (n != -1) {
                Engine.CurrentFile = cache.CurrentFileName.Get();
                const int64_t total = Engine.BytesWritten + n;
                Engine.BytesWritten = total / kSectorSize > trackBytes / kSectorSize ? trackBytes : total;
                if (!target->WriteBlock(Engine.StartLBA + written, block->Data, n)) break;
                written += n / kSectorSize;
            }
            // Next block.
            bool stop = false;
            for (;;) {
                if (job.AbortFlag) {
                    cache.LastError.SetIfEmpty(msg::OperationAborted);
                    cache.Abort();
                    stop = true;
                    break;
                }
                Engine.LockDevice();
                n = cache.TakeBlock(block);
                Engine.UnlockDevice();
                if (!cache.LastError.Empty()) {
                    stop = true;
                    break;
                }
                if (n != -1) break;
                cache.WaitForChange(1);
            }
            if (stop) break;
        }
        target->Close();
        // Every byte the cache announced must have reached the target.
        if (cache.Remaining() != 0) cache.LastError.SetIfEmpty(msg::InternalError0006);
    }

    // Job end.
    std::string error;
    Engine.LockDevice();
    Engine.CurrentFile = cache.CurrentFileName.Get();
    error = cache.LastError.Get();
    Engine.UnlockDevice();
    if (Engine.OnWriteDone) {
        Engine.LastWriteError = error;
        platform::Synchronize([this] { Engine.DoWriteDone(); });
    }
    // Drive handles are released again after every job, whatever the target was.
    Engine.SetReleaseHandles(true);
    Engine.CurrentFile = std::string();
    // The next job's waits start without this job's aborts.
    job.AbortRequests = 0;
    job.AbortGrace = 0;
    FEnded = true;
}

} // namespace tarnwick

// The verify job entry: an image file compared with the disc in the selected drive. The cache
// thread reads the image file as for a burn; the write thread's target compares each block
// with the disc instead of writing it.
#include <algorithm>
#include <optional>

#include "engine/JobState.h"
#include "engine/device/Reading.h"
#include "engine/device/ScsiDevice.h"
#include "engine/write/BurnChecks.h"
#include "engine/device/Messages.h"
#include "engine/write/CacheThread.h"
#include "engine/write/DiscComparer.h"
#include "engine/write/DiscExtent.h"
#include "engine/StreamEx.h"
#include "engine/write/VornBurner.h"
#include "engine/write/WriteTarget.h"
#include "engine/write/WriteThread.h"

namespace tarnwick {

namespace {

constexpr uint32_t kReadyBudgetMs = 30000;

class TVerifyTarget : public IWriteTarget {
public:
    TVerifyTarget(TVornBurner& AEngine, TCacheThread& ACache) : Engine(AEngine), Cache(ACache), Comparer(AEngine) {}

    bool Prepare() override {
        std::string error;
        if (!WaitDriveReadyToRead(Engine, kReadyBudgetMs, Aborted(), error)) return Failed(error);
        return true;
    }
    bool WriteBlock(int64_t Lba, uint8_t* Buffer, int32_t Count) override {
        const uint32_t first = uint32_t(Lba);
        const uint32_t n = uint32_t(Count) / kSectorSize;
        // Past the disc's end every image sector differs; the disc is not read there.
        const uint32_t held = DiscEnd ? std::min(n, *DiscEnd > first ? *DiscEnd - first : 0u) : n;
        if (held > 0 && !Comparer.Compare(first, Buffer, int32_t(held * kSectorSize), Aborted())) {
            if (Aborted()()) return Failed(Comparer.Error(), TJobResultKind::Aborted);
            // Is the disc shorter than the image, or blank? Then this is no unreadable sector.
            const std::string error = Comparer.Error();
            uint32_t last = 0, blockLength = 0;
            if (Engine.UpdateDiscInformation() && Engine.LastDiscInformation().Blank())
                return Failed(msg::BlankDisc);
            if (!reading::ReadCapacity(Engine, last, blockLength) || last + 1 >= first + held) return Failed(error);
            DiscEnd = last + 1;
            return WriteBlock(Lba, Buffer, Count);
        }
        Comparer.Missing(first + held, n - held);
        return true;
    }
    void Close() override {
        if (!Engine.Job().Error.Empty()) return;
        const std::string result = Comparer.Finish();
        if (!result.empty()) Engine.Job().Error.SetIfEmpty(result, TJobResultKind::VerifyMismatch);
    }

private:
    static std::function<bool()> Aborted() {
        return [] { return JobState().AbortFlag.load(); };
    }
    bool Failed(const std::string& error, TJobResultKind kind = TJobResultKind::Failed) {
        Engine.Job().Error.SetIfEmpty(error, kind);
        Cache.Abort();
        return false;
    }

    TVornBurner& Engine;
    TCacheThread& Cache;
    TDiscComparer Comparer;
    std::optional<uint32_t> DiscEnd; // the sectors the disc holds, once a read past them failed
};

} // namespace

bool TVornBurner::VerifyImageFile(const std::string& FileName) {
    if (RefuseWhileRunning()) return false;
    TJobBinding binding(FJob);
    TJobState& job = FJob;
    job.ClearAborts();
    FJobReadsCompilation = false;
    try {
        TFileStreamEx image(FileName, fmOpenRead | fmShareDenyNone);
        FJob.ImageSectors = BytesToSectors(image.GetSize());
    } catch (EFileStreamError&) {
        EndAtEntry(TJobResultKind::Refused, msg::Format(msg::CantOpenFile, FileName));
        return false;
    }
    // Nothing compared is nothing verified.
    if (FJob.ImageSectors == 0) {
        EndAtEntry(TJobResultKind::Refused, msg::Format(kImageEmpty, FileName));
        return false;
    }
    DebugMessage(std::string(">>> ") + msg::Format(msg::Verifying, (long long)FJob.ImageSectors), 1);
    if (!StartCache(TCacheThread::kMaxBlockBytes, FileName)) return false;
    job.CurrentWriter.reset();
    auto writer = std::make_shared<TThWrite>(*this, job.CurrentCache, false);
    writer->SetTargetFactory([](TVornBurner& engine, TCacheThread& cache) -> std::unique_ptr<IWriteTarget> {
        return std::make_unique<TVerifyTarget>(engine, cache);
    });
    job.CurrentWriter = writer;
    writer->Start();
    return true;
}

} // namespace tarnwick

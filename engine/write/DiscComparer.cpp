#include "engine/write/DiscComparer.h"

#include <cstring>

#include "engine/JobState.h"
#include "engine/device/Messages.h"
#include "engine/write/CacheThread.h"
#include "engine/write/DiscExtent.h"
#include "engine/StreamEx.h"
#include "engine/write/VornBurner.h"

namespace tarnwick {

namespace {
// A closed disc may take a while to be readable (the drive re-reads its lead-in).
constexpr uint32_t kReadyAfterCloseMs = 120000;
} // namespace

TDiscComparer::TDiscComparer(TVornBurner& AEngine)
    : Engine(AEngine), Reader(AEngine, TReadPolicy{}), Disc(TCacheThread::kMaxBlockBytes) {}

bool TDiscComparer::Compare(uint32_t Lba, const uint8_t* Image, int32_t Bytes, const std::function<bool()>& Aborted) {
    const uint32_t n = uint32_t(Bytes) / kSectorSize;
    if (Disc.size() < size_t(Bytes)) Disc.resize(size_t(Bytes));
    if (!Reader.Read(Lba, n, Disc.data(), Aborted)) return false;
    for (uint32_t i = 0; i < n; ++i) {
        if (std::memcmp(Disc.data() + size_t(i) * kSectorSize, Image + size_t(i) * kSectorSize, kSectorSize) == 0)
            continue;
        if (FFirst < 0) FFirst = int64_t(Lba) + i;
        ++FDiffering;
    }
    FCompared += n;
    return true;
}

void TDiscComparer::Missing(uint32_t Lba, uint32_t Count) {
    if (Count == 0) return;
    if (FFirst < 0) FFirst = Lba;
    FDiffering += Count;
    FCompared += Count;
}

std::string TDiscComparer::Finish() {
    if (FDiffering) {
        const std::string first = msg::Format(msg::VerifyFailed, (long long)FFirst);
        return msg::Format(first.c_str(), std::to_string(FDiffering));
    }
    Engine.DebugMessage(std::string(">>> ") + msg::Format(msg::Verified, (long long)FCompared), 1);
    return std::string();
}

TJobResult VerifyBurnedDisc(TVornBurner& Engine, const std::string& ImageFile, int64_t Sectors) {
    auto& job = JobState();
    const auto aborted = [&job] { return job.AbortFlag.load(); };
    // A read or a wait that gave up ends the job as the abort's when the abort stopped it.
    const auto stopped = [&aborted](const std::string& error) {
        return TJobResult{aborted() ? TJobResultKind::Aborted : TJobResultKind::Failed, error};
    };
    std::string error;
    if (!WaitDriveReadyToRead(Engine, kReadyAfterCloseMs, aborted, error)) return stopped(error);
    Engine.DebugMessage(std::string(">>> ") + msg::Format(msg::Verifying, (long long)Sectors), 1);
    std::unique_ptr<TFileStreamEx> image;
    try {
        image = std::make_unique<TFileStreamEx>(ImageFile, fmOpenRead | fmShareDenyNone);
    } catch (EFileStreamError&) {
        return {TJobResultKind::Failed, msg::Format(msg::CantOpenFile, ImageFile)};
    }
    TDiscComparer comparer(Engine);
    std::vector<uint8_t> block(TCacheThread::kMaxBlockBytes);
    for (int64_t lba = 0; lba < Sectors;) {
        const int32_t n = int32_t(std::min<int64_t>(Sectors - lba, TCacheThread::kMaxBlockBytes / kSectorSize));
        const int32_t bytes = n * kSectorSize;
        std::memset(block.data(), 0, size_t(bytes)); // the tail of a last partial sector
        int32_t got = 0;
        while (got < bytes) {
            const int32_t r = image->Read(block.data() + got, bytes - got);
            if (r <= 0) break;
            got += r;
        }
        // The image may end inside its last sector; anything shorter means it changed.
        if (got <= (n - 1) * kSectorSize) return {TJobResultKind::Failed, msg::Format(msg::CantReadFile, ImageFile)};
        if (!comparer.Compare(uint32_t(lba), block.data(), bytes, aborted)) return stopped(comparer.Error());
        lba += n;
    }
    const std::string differ = comparer.Finish();
    return {differ.empty() ? TJobResultKind::Success : TJobResultKind::VerifyMismatch, differ};
}

} // namespace tarnwick

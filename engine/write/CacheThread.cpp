#include "engine/write/CacheThread.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <utility>

#include "engine/JobState.h"
#include "engine/device/Messages.h"
#include "engine/write/CacheSource.h"
#include "engine/StreamEx.h"
#include "platform/Files.h"
#include "platform/Threads.h"

namespace tarnwick {

namespace {

constexpr const char* kCacheNoMemory = "NOT ENOUGH MEMORY FOR THE CACHE";
constexpr size_t kHeadroomBytes = size_t(32) << 20;

// Sources longer than this are read with a larger read-ahead window.
constexpr int64_t kSequentialHintBytes = 1 << 20;

int64_t RoundUpToSector(int64_t n) { return (n + kSectorSize - 1) / kSectorSize * kSectorSize; }

platform::TThreadPriority PriorityOfLevel(int level) {
    switch (level) {
    case 0: return platform::TThreadPriority::Idle;
    case 1: return platform::TThreadPriority::Lowest;
    case 2: return platform::TThreadPriority::Lower;
    default: return platform::TThreadPriority::Normal;
    }
}

} // namespace

TCacheThread::TCacheThread(int32_t CacheSize, int32_t ABlockSize, bool APadToMinimum, int64_t ATotalBytes,
                           TMemoryStream* AHeaderStream, const std::string& AImageFileName,
                           const std::vector<TFEntry*>* AFiles, int32_t AFileCount,
                           std::unique_ptr<TDirectoryEncoder> ADirectories, std::unique_ptr<ICacheSource> AReader)
    : // Blocks hold whole sectors and at most the transfer buffer's 65536 bytes.
      FBlockSize(std::clamp(ABlockSize / kSectorSize * kSectorSize, kSectorSize, kMaxBlockBytes)),
      // At least two, so that the "full" mark (MaxBlocks - 1) leaves room for one block.
      FMaxBlocks(std::max<int32_t>(2, CacheSize / FBlockSize)),
      HeaderStream(AHeaderStream),
      Directories(std::move(ADirectories)),
      Reader(std::move(AReader)),
      ImageFileName(AImageFileName),
      Files(AFiles),
      FileCount(AFiles ? std::min<int32_t>(AFileCount, int32_t(AFiles->size())) : 0),
      TotalBytes(ATotalBytes),
      PadToMinimum(APadToMinimum && ATotalBytes < kMinimumImageBytes),
      FRemaining(ATotalBytes),
      FJob(&JobState()) {
    // Flags are set before the thread starts, so an Abort that comes at once is not lost.
    Thread = std::thread([this] { Execute(); });
}

TCacheThread::~TCacheThread() {
    {
        std::lock_guard lock(Lock);
        Destroying = true;
        AbortRequested = true;
    }
    RoomOrAbort.notify_all();
    DataOrEnd.notify_all();
    if (Thread.joinable()) {
        if (Thread.get_id() == std::this_thread::get_id())
            Thread.detach();
        else
            Thread.join();
    }
}

bool TCacheThread::ConsumerMayGo() const {
    // Not an abort by itself: the producer answers it with the end (Finished), and a consumer
    // woken before that would only look in vain.
    if (Finished || FEnded || Destroying) return true;
    if (Blocks.empty()) return false;
    // A quarter of the queue, so that the two threads do not hand over block by block; less
    // when no more is coming soon.
    return Blocks.size() >= size_t(std::max(1, FMaxBlocks / 4)) || AllQueued ||
           Waiting == TProducerWait::Room || Waiting == TProducerWait::Spare;
}

void TCacheThread::WaitForBlock(uint32_t ms) {
    std::unique_lock lock(Lock);
    ++ConsumersWaiting;
    DataOrEnd.wait_for(lock, std::chrono::milliseconds(ms), [this] { return ConsumerMayGo(); });
    --ConsumersWaiting;
}

bool TCacheThread::WaitForReady(uint32_t ms) {
    std::unique_lock lock(Lock);
    DataOrEnd.wait_for(lock, std::chrono::milliseconds(ms), [this] { return Ready || Finished || FEnded; });
    return Ready;
}

bool TCacheThread::WaitForEnd(uint32_t ms) {
    std::unique_lock lock(Lock);
    return DataOrEnd.wait_for(lock, std::chrono::milliseconds(ms), [this] { return FEnded.load(); });
}

int32_t TCacheThread::QueuedBlocks() {
    std::lock_guard lock(Lock);
    return int32_t(Blocks.size());
}

void TCacheThread::Abort() {
    {
        std::lock_guard lock(Lock);
        AbortRequested = true;
    }
    RoomOrAbort.notify_all();
    DataOrEnd.notify_all();
}

void TCacheThread::SetLevel(int Level) {
    if (FPriorityLevel.exchange(Level) != Level) platform::SetCurrentThreadPriority(PriorityOfLevel(Level));
}

bool TCacheThread::ProducerMayGo(TProducerWait What) const {
    if (AbortRequested) return true;
    switch (What) {
    case TProducerWait::Room: return !Full();
    case TProducerWait::Spare: return !Spare.empty();
    case TProducerWait::Drain: return FRemaining == 0;
    default: return true;
    }
}

void TCacheThread::ProducerWaits(std::unique_lock<std::mutex>& lock, TProducerWait What) {
    // The bound only re-checks; the consumer and Abort wake the producer themselves.
    constexpr auto kRecheck = std::chrono::milliseconds(200);
    Waiting = What;
    // A consumer that waits for a quarter of the queue is told that no more comes for now.
    if (ConsumersWaiting > 0 && What != TProducerWait::Drain) DataOrEnd.notify_all();
    while (!ProducerMayGo(What)) RoomOrAbort.wait_for(lock, kRecheck);
    Waiting = TProducerWait::None;
    if (AbortRequested) {
        lock.unlock();
        AbortCleanUp();
    }
}

void TCacheThread::StopLocked(const std::string& Error, TJobResultKind Kind) {
    // The first error of a job is the one reported (the writer may have set its own).
    FJob->Error.SetIfEmpty(Error, Kind);
    Finished = true;
    DataOrEnd.notify_all();
}

void TCacheThread::QueueCompilation() {
    QueueHeader();
    for (int32_t i = 0; i < FileCount; ++i) {
        const TFEntry* e = (*Files)[size_t(i)];
        if (!e) Fail(msg::InternalError0005);
        if ((e->Attr & 0x10) || e->SourcePath.empty() || e->IsoSize <= 0) continue;
        // Zero sectors where the layout leaves a gap before a file (DVD-Video).
        const int64_t gap = FilesStart + int64_t(e->IsoSector) * kSectorSize - Produced;
        if (gap > 0) QueueBytes(std::vector<uint8_t>(size_t(gap), 0));
        QueueSource({e->SourcePath, e->IsoSize}, i == FileCount - 1);
    }
    if (!Tail.empty()) QueueBytes(Tail);
}

void TCacheThread::QueueMinimumPadding() {
    std::lock_guard lock(Lock);
    int64_t z = kMinimumImageBytes - TotalBytes;
    FRemaining += z;
    while (z > 0) {
        auto block = std::make_unique<TBlock>();
        block->Count = int32_t(std::min<int64_t>(FBlockSize, z));
        std::memset(block->Data, 0, size_t(block->Count));
        z -= block->Count;
        Blocks.push_back(std::move(block));
    }
    FPeakBlocks = std::max<int32_t>(FPeakBlocks, int32_t(Blocks.size()));
}

void TCacheThread::Drain() {
    std::unique_lock lock(Lock);
    // Everything is queued: Ready and the last blocks reach a consumer that waits.
    Ready = true;
    AllQueued = true;
    DataOrEnd.notify_all();
    ProducerWaits(lock, TProducerWait::Drain);
    Finished = true;
    DataOrEnd.notify_all();
    // Lingers a moment so a consumer that looks again still finds the thread alive.
    RoomOrAbort.wait_for(lock, std::chrono::milliseconds(1000), [this] { return Destroying.load(); });
}

void TCacheThread::Execute() {
    // A disc source's reads and waits see the job this queue was made for.
    TJobBinding binding(*FJob);
    platform::SetCurrentThreadPriority(PriorityOfLevel(2));
    Headroom.Reserve(kHeadroomBytes);
    try {
        if (Reader)
            QueueReader();
        else if (!ImageFileName.empty())
            QueueSource({ImageFileName, -1}, true);
        else
            QueueCompilation();
        if (Staged > 0) QueueCurrent();
        Source.reset();
        // The writer counts down to TotalBytes: data that does not add up would either never
        // finish or spill past the image's end.
        if (Produced != TotalBytes) Fail(msg::InternalError0006);
        if (PadToMinimum && ImageFileName.empty() && !Reader) QueueMinimumPadding();
        Drain();
    } catch (TStop&) {
    } catch (const std::bad_alloc&) {
        // A cache larger than the machine can give ends the job with its reason, not the
        // process.
        {
            std::lock_guard lock(Lock);
            StopLocked(std::string(kCacheNoMemory) + " (" + std::to_string(int64_t(FMaxBlocks) * FBlockSize) +
                       " BYTES)");
        }
        Source.reset();
    }
    FreeBlockList();
    Headroom.Release();
    {
        std::lock_guard lock(Lock);
        FEnded = true;
    }
    DataOrEnd.notify_all();
}

void TCacheThread::QueueHeader() {
    const int64_t inMemory = HeaderStream ? HeaderStream->Size() : 0;
    int64_t h = inMemory + (Directories ? Directories->Size() : 0);
    if (HeaderStream) HeaderStream->SetPosition(0);
    while (h > 0) {
        const int32_t c = int32_t(std::min<int64_t>(FBlockSize, h));
        Current = NewBlock();
        size_t got = HeaderStream ? HeaderStream->Read(Current->Data, size_t(c)) : 0;
        if (Directories && got < size_t(c)) got += Directories->Read(Current->Data + got, size_t(c) - got);
        // Both sizes were announced up front; a header that falls short would shift every file.
        if (got != size_t(c)) Fail(msg::InternalError0006);
        Staged = c;
        Free = FBlockSize - c;
        Produced += c;
        if (c == FBlockSize) QueueCurrent();
        h -= c;
        WaitWhileFull(false);
    }
    if (HeaderStream) HeaderStream->Clear();
    if (Directories) Tail = Directories->Tail();
    FilesStart = Produced;
    Directories.reset();
    WaitWhileFull(false);
}

void TCacheThread::QueueSource(const TSource& Src, bool Last) {
    CurrentFileName.Set(Src.Path);
    Source.reset();
    try {
        Source = std::make_unique<TFileStreamEx>(Src.Path, fmOpenRead | fmShareDenyNone);
    } catch (EFileStreamError&) {
        // A file deleted since it was added is not "in use".
        Fail(msg::Format(platform::FileExists(Src.Path) ? msg::CantOpenFile : msg::SourceFileGone, Src.Path));
    }
    int64_t r = Src.Bytes;
    if (r < 0) {
        // An image file: its size now. It was measured when the job started; a file that
        // shrank since then cannot give the image that was announced.
        r = std::min(Source->GetSize(), TotalBytes);
        if (RoundUpToSector(r) != TotalBytes) Fail(msg::Format(msg::CantReadFile, Src.Path));
    }
    // Files within the default read-ahead gain nothing from the hint but a system call.
    if (r > kSequentialHintBytes) Source->AdviseSequential();
    while (r > 0) {
        if (Free == 0) {
            Current = NewBlock();
            Staged = 0;
            Free = FBlockSize;
        }
        const int32_t c = int32_t(std::min<int64_t>(Free, r));
        uint8_t* dest = Current->Data + Staged;
        int32_t got = 0;
        while (got < c) {
            const int32_t n = Source->Read(dest + got, c - got);
            if (n <= 0) break;
            got += n;
        }
        // A file that yields less than its listed size would leave a hole of stale bytes in
        // the image, and every later file at the wrong place: stop with its name instead.
        if (got < c) Fail(msg::Format(Source->GetSize() < Src.Bytes ? msg::SourceFileShrank : msg::CantReadFile, Src.Path));
        const int32_t p = int32_t(RoundUpToSector(c));
        std::memset(dest + c, 0, size_t(p - c)); // the tail of a file's last sector reads as zeros
        Staged += p;
        Free -= p;
        Produced += p;
        if (AbortRequested) AbortCleanUp();
        const int32_t q = (Free == 0 || (Last && r == c)) ? QueueCurrent() : QueuedBlocks();
        r -= c;
        SetLevel(q < FMaxBlocks / 4 ? 3 : q < FMaxBlocks / 2 ? 2 : 1);
        WaitWhileFull(true);
    }
    // The layout placed the file with its listed size, so only that much is read; a file that
    // grew meanwhile is named, since the image holds it as it was.
    if (Src.Bytes > 0 && Source->GetSize() > Src.Bytes) {
        std::lock_guard lock(Lock);
        FGrown.push_back(Src.Path);
    }
}

std::vector<std::string> TCacheThread::GrownFiles() {
    std::lock_guard lock(Lock);
    return FGrown;
}

void TCacheThread::QueueBytes(const std::vector<uint8_t>& Bytes) {
    size_t done = 0;
    while (done < Bytes.size()) {
        if (Free == 0) {
            Current = NewBlock();
            Staged = 0;
            Free = FBlockSize;
        }
        const size_t c = std::min(size_t(Free), Bytes.size() - done);
        std::memcpy(Current->Data + Staged, Bytes.data() + done, c);
        Staged += int32_t(c);
        Free -= int32_t(c);
        Produced += int64_t(c);
        done += c;
        if (AbortRequested) AbortCleanUp();
        if (Free == 0) QueueCurrent();
        WaitWhileFull(true);
    }
}

int32_t TCacheThread::QueueCurrent() {
    bool wake;
    int32_t queued;
    {
        std::lock_guard lock(Lock);
        Current->Count = Staged;
        Blocks.push_back(std::move(Current));
        queued = int32_t(Blocks.size());
        FPeakBlocks = std::max<int32_t>(FPeakBlocks, queued);
        Staged = 0;
        Free = 0;
        wake = ConsumersWaiting > 0 && ConsumerMayGo();
    }
    if (wake) DataOrEnd.notify_all();
    return queued;
}

void TCacheThread::WaitWhileFull(bool Idle) {
    std::unique_lock lock(Lock);
    if (!Full()) return;
    ++FFullWaits;
    if (!Ready.exchange(true)) DataOrEnd.notify_all();
    if (Idle) SetLevel(0);
    ProducerWaits(lock, TProducerWait::Room);
}

void TCacheThread::AbortCleanUp() {
    // A consumer takes its block under the lock: once it is held here, none is halfway, and
    // the next one to look finds the end.
    {
        std::lock_guard lock(Lock);
        Blocks.clear();
        StopLocked(msg::OperationAborted, TJobResultKind::Aborted);
    }
    Source.reset();
    throw TStop{};
}

void TCacheThread::Fail(const std::string& Error, TJobResultKind Kind) {
    {
        std::lock_guard lock(Lock);
        StopLocked(Error, Kind);
    }
    Source.reset();
    throw TStop{};
}

void TCacheThread::FreeBlockList() {
    std::lock_guard lock(Lock);
    Blocks.clear();
    Spare.clear();
    Current.reset();
}

std::unique_ptr<TCacheThread::TBlock> TCacheThread::NewBlock() {
    {
        std::lock_guard lock(Lock);
        if (!Spare.empty()) {
            std::unique_ptr<TBlock> b = std::move(Spare.back());
            Spare.pop_back();
            return b;
        }
    }
    try {
        auto b = std::make_unique<TBlock>();
        ++FAllocated;
        return b;
    } catch (const std::bad_alloc&) {
        Headroom.Release();
        if (FAllocated.load() < 2) throw; // fewer than two blocks are no cache at all
    }
    // The machine gives no more: the cache keeps the blocks it has and waits for one to come
    // back from the writer.
    FBoundBlocks = FAllocated.load();
    if (FMaxBlocks > FBoundBlocks) FMaxBlocks = FBoundBlocks.load();
    std::unique_lock lock(Lock);
    if (!Ready.exchange(true)) DataOrEnd.notify_all();
    ProducerWaits(lock, TProducerWait::Spare);
    std::unique_ptr<TBlock> b = std::move(Spare.back());
    Spare.pop_back();
    return b;
}

bool TCacheThread::Recycle(std::unique_ptr<TBlock> Block) {
    if (!Block || Finished || Spare.size() >= size_t(FMaxBlocks)) return false;
    Spare.push_back(std::move(Block));
    return Waiting == TProducerWait::Spare;
}

int32_t TCacheThread::ReadBlock(void* Buffer) {
    std::unique_ptr<TBlock> block;
    const int32_t n = TakeBlock(block);
    if (n > 0) {
        std::memcpy(Buffer, block->Data, size_t(n));
        bool wake;
        {
            std::lock_guard lock(Lock);
            wake = Recycle(std::move(block));
        }
        if (wake) RoomOrAbort.notify_all();
    }
    return n;
}

int32_t TCacheThread::TakeBlock(std::unique_ptr<TBlock>& Block) {
    bool wake;
    int32_t count;
    {
        std::lock_guard lock(Lock);
        if ((FRemaining == 0 && Finished) || FEnded) return 0;
        if (Blocks.empty()) {
            if (Finished) return 0;
            // With every byte taken the producer is only ending: that is no run on empty.
            if (FRemaining > 0 && !std::exchange(FDry, true)) ++FEmptyReads;
            return -1;
        }
        wake = Recycle(std::move(Block));
        Block = std::move(Blocks.front());
        Blocks.pop_front();
        FDry = false;
        count = Block->Count;
        FRemaining -= count;
        // A producer waiting for room is woken once the queue is down to half, not for every
        // block taken: it then refills in one run instead of a context switch for each block.
        if (Waiting == TProducerWait::Room) wake = wake || Blocks.size() <= size_t(FMaxBlocks / 2);
        if (Waiting == TProducerWait::Drain) wake = wake || FRemaining == 0;
    }
    if (wake) RoomOrAbort.notify_all();
    return count;
}

} // namespace tarnwick

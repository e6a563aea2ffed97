#pragma once
// TCacheThread: reads the image of a job ahead of the writer into a bounded queue of blocks:
// the encoded header, then every file of the compilation in file-table order (each padded
// with zeros to whole sectors), then optional zero padding to 300 sectors; or the bytes of
// one image file.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/GuardedString.h"
#include "engine/JobResult.h"
#include "engine/JobState.h"
#include "engine/MemoryStream.h"
#include "engine/image/DirectoryEncoder.h"
#include "engine/image/Entries.h"
#include "engine/write/CacheSource.h"
#include "platform/AddressSpace.h"

namespace tarnwick {

class TFileStreamEx;
class TCacheThread {
public:
    static constexpr int32_t kMaxBlockBytes = 65536;
    // Small images are padded to this many bytes (300 sectors) when asked.
    static constexpr int64_t kMinimumImageBytes = 614400;

    struct TBlock {
        int32_t Count = 0;
        alignas(64) uint8_t Data[kMaxBlockBytes];
    };

    // Starts the thread at once. HeaderStream (not owned) is streamed first and emptied when
    // done, then the bytes of Directories when given (the rest of the header, encoded as it is
    // read); Files[0 .. FileCount-1] are the compilation's entries (not owned; the stream, the
    // entries and the compilation the encoder reads must outlive the thread). A non-empty
    // ImageFileName streams that file instead; a Reader (CacheReader.cpp) streams its bytes
    // instead of both. The thread works for the job bound on the calling thread (JobState())
    // and puts its errors there.
    TCacheThread(int32_t CacheSize, int32_t BlockSize, bool PadToMinimum, int64_t TotalBytes,
                 TMemoryStream* HeaderStream, const std::string& ImageFileName,
                 const std::vector<TFEntry*>* Files = nullptr, int32_t FileCount = 0,
                 std::unique_ptr<TDirectoryEncoder> Directories = nullptr,
                 std::unique_ptr<ICacheSource> Reader = nullptr);
    // Asks the thread to stop and waits for it.
    ~TCacheThread();
    TCacheThread(const TCacheThread&) = delete;
    TCacheThread& operator=(const TCacheThread&) = delete;

    // Consumer side: moves the oldest block into Buffer (at least 65536 bytes). Returns its
    // byte count, 0 when no more data will come (all delivered, error or abort), -1 when no
    // block is ready yet.
    int32_t ReadBlock(void* Buffer);
    // The same, handing over the block itself instead of a copy of its bytes (the write
    // thread's path: one copy of every byte fewer). Block is set when the result is > 0; a
    // block it held before (the one written last) goes back to the thread for refilling.
    int32_t TakeBlock(std::unique_ptr<TBlock>& Block);
    void Abort();

    // A consumer that found the queue empty waits here, up to ms, until it is worth looking
    // again: a quarter of the queue filled, the last block queued, the producer waiting for
    // room, or the end of the thread's work.
    void WaitForBlock(uint32_t ms);
    // Waits up to ms for the queue to be full or to hold all the data; true when it is. It
    // also returns (false) once the thread has stopped.
    bool WaitForReady(uint32_t ms);
    // True once the thread body has returned and the queue is released.
    bool Ended() const { return FEnded.load(); }
    // Waits up to ms for the thread to end; true when it has.
    bool WaitForEnd(uint32_t ms);

    // The job this thread works for: its error text is the job's.
    TJobState& Job() const { return *FJob; }

    int32_t BlockSize() const { return FBlockSize; }
    int32_t MaxBlocks() const { return FMaxBlocks; }
    int64_t Remaining() const { return FRemaining.load(); }
    int PriorityLevel() const { return FPriorityLevel.load(); }
    int32_t QueuedBlocks();
    // Most blocks ever queued at once: the bound on memory a test can check.
    int32_t PeakBlocks() const { return FPeakBlocks.load(); }
    // How often the producer found the queue full and had to wait, and how often the consumer
    // found it empty after having had a block: once per wait, however long it lasted.
    int64_t FullWaits() const { return FFullWaits.load(); }
    int64_t EmptyReads() const { return FEmptyReads.load(); }
    // Blocks allocated in all (written blocks are refilled, so this stays near MaxBlocks).
    int32_t AllocatedBlocks() const { return FAllocated.load(); }
    // When the machine gave fewer blocks than the cache size asks: the blocks the cache holds
    // instead (0: all of them were given).
    int32_t BoundBlocks() const { return FBoundBlocks.load(); }
    // Sources that were longer when read than when listed (their listed size went in).
    std::vector<std::string> GrownFiles();

    // Set once the queue first ran full or holds all the data, and once no more will come.
    std::atomic<bool> Ready{false};
    std::atomic<bool> Finished{false};
    TGuardedString CurrentFileName;

private:
    struct TSource {
        std::string Path;
        int64_t Bytes; // data bytes to read; the source yields them padded to whole sectors
    };
    struct TStop {}; // unwinds Execute after the abort clean-up or a failure
    // What the producer waits for, so that the consumer wakes it only when that has come.
    enum class TProducerWait { None, Room, Spare, Drain };

    void Execute();
    void QueueHeader();
    // The header, then every file's data (with the gaps of the layout) and the tail.
    void QueueCompilation();
    // Zero blocks up to the shortest image a disc takes, at the end of a compilation.
    void QueueMinimumPadding();
    // Waits for the consumer to take everything; throws TStop on an abort.
    void Drain();
    void QueueSource(const TSource& Src, bool Last);
    // Queues bytes held in memory after the files (whole sectors).
    void QueueBytes(const std::vector<uint8_t>& Bytes);
    void QueueReader();
    // Appends the block being filled; returns the blocks now queued.
    int32_t QueueCurrent();
    void WaitWhileFull(bool Idle);
    // The producer's wait for what (under Lock); an abort that comes first ends the thread's
    // work through AbortCleanUp.
    void ProducerWaits(std::unique_lock<std::mutex>& Lock, TProducerWait What);
    bool ProducerMayGo(TProducerWait What) const;
    // True when a waiting consumer should look again (under Lock).
    bool ConsumerMayGo() const;
    // Ends the thread's work with the job's first error (under Lock), waking every waiter.
    void StopLocked(const std::string& Error, TJobResultKind Kind = TJobResultKind::Failed);
    [[noreturn]] void AbortCleanUp();
    [[noreturn]] void Fail(const std::string& Error, TJobResultKind Kind = TJobResultKind::Failed);
    void SetLevel(int Level);
    void FreeBlockList();
    // A block to fill: a spare one when there is one, else a new one.
    std::unique_ptr<TBlock> NewBlock();
    // Keeps a written block for refilling (under Lock); true when the producer waits for one.
    bool Recycle(std::unique_ptr<TBlock> Block);
    bool Full() const { return Blocks.size() >= size_t(FMaxBlocks - 1); }

    // The one lock of the queue: the blocks, the spare blocks, the grown list and every state
    // the two condition variables wait on.
    mutable std::mutex Lock;
    std::condition_variable RoomOrAbort; // the producer waits on it
    std::condition_variable DataOrEnd;   // consumers wait on it
    TProducerWait Waiting = TProducerWait::None; // under Lock
    int ConsumersWaiting = 0;                    // under Lock
    bool AllQueued = false;                      // under Lock: the last block is in the queue
    std::deque<std::unique_ptr<TBlock>> Blocks; // under Lock
    // Written blocks kept for refilling, so the steady state allocates nothing and touches no
    // fresh memory (under Lock; never more than the queue holds).
    std::vector<std::unique_ptr<TBlock>> Spare;
    std::unique_ptr<TBlock> Current; // the block being filled (the staging area)
    int32_t Staged = 0;              // S: bytes staged in Current
    int32_t Free = 0;                // F: room left in Current
    int32_t FBlockSize;
    std::atomic<int32_t> FMaxBlocks;
    std::atomic<int32_t> FBoundBlocks{0};
    // Address space held back while the cache grows, given up when the machine refuses a
    // block: the writer and the rest of the job still need some.
    platform::TAddressReserve Headroom;
    TMemoryStream* HeaderStream;
    std::unique_ptr<TDirectoryEncoder> Directories;
    std::vector<uint8_t> Tail; // after the files, taken from Directories
    std::vector<std::string> FGrown; // under Lock
    int64_t FilesStart = 0;    // where the file data begins (the header's size)
    std::unique_ptr<ICacheSource> Reader;
    std::string ImageFileName;
    const std::vector<TFEntry*>* Files;
    int32_t FileCount;
    int64_t TotalBytes;
    int64_t Produced = 0; // bytes put into blocks, padding excluded
    bool PadToMinimum;
    std::unique_ptr<TFileStreamEx> Source;
    std::atomic<int64_t> FRemaining;
    std::atomic<int> FPriorityLevel{2};
    std::atomic<int32_t> FPeakBlocks{0};
    std::atomic<int64_t> FFullWaits{0};
    std::atomic<int64_t> FEmptyReads{0};
    bool FDry = false; // the consumer's: its last look found the queue empty
    std::atomic<int32_t> FAllocated{0};
    std::atomic<bool> FEnded{false};
    std::atomic<bool> AbortRequested{false}; // set under Lock
    std::atomic<bool> Destroying{false};     // set under Lock

    // The job the thread works for: the one bound on the thread that made it.
    TJobState* FJob;

    std::thread Thread;
};

} // namespace tarnwick

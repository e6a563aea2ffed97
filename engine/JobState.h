#pragma once
// Engine-wide job state: one current job per process.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace tarnwick {

class TVornBurner;
class TCacheThread;
class TThWrite;
class TThErase;

struct TJobState {
    std::atomic<TVornBurner*> CurrentEngine{nullptr};
    std::shared_ptr<TCacheThread> CurrentCache;
    std::shared_ptr<TThWrite> CurrentWriter;
    std::shared_ptr<TThErase> CurrentEraser;
    // Set by AbortWrite on the main thread, read by the write thread before every block.
    std::atomic<bool> AbortFlag{false};
    // Every AbortWrite of the running job counts. The closing after the last block ignores
    // the first abort it sees (AbortGrace); the waits give up at any abort beyond that.
    std::atomic<uint32_t> AbortRequests{0};
    std::atomic<uint32_t> AbortGrace{0};
    bool WaitsAborted() const { return AbortRequests.load() > AbortGrace.load(); }
    // A job entry forgets the previous job's aborts before its first command: an abort that
    // comes while the entry still prepares (drive checks, cache fill) counts for the new job.
    void ClearAborts() {
        AbortFlag = false;
        AbortRequests = 0;
        AbortGrace = 0;
    }
    // Disc type code of the running disc job (GetDiscType); read by the readiness wait.
    std::atomic<uint16_t> DiscType{0};
    // Receives each block on the write thread.
    alignas(16) std::array<uint8_t, 65536> TransferBuffer{};
};

TJobState& JobState();

} // namespace tarnwick

#pragma once
// TThWrite: the consumer of a job. Takes the cache thread's blocks in order and hands them to
// the job's target (image file or disc), then reports the job's end through the engine's
// OnWriteDone on the main thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace tarnwick {

class TVornBurner;
class TCacheThread;
class IWriteTarget;

// Makes the target of a job that is neither an image file nor a burn (a verify).
using TWriteTargetFactory = std::function<std::unique_ptr<IWriteTarget>(TVornBurner&, TCacheThread&)>;

class TThWrite {
public:
    TThWrite(TVornBurner& Engine, std::shared_ptr<TCacheThread> Cache, bool ToImageFile);
    // Waits for the thread (it ends on its own once the job has ended).
    ~TThWrite();
    TThWrite(const TThWrite&) = delete;
    TThWrite& operator=(const TThWrite&) = delete;

    // Before Start: the blocks go to this target instead.
    void SetTargetFactory(TWriteTargetFactory Factory) { FTargetFactory = std::move(Factory); }
    void Start();
    bool ToImageFile() const { return FToImageFile; }
    // True once the job end has been reported and the thread is done with the engine.
    bool Ended() const { return FEnded.load(); }
    const std::shared_ptr<TCacheThread>& Cache() const { return FCache; }

private:
    void Execute();

    TVornBurner& Engine;
    std::shared_ptr<TCacheThread> FCache;
    bool FToImageFile;
    TWriteTargetFactory FTargetFactory;
    std::atomic<bool> FEnded{false};
    std::thread Thread;
};

} // namespace tarnwick

// The disc target of the write thread: the recording sequence of TDiscRecorder, with the
// job state holding the error text.
#include "engine/write/CacheThread.h"
#include "engine/write/DiscComparer.h"
#include "engine/write/DiscRecorder.h"
#include "engine/write/VornBurner.h"
#include "engine/write/WriteTarget.h"

namespace tarnwick {

namespace {

class TDiscTarget : public IWriteTarget, private IRecordingJob {
public:
    TDiscTarget(TVornBurner& AEngine, TCacheThread& ACache) : Engine(AEngine), Cache(ACache), Recorder(AEngine, *this) {}

    // The preparation judges no command's result: a drive that refuses a step fails at the
    // first WRITE(10) with its own error text. Only an abort, or a medium that must not be
    // written as it is, ends it early.
    bool Prepare() override {
        if (Recorder.Prepare()) return true;
        Recorder.Unlock();
        return false;
    }
    bool WriteBlock(int64_t Lba, uint8_t* Buffer, int32_t Count) override {
        return Recorder.WriteBlock(uint32_t(Lba), Buffer, uint32_t(Count));
    }
    void Close() override {
        Recorder.Close();
        // A test write records nothing that could be compared.
        if (Engine.VerifyAfterBurn() && !Engine.TestWrite() && Engine.Job().Error.Empty()) {
            const TJobResult verified = VerifyBurnedDisc(Engine, Engine.Job().BurnedImageName, Engine.Job().ImageSectors);
            if (!verified.Text.empty()) Engine.Job().Error.SetIfEmpty(verified.Text, verified.Kind);
        }
    }

private:
    std::string JobError() override { return Engine.Job().Error.Get(); }
    void SetJobError(const std::string& text, TJobResultKind kind) override { Engine.Job().Error.Set(text, kind); }
    void SetJobErrorIfEmpty(const std::string& text, TJobResultKind kind) override {
        Engine.Job().Error.SetIfEmpty(text, kind);
    }
    void StopReader() override { Cache.Abort(); }

    TVornBurner& Engine;
    TCacheThread& Cache;
    TDiscRecorder Recorder;
};

} // namespace

std::unique_ptr<IWriteTarget> CreateDiscTarget(TVornBurner& Engine, TCacheThread& Cache) {
    return std::make_unique<TDiscTarget>(Engine, Cache);
}

} // namespace tarnwick

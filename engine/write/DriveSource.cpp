#include "engine/write/DriveSource.h"

#include "engine/device/Messages.h"
#include "engine/write/VornBurner.h"

namespace tarnwick {

namespace {

class TDriveSource : public ICacheSource {
public:
    TDriveSource(TVornBurner& AEngine, uint32_t ASectors, TReadPolicy Policy)
        : Engine(AEngine), Sectors(ASectors), Reader(AEngine, Policy), DeviceName(AEngine.SelectedDevice) {}

    std::string Name() const override { return DeviceName; }

    bool Read(uint8_t* Dest, int32_t Count, std::string& Error, const std::function<bool()>& Aborted) override {
        const uint32_t n = uint32_t(Count) / kSectorSize;
        if (Next + uint64_t(n) > Sectors) {
            Error = msg::InternalError0006;
            return false;
        }
        if (!Reader.Read(Next, n, Dest, Aborted)) {
            Error = Reader.Error();
            return false;
        }
        Next += n;
        Engine.Job().UnreadableSectors = int64_t(Reader.Skipped());
        if (Next == Sectors) {
            Reader.Finish();
            if (Reader.Skipped())
                Engine.DebugMessage(std::string(">>> ") + msg::Format(msg::SkippedWarning, (long long)Reader.Skipped()),
                                    1);
        }
        return true;
    }

private:
    TVornBurner& Engine;
    uint32_t Sectors;
    uint32_t Next = 0;
    TDriveReader Reader;
    std::string DeviceName;
};

} // namespace

std::unique_ptr<ICacheSource> CreateDriveSource(TVornBurner& Engine, uint32_t Sectors, TReadPolicy Policy) {
    return std::make_unique<TDriveSource>(Engine, Sectors, Policy);
}

} // namespace tarnwick

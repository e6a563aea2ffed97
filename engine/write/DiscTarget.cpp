// The disc target: preparation of the recorder, WRITE(10) per block, and closing. The
// recording sequence is not part of this build yet, so a disc job ends at once with a clear
// error instead of pretending to record.
#include "engine/device/Messages.h"
#include "engine/write/CacheThread.h"
#include "engine/write/WriteTarget.h"

namespace tarnwick {

namespace {

class TDiscTarget : public IWriteTarget {
public:
    explicit TDiscTarget(TCacheThread& ACache) : Cache(ACache) {}
    bool Prepare() override {
        Cache.LastError.SetIfEmpty(msg::DiscWriteUnavailable);
        Cache.Abort();
        return false;
    }
    bool WriteBlock(int64_t, uint8_t*, int32_t) override { return false; }
    void Close() override {}

private:
    TCacheThread& Cache;
};

} // namespace

std::unique_ptr<IWriteTarget> CreateDiscTarget(TVornBurner&, TCacheThread& Cache) {
    return std::make_unique<TDiscTarget>(Cache);
}

} // namespace tarnwick

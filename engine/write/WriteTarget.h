#pragma once
// Where a write thread puts the image: an image file, or the disc in the selected recorder.
// The write thread calls Prepare once, WriteBlock for every block in order, and Close once
// (also after a failure or an abort, but not when Prepare failed). A step that fails sets
// the job's error on the cache thread (and calls its Abort) before it returns false.
#include <cstdint>
#include <memory>

namespace tarnwick {

class TVornBurner;
class TCacheThread;

class IWriteTarget {
public:
    virtual ~IWriteTarget() = default;
    virtual bool Prepare() = 0;
    // Count bytes (whole sectors, at most 65536) for sector Lba.
    virtual bool WriteBlock(int64_t Lba, uint8_t* Buffer, int32_t Count) = 0;
    virtual void Close() = 0;
};

// The recording sequence on the selected drive (engine/write/DiscTarget.cpp).
std::unique_ptr<IWriteTarget> CreateDiscTarget(TVornBurner& Engine, TCacheThread& Cache);

} // namespace tarnwick

// TVornBurner: construction, destruction and the small published setters.
#include "engine/write/VornBurner.h"

namespace tarnwick {

TVornBurner::TVornBurner(TComponent* owner) : TSCSIDevice(owner) {
    // The TSCSIDevice part (lock, no device, empty device list) is built by the base class.
    HeaderStream.Clear();
    FWritePostGap = true;
    InitCompilation();
    SetCacheSize(4194304);
    FJolietFileSystem = true;
    FFinalizeTrack = true;
    FUnderrunProtection = true;
}

TVornBurner::~TVornBurner() {
    EndJobs(); // a running job's threads use this object: stop them first
    HeaderStream.Clear();
    FreeCompilation();
}

void TVornBurner::SetCacheSize(int32_t v) {
    constexpr int32_t kMinimum = 2097152;
    if (v < kMinimum) v = kMinimum;
    FCacheSize = v - v % kSectorSize;
}

int64_t TVornBurner::GetTrackSectors() const {
    // A track shorter than 300 sectors is padded up to that length when post-gaps are on.
    if (FWritePostGap && ImageSectors < 300) return 300;
    return ImageSectors;
}

} // namespace tarnwick

// TVornBurner: construction, destruction and the small published setters.
#include "engine/write/VornBurner.h"

namespace tarnwick {

TVornBurner::TVornBurner(TComponent* owner)
    : TSCSIDevice(owner),
      FCompilation(TCompilationHooks{
          [this](const std::string& m, uint8_t t) { DebugMessage(m, t); },
          [this] { return CompilationInUse(); },
          [this](const std::string& path, std::string& longName, std::string& shortName, TDateTime& dt, int32_t attr,
                 int64_t size, bool& skip) {
              if (OnAddFile) OnAddFile(this, path, longName, shortName, dt, attr, size, skip);
          },
          [this](std::string& longName, std::string& shortName, bool& skip) {
              if (OnAddDir) OnAddDir(this, longName, shortName, skip);
          }}),
      FImage(FCompilation, [this](const std::string& m, uint8_t t) { DebugMessage(m, t); }) {
    // The TSCSIDevice part (lock, no device, empty device list) is built by the base class.
    FWritePostGap = true;
    InitCompilation();
    SetCacheSize(4194304);
    FFinalizeTrack = true;
    FUnderrunProtection = true;
}

TVornBurner::~TVornBurner() {
    EndJobs(); // a running job's threads use this object: stop them first
}

void TVornBurner::SetCacheSize(int32_t v) {
    constexpr int32_t kMinimum = 2097152;
    if (v < kMinimum) v = kMinimum;
    FCacheSize = v - v % kSectorSize;
}

int64_t TVornBurner::GetTrackSectors() const {
    // A track shorter than 300 sectors is padded up to that length when post-gaps are on.
    if (FWritePostGap && FJob.ImageSectors < 300) return 300;
    return FJob.ImageSectors;
}

} // namespace tarnwick

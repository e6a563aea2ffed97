#include "app/common/JobSteps.h"

#include "engine/write/VornBurner.h"

namespace tarnwick::app {

namespace {
constexpr int32_t kMaxFiles = 600000;
constexpr int32_t kMaxDirs = 20000;
constexpr int32_t kAllAttributes = 63;
} // namespace

TCompiled CompileSource(TVornBurner& engine, const std::string& sourcePath, bool appendSourcePath,
                        const std::function<bool(bool added)>& afterAdd) {
    // Each step is refused while the previous job still reads the compilation; going on would
    // write the previous job's compilation.
    const uint32_t refusals = engine.Refusals();
    auto refused = [&] { return engine.Refusals() != refusals; };
    engine.ClearCompilation(kMaxFiles, kMaxDirs);
    if (refused()) return TCompiled::Refused;
    engine.SetLastFolderOnly(true);
    const bool added = engine.AddFolder("\\", sourcePath, "*.*", kAllAttributes, true, appendSourcePath, false);
    if (refused()) return TCompiled::Refused;
    if (afterAdd && !afterAdd(added)) return TCompiled::NotAdded;
    engine.PrepareCompilation(true, nullptr);
    if (refused()) return TCompiled::Refused;
    return TCompiled::Ready;
}

void EndJobOnDrive(TVornBurner& engine, bool eject) {
    engine.SynchronizeCache(300000, false);
    engine.PreventAllowRemoval(true);
    if (eject) engine.LoadEject(true);
}

} // namespace tarnwick::app

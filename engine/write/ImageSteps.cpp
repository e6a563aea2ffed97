// The facade's steps over the compilation and its image: each refused while an image job reads
// the tree, and the figures a job takes from the layout kept with the engine.
#include "engine/write/VornBurner.h"

namespace tarnwick {

bool TVornBurner::ClearCompilation(int32_t NewMaxFiles, int32_t NewMaxDirs) {
    if (!FCompilation.ClearCompilation(NewMaxFiles, NewMaxDirs)) return false;
    FImage.HeaderStream.Clear();
    return true;
}

bool TVornBurner::LayoutCompilation(bool, TDEntry*) {
    if (CompilationInUse()) return false;
    SetDoDebug(false);
    if (FImage.LayoutCompilation()) FJob.ImageSectors = FImage.Layout.ImageSectors();
    return true;
}

void TVornBurner::BeginImageHeader(bool ImageOnly, TDEntry* Dir) {
    FImage.BeginImageHeader(ImageOnly, Dir);
    FJob.ImageSectors = FImage.Layout.ImageSectors();
    SetDoDebug(true);
}

bool TVornBurner::BuildImageHeader(bool ImageOnly, TDEntry* Dir) {
    if (CompilationInUse()) return false;
    BeginImageHeader(ImageOnly, Dir);
    FImage.AppendDirectoryExtents();
    return true;
}

} // namespace tarnwick

#pragma once
// The steps of a job that the window and the command line take alike: the copy of a drive's
// disc or a folder into the compilation, and what a recorder is told once a job has ended.
#include <functional>
#include <string>

namespace tarnwick {
class TVornBurner;
}

namespace tarnwick::app {

enum class TCompiled {
    Ready,    // cleared, added and laid out: the image job may start
    NotAdded, // the source could not be added; the caller's afterAdd chose to stop
    Refused,  // a step was refused because the engine's previous job still runs (logged)
};

// Clears the compilation (600000 files, 20000 folders), adds every file below sourcePath
// under the image's root (below sourcePath's last folder name when appendSourcePath) and lays
// it out for an image file. afterAdd runs between the add and the layout with the add's
// result; false stops there.
TCompiled CompileSource(TVornBurner& engine, const std::string& sourcePath, bool appendSourcePath,
                        const std::function<bool(bool added)>& afterAdd);

// The end of a job on the selected drive: flush its cache, allow removal, and eject the disc
// when asked.
void EndJobOnDrive(TVornBurner& engine, bool eject);

} // namespace tarnwick::app

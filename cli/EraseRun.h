#pragma once
// Shared by `blank` and `burn --blank`: finding the drive named on the command line, and
// running the erase job with its progress line.
#include <optional>
#include <string>
#include <vector>

#include "cli/DeviceLookup.h"

namespace tarnwick {
class TVornBurner;
}

namespace tarnwick::cli {

class TConsole;

// "Erasing  42.3%  1:05" from the drive's progress (0..65536, -1 unknown) and the seconds.
std::string EraseProgressText(int32_t progress, double seconds);

// Erases the disc in the engine's selected drive; returns the exit code. A used disc is
// pointed to the way out by the caller.
int RunErase(TVornBurner& engine, TConsole& console, bool full);

} // namespace tarnwick::cli

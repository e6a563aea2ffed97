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

// Erases the disc in the engine's selected drive; returns the exit code. A used disc is
// pointed to the way out by the caller.
int RunErase(TVornBurner& engine, TConsole& console, bool full);

} // namespace tarnwick::cli

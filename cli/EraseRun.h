#pragma once
// Shared by `blank` and `burn --blank`: finding the drive named on the command line, and
// running the erase job with its progress line.
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {
class TVornBurner;
}

namespace tarnwick::cli {

class TConsole;

// DRIVE: a device string as the device list shows it, a drive letter ("E" or "E:"), or the
// device path of a real drive ("/dev/sr0").
std::optional<std::string> FindDevice(const std::vector<std::string>& devices, const std::string& wanted);

// "Erasing  42.3%  1:05" from the drive's progress (0..65536, -1 unknown) and the seconds.
std::string EraseProgressText(int32_t progress, double seconds);

// Erases the disc in the engine's selected drive; returns the exit code. A used disc is
// pointed to the way out by the caller.
int RunErase(TVornBurner& engine, TConsole& console, bool full);

} // namespace tarnwick::cli

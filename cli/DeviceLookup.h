#pragma once
// Finding the drive a command line names among the engine's device strings.
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {
class TVornBurner;
}

namespace tarnwick::cli {

// DRIVE: a device string as the device list shows it, a drive letter ("E" or "E:"), or the
// device path of a real drive ("/dev/sr0").
std::optional<std::string> FindDevice(const std::vector<std::string>& devices, const std::string& wanted);

class TConsole;
// Starts the engine's transport and selects DRIVE; false (the reason printed) when it cannot.
bool SelectDrive(TVornBurner& engine, TConsole& console, const std::string& wanted);

} // namespace tarnwick::cli

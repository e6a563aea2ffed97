#pragma once
// The virtual-drives file: emulated drives registered at start-up, one "LETTER=KIND[:BACKING]"
// per line, found by the same lookup as the settings file. It lets the window run on a machine
// without a drive (demonstrations, the window tests).
#include <string>

namespace tarnwick::app {

inline constexpr const char* kVirtualDrivesFile = "virtual-drives.txt";

// Full path of the file, empty when there is none.
std::string VirtualDrivesFilePath();

// Registers the drives of the file. True when there is no file or all its drives were
// registered; false with the reason (file and line) otherwise, and then none is registered.
bool RegisterVirtualDrivesFile(std::string& error);

} // namespace tarnwick::app

#pragma once
// The virtual-drives file: emulated drives to register at start-up, one "LETTER=KIND[:BACKING]"
// per line, looked up like the settings file. It lets the window run on a machine without a
// drive (demonstrations, the window tests).
#include <string>
#include <vector>

namespace tarnwick::app {

inline constexpr const char* kVirtualDrivesFile = "virtual-drives.txt";

// Registers every drive listed in the text; blank lines and lines starting with ';' or '#' are
// skipped. Returns the number registered; each line that could not be used adds one message
// ("line 3: ...") to errors.
int RegisterVirtualDrives(const std::string& text, std::vector<std::string>& errors);

// Reads the file found by the settings lookup (when there is one) and registers its drives.
// Problems are written to the standard error stream; the program goes on without them.
int RegisterVirtualDrivesFile();

} // namespace tarnwick::app

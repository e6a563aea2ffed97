#include "app/form/VirtualDrives.h"

#include "emulator/VirtualDriveDefinition.h"
#include "platform/Profile.h"

namespace tarnwick::app {

std::string VirtualDrivesFilePath() { return platform::ProfilePath(kVirtualDrivesFile); }

bool RegisterVirtualDrivesFile(std::string& error) {
    const std::string path = VirtualDrivesFilePath();
    if (path.empty()) return true;
    return emulator::RegisterVirtualDriveFile(path, error);
}

} // namespace tarnwick::app

#include "cli/DeviceLookup.h"

#include "app/common/DriveLetters.h"
#include "cli/JobRunner.h"
#include "engine/write/VornBurner.h"
#include "platform/Drives.h"

namespace tarnwick::cli {

// DRIVE: a device string as the device list shows it, a drive letter ("E" or "E:"), or the
// device path of a real drive ("/dev/sr0").
std::optional<std::string> FindDevice(const std::vector<std::string>& devices, const std::string& wanted) {
    for (const auto& d : devices)
        if (d == wanted) return d;
    std::optional<char> letter;
    if (auto named = app::ParseDriveName(wanted, {.Bare = true}))
        letter = named;
    else if (wanted.rfind("/dev/", 0) == 0)
        for (char c = 'A'; c <= 'Z'; ++c)
            if (platform::RealDriveDevice(c) == wanted) letter = c;
    if (!letter) return std::nullopt;
    for (const auto& d : devices)
        if (app::DeviceDriveLetter(d) == letter) return d;
    return std::nullopt;
}

bool SelectDrive(TVornBurner& engine, TConsole& console, const std::string& wanted) {
    if (!engine.InitializeASPI(true, "")) {
        console.Error("no CD/DVD drive can be reached (neither the SCSI pass-through nor an ASPI library)");
        return false;
    }
    const auto device = FindDevice(engine.DeviceList(), wanted);
    if (!device) {
        console.Error("no CD/DVD drive \"" + wanted + "\" (see tarnwick-cli devices)");
        return false;
    }
    engine.SelectDevice(*device);
    if (engine.HaId == 254) {
        console.Error("cannot select \"" + *device + "\"");
        return false;
    }
    console.Message(">>> SELECTING " + engine.SelectedDevice);
    return true;
}

} // namespace tarnwick::cli

#pragma once
// Drive letters in the texts the window and the command line take: device strings from the
// device list and drive names typed by a user.
#include <optional>
#include <string>

namespace tarnwick::app {

// The letter a device string names ("0:1:0,E: ..." gives E); none where it has none ("?") or
// is no device string.
std::optional<char> DeviceDriveLetter(const std::string& device);

// Which spellings of a drive name count beside "E:".
struct TDriveNameForms {
    bool Bare = false;      // "E"
    bool Separator = false; // "E:\" and "E:/"
};

// The upper-case letter of a drive name in one of the given spellings (either case); none for
// anything else.
std::optional<char> ParseDriveName(const std::string& text, TDriveNameForms forms);

} // namespace tarnwick::app

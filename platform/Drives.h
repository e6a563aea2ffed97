#pragma once
// The drive table: drive letters for virtual drives, real optical drives and test folders.
// On Linux a path that starts with a letter and a colon ("E:/VIDEO_TS", "E:\") is resolved to
// that drive's root folder; on Windows only a letter registered here or on the virtual bus is
// mapped to its folder, other paths pass through unchanged.
#include <string>

namespace platform {

// GetDriveType results (Windows values).
enum : unsigned {
    DRIVE_UNKNOWN = 0,
    DRIVE_NO_ROOT_DIR = 1,
    DRIVE_REMOVABLE = 2,
    DRIVE_FIXED = 3,
    DRIVE_REMOTE = 4,
    DRIVE_CDROM = 5,
    DRIVE_RAMDISK = 6,
};

// Drive type of a root path such as "E:\".
unsigned GetDriveType(const std::string& rootPath);

// Registers a folder as the root of a drive letter (tests, virtual DVD-ROM drives).
void RegisterDriveRoot(char letter, const std::string& folder);
void UnregisterDriveRoot(char letter);
// Root folder of a letter: a registered folder, or the mount point of a real drive's disc;
// empty when the letter has none.
std::string DriveRootFolder(char letter);
// Maps a drive-letter path to an OS path (Linux); other paths are returned unchanged.
std::string ResolvePath(const std::string& path);
// Device path of the real optical drive at a letter ("/dev/sr0"); empty when the letter is
// not a real drive. The pass-through opens this path.
std::string RealDriveDevice(char letter);

} // namespace platform

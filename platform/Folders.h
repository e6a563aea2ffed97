#pragma once
// The user's and the system's own folders, for defaults the user can change, and whether this
// system's paths begin with a drive letter.
#include <string>

namespace platform {

// The user's home folder: $HOME, else the password entry's (Linux); %USERPROFILE% (Windows).
// Empty when none is known.
std::string HomeFolder();
// The system's folder for temporary files: $TMPDIR, else /tmp (Linux); GetTempPath (Windows).
// Ends without a delimiter.
std::string SystemTempFolder();

// True where a path begins with a drive letter ("c:\"), false where such a name is an ordinary
// file name in the current folder.
constexpr bool UsesDriveLetters() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

} // namespace platform

#pragma once
// The one place that includes <windows.h> for the platform layer. Windows defines macros with
// the names of several platform functions and constants (LoadLibrary, GetDriveType,
// DRIVE_CDROM, SEM_FAILCRITICALERRORS, ...); they are undefined here so the portable
// declarations keep their meaning, and the Win32 calls are written with their W names.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef LoadLibrary
#undef GetDriveType
#undef DRIVE_UNKNOWN
#undef DRIVE_NO_ROOT_DIR
#undef DRIVE_REMOVABLE
#undef DRIVE_FIXED
#undef DRIVE_REMOTE
#undef DRIVE_CDROM
#undef DRIVE_RAMDISK
#undef SEM_FAILCRITICALERRORS
#undef IOCTL_SCSI_PASS_THROUGH_DIRECT
#undef IOCTL_SCSI_GET_ADDRESS
#undef SCSI_IOCTL_DATA_OUT
#undef SCSI_IOCTL_DATA_IN
#undef SCSI_IOCTL_DATA_UNSPECIFIED
#undef FindFirstFile
#undef FindNextFile

#include <string>

namespace platform::win32 {

// UTF-8 inside, UTF-16 at the Win32 boundary. Invalid UTF-8 sequences become U+FFFD, as
// MultiByteToWideChar does without MB_ERR_INVALID_CHARS.
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);
std::string Narrow(const wchar_t* text);

// The system's text for an error code, without the trailing line break, followed by the code.
std::string ErrorText(DWORD code);

// A path in the extended-length form (\\?\), absolute and without "." and "..", so that
// names ending in a dot or a space and paths longer than MAX_PATH reach the file system as
// they are. Devices (\\.\) and paths already extended stay as they are.
std::wstring ExtendedPath(const std::wstring& path);
// A platform path (UTF-8, drive letters resolved) as the Win32 file calls take it.
std::wstring FilePath(const std::string& path);

} // namespace platform::win32

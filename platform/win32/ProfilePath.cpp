#include <windows.h>

#include "platform/Files.h"
#include "platform/Profile.h"

namespace platform {

// A bare name lives in the Windows directory, as the private-profile functions look it up.
std::string ProfilePath(const std::string& fileName) {
    if (fileName.empty()) return {};
    std::string path = fileName;
    if (fileName.find_first_of("\\/:") == std::string::npos) {
        char dir[MAX_PATH];
        UINT n = GetWindowsDirectoryA(dir, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return {};
        path = std::string(dir, n) + "\\" + fileName;
    }
    return FileExists(path) ? path : std::string();
}

} // namespace platform

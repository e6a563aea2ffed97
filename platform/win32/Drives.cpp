// Drive letters on Windows: the system's own drives, with two kinds of stand-ins taking
// precedence so tests and emulated drives behave as CD-ROM drives: letters of the virtual
// drive bus, and folders registered as a letter's root.
#include "platform/Drives.h"

#include <array>
#include <cctype>
#include <mutex>

#include "platform/virtual/VirtualBus.h"
#include "platform/win32/Win32.h"

namespace platform {

namespace {

struct TDriveRoots {
    std::mutex Mutex;
    std::array<std::string, 26> Folders;
};

TDriveRoots& Roots() {
    static TDriveRoots roots;
    return roots;
}

int LetterIndex(char letter) {
    int c = std::toupper(static_cast<unsigned char>(letter));
    return (c >= 'A' && c <= 'Z') ? c - 'A' : -1;
}

// The letter of "X:", "X:\", "X:/" or "X:\rest"; -1 for any other path.
int PathLetter(const std::string& path) {
    if (path.size() < 2 || path[1] != ':') return -1;
    if (path.size() > 2 && path[2] != '\\' && path[2] != '/') return -1;
    return LetterIndex(path[0]);
}

// The folder standing in for a letter (registered root, else a virtual drive's disc).
std::string StandInFolder(int index) {
    char letter = char('A' + index);
    {
        std::lock_guard lock(Roots().Mutex);
        if (!Roots().Folders[index].empty()) return Roots().Folders[index];
    }
    return VirtualDriveRoot(letter);
}

} // namespace

unsigned GetDriveType(const std::string& rootPath) {
    int i = PathLetter(rootPath);
    if (i >= 0 && (VirtualDrive(char('A' + i)) || !StandInFolder(i).empty())) return DRIVE_CDROM;
    if (rootPath.empty()) return ::GetDriveTypeW(nullptr);
    return ::GetDriveTypeW(win32::Widen(rootPath).c_str());
}

void RegisterDriveRoot(char letter, const std::string& folder) {
    int i = LetterIndex(letter);
    if (i < 0) return;
    std::string f = folder;
    // Kept without a trailing delimiter so "X:\rest" maps to folder + "\rest".
    while (f.size() > 1 && (f.back() == '\\' || f.back() == '/') && !(f.size() == 3 && f[1] == ':')) f.pop_back();
    std::lock_guard lock(Roots().Mutex);
    Roots().Folders[i] = f;
}

void UnregisterDriveRoot(char letter) {
    int i = LetterIndex(letter);
    if (i < 0) return;
    std::lock_guard lock(Roots().Mutex);
    Roots().Folders[i].clear();
}

std::string DriveRootFolder(char letter) {
    int i = LetterIndex(letter);
    if (i < 0) return {};
    std::string folder = StandInFolder(i);
    if (!folder.empty()) return folder;
    std::string root = std::string(1, char('A' + i)) + ":\\";
    // A drive without a file system to read (no disc, or no such letter) has no root folder.
    if (::GetDriveTypeW(win32::Widen(root).c_str()) <= DRIVE_NO_ROOT_DIR) return {};
    if (!GetVolumeInformationW(win32::Widen(root).c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0))
        return {};
    return root;
}

std::string RealDriveDevice(char letter) {
    int i = LetterIndex(letter);
    if (i < 0 || VirtualDrive(char('A' + i))) return {};
    std::string root = std::string(1, char('A' + i)) + ":\\";
    if (::GetDriveTypeW(win32::Widen(root).c_str()) != DRIVE_CDROM) return {};
    return std::string("\\\\.\\") + char('A' + i) + ":";
}

std::string ResolvePath(const std::string& path) {
    int i = PathLetter(path);
    if (i < 0) return path;
    std::string folder = StandInFolder(i);
    if (folder.empty()) return path;
    std::string rest = path.size() > 3 ? path.substr(3) : std::string();
    if (rest.empty()) return folder + "\\";
    return folder + "\\" + rest;
}

} // namespace platform

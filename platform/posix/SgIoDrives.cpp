// Real optical drives at drive letters: /dev/srN at the free letters from D on, in device
// order, after the letters that virtual drives hold.
#include <dirent.h>

#include <cctype>

#include "platform/Drives.h"
#include "platform/posix/SgIo.h"
#include "platform/virtual/VirtualBus.h"

namespace platform {

namespace {

std::vector<std::string> DevEntries() {
    std::vector<std::string> entries;
    if (DIR* d = ::opendir("/dev")) {
        while (dirent* e = ::readdir(d)) entries.emplace_back(e->d_name);
        ::closedir(d);
    }
    return entries;
}

char LetterOf(const std::string& rootPath) {
    if (rootPath.size() < 2 || rootPath[1] != ':') return 0;
    const int c = std::toupper(static_cast<unsigned char>(rootPath[0]));
    return (c >= 'A' && c <= 'Z') ? char(c) : char(0);
}

} // namespace

std::string RealDriveDevice(char letter) {
    letter = char(std::toupper(static_cast<unsigned char>(letter)));
    if (letter < 'A' || letter > 'Z' || VirtualDrive(letter)) return {};
    const auto names = sgio::OpticalDeviceNames(DevEntries());
    const auto letters = sgio::AssignLetters(names.size(), [](char l) { return VirtualDrive(l) != nullptr; });
    for (size_t i = 0; i < names.size(); ++i) {
        if (letters[i] == letter) return "/dev/" + names[i];
    }
    return {};
}

unsigned GetDriveType(const std::string& rootPath) {
    const char letter = LetterOf(rootPath);
    if (letter == 0) return DRIVE_NO_ROOT_DIR;
    if (VirtualDrive(letter) || !RealDriveDevice(letter).empty()) return DRIVE_CDROM;
    return DRIVE_NO_ROOT_DIR;
}

} // namespace platform

#include "app/common/DriveLetters.h"

#include "engine/device/DeviceEntry.h"

namespace tarnwick::app {

std::optional<char> DeviceDriveLetter(const std::string& device) {
    const auto entry = ParseDeviceString(device);
    if (!entry || !entry->Letter) return std::nullopt;
    return entry->Letter;
}

std::optional<char> ParseDriveName(const std::string& text, TDriveNameForms forms) {
    bool shape = text.size() == 2 && text[1] == ':';
    if (forms.Bare && text.size() == 1) shape = true;
    if (forms.Separator && text.size() == 3 && text[1] == ':' && (text[2] == '\\' || text[2] == '/')) shape = true;
    if (!shape) return std::nullopt;
    const char c = text[0];
    if (c >= 'a' && c <= 'z') return char(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') return c;
    return std::nullopt;
}

} // namespace tarnwick::app

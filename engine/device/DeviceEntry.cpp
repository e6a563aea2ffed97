#include "engine/device/DeviceEntry.h"

namespace tarnwick {

namespace {
constexpr const char* kNotSupported = " (not supported)";

// A decimal address part (0 to 255) at i; i moves past it.
bool PartAt(const std::string& s, size_t& i, uint8_t& v) {
    unsigned n = 0;
    size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && digits < 3) {
        n = n * 10 + unsigned(s[i++] - '0');
        ++digits;
    }
    if (digits == 0 || n > 255) return false;
    v = uint8_t(n);
    return true;
}

bool SeparatorAt(const std::string& s, size_t& i, char c) {
    if (i >= s.size() || s[i] != c) return false;
    ++i;
    return true;
}
} // namespace

std::string FormatDeviceString(const TDeviceEntry& e) {
    std::string s = std::to_string(e.Address.HaId) + ":" + std::to_string(e.Address.Target) + ":" +
                    std::to_string(e.Address.Lun) + ",";
    s += e.Letter ? std::string(1, e.Letter) : std::string("?");
    s += ": ";
    s += e.Identity;
    if (e.NotSupported) s += kNotSupported;
    return s;
}

std::optional<TDeviceEntry> ParseDeviceString(const std::string& s) {
    TDeviceEntry e;
    size_t i = 0;
    if (!PartAt(s, i, e.Address.HaId) || !SeparatorAt(s, i, ':') || !PartAt(s, i, e.Address.Target) ||
        !SeparatorAt(s, i, ':') || !PartAt(s, i, e.Address.Lun))
        return std::nullopt;
    if (i + 2 < s.size() && s[i] == ',' && s[i + 2] == ':') {
        const char c = s[i + 1];
        if (c >= 'A' && c <= 'Z') e.Letter = c;
        i += 3;
        if (i < s.size() && s[i] == ' ') {
            std::string identity = s.substr(i + 1);
            const std::string suffix = kNotSupported;
            if (identity.size() >= suffix.size() &&
                identity.compare(identity.size() - suffix.size(), suffix.size(), suffix) == 0) {
                identity.resize(identity.size() - suffix.size());
                e.NotSupported = true;
            }
            e.Identity = identity;
        }
    }
    return e;
}

} // namespace tarnwick

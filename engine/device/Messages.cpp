#include "engine/device/Messages.h"

namespace tarnwick::msg {

namespace {
std::string Replace(const char* pattern, const char* token, const std::string& value) {
    std::string s = pattern;
    auto pos = s.find(token);
    if (pos != std::string::npos) s.replace(pos, 2, value);
    return s;
}
} // namespace

std::string Bracketed(const char* what, const std::string& detail) { return std::string(what) + " [" + detail + "]"; }

std::string BracketedOrNoDevice(const char* what, const std::string& detail) {
    return Bracketed(what, detail.empty() ? std::string("NO DEVICE") : detail);
}

std::string Format(const char* pattern, long long value) {
    return Replace(pattern, "%d", std::to_string(value));
}

std::string Format(const char* pattern, const std::string& value) {
    return Replace(pattern, "%s", value);
}

} // namespace tarnwick::msg

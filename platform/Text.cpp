#include "platform/Text.h"

#include <algorithm>
#include <cctype>

namespace platform {

namespace {
char Lower(char c) { return char(std::tolower(static_cast<unsigned char>(c))); }
} // namespace

std::string Trim(std::string_view s, std::string_view chars) {
    const size_t b = s.find_first_not_of(chars);
    if (b == std::string_view::npos) return {};
    return std::string(s.substr(b, s.find_last_not_of(chars) - b + 1));
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string LowerCase(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), Lower);
    return s;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

} // namespace platform

#pragma once
// Small text helpers shared by every layer: trimming, prefix and suffix tests, case folding
// through the C library (as the settings file and library names need it).
#include <string>
#include <string_view>

namespace platform {

// s without the leading and trailing characters of chars (blanks and line ends by default).
std::string Trim(std::string_view s, std::string_view chars = " \t\r\n");
bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);
std::string LowerCase(std::string s);
// Equal but for letter case.
bool SameText(std::string_view a, std::string_view b);

} // namespace platform

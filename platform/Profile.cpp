// Private-profile reading with the rules of the Windows profile functions: section and key
// names compare case-insensitively, the first matching section and key win, names and values
// are trimmed of blanks, a value in matching double or single quotes loses them, and lines
// starting with ';' are comments.
#include "platform/Profile.h"
#include "platform/Text.h"

#include <cctype>
#include <sstream>

namespace platform {

std::optional<std::string> ParseProfileString(const std::string& text, const std::string& section,
                                              const std::string& key) {
    std::istringstream in(text);
    std::string line;
    bool inSection = false, seenSection = false;
    bool first = true;
    while (std::getline(in, line)) {
        if (first) {
            first = false;
            if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3); // UTF-8 byte-order mark
        }
        std::string t = Trim(line);
        if (t.empty() || t[0] == ';') continue;
        if (t[0] == '[') {
            auto close = t.find(']');
            std::string name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            if (inSection) return std::nullopt; // only the first section of that name counts
            inSection = !seenSection && SameText(name, section);
            seenSection = seenSection || inSection;
            continue;
        }
        if (!inSection) continue;
        auto eq = t.find('=');
        if (eq == std::string::npos) continue;
        if (!SameText(Trim(t.substr(0, eq)), key)) continue;
        std::string value = Trim(t.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return std::nullopt;
}

// The file itself is read in platform/posix/ProfileFile.cpp and platform/win32/ProfilePath.cpp.

} // namespace platform

// Private-profile reading with the rules of the Windows profile functions: section and key
// names compare case-insensitively, the first matching section and key win, names and values
// are trimmed of blanks, a value in matching double or single quotes loses them, and lines
// starting with ';' are comments. The file is read fresh on every call (it is read-only).
#include "platform/Profile.h"
#include "platform/Text.h"

#include <cctype>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

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

// Windows reads the file with GetPrivateProfileStringW itself (platform/win32/ProfilePath.cpp).
#ifndef _WIN32
std::optional<std::string> ReadProfileString(const std::string& fileName, const std::string& section,
                                             const std::string& key) {
    const std::string path = ProfilePath(fileName);
    if (path.empty()) return std::nullopt;
    // Only a regular file, and only its first kMaxProfileBytes: a device or FIFO named as
    // the settings (/dev/zero) must not be read without end.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::ifstream f(path, std::ios::binary);
    if (!f) return std::nullopt;
    std::string text(kMaxProfileBytes, '\0');
    f.read(text.data(), std::streamsize(text.size()));
    text.resize(size_t(f.gcount()));
    return ParseProfileString(text, section, key);
}
#endif

} // namespace platform

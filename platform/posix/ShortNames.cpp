// NTFS-style short names: the first six usable characters of the base, "~1" to "~4", then the
// hashed form (two characters, four hex digits of a hash of the long name, "~1" ...), and
// the first three usable characters of the extension. A name that becomes a valid 8.3 name
// just by upper-casing it ("readme.txt") gets that upper-cased name, as the short name a
// Windows listing leads to for it; the hash is our own, not bit-identical to Windows'.
#include "platform/posix/ShortNames.h"

#include <cstdint>
#include <cstdio>
#include <unordered_set>

namespace platform {

namespace {

bool IsShortChar(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return true;
    if (c >= '0' && c <= '9') return true;
    switch (c) {
    case '$': case '%': case '\'': case '-': case '_': case '@': case '~': case '`': case '!':
    case '(': case ')': case '{': case '}': case '^': case '#': case '&':
        return true;
    default:
        return false;
    }
}

std::string UpperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return s;
}

// Maps a piece of a long name to short-name characters: ASCII letters upper-cased, anything
// a short name cannot hold (one '_' per character, also per multi-byte UTF-8 character).
std::string ShortChars(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80) {
            if ((c & 0xC0) == 0x80) continue; // continuation byte: already counted
            out.push_back('_');
            continue;
        }
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
        out.push_back(IsShortChar(c) ? char(c) : '_');
    }
    return out;
}

uint16_t NameHash(const std::string& name) {
    uint32_t h = 2166136261u; // FNV-1a, folded to 16 bits
    for (unsigned char c : name) {
        h ^= c;
        h *= 16777619u;
    }
    return uint16_t((h >> 16) ^ (h & 0xFFFF));
}

std::string Join(const std::string& base, const std::string& ext) { return ext.empty() ? base : base + "." + ext; }

} // namespace

bool IsUpperCase83(const std::string& name) {
    if (name.empty() || name.size() > 12) return false;
    size_t dot = name.find('.');
    std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8) return false;
    if (dot != std::string::npos && (ext.empty() || ext.size() > 3)) return false;
    for (unsigned char c : base)
        if (!IsShortChar(c)) return false;
    for (unsigned char c : ext)
        if (!IsShortChar(c)) return false;
    return true;
}

std::vector<std::string> MakeShortNames(const std::vector<std::string>& names) {
    std::vector<std::string> result(names.size());
    std::unordered_set<std::string> taken; // upper case
    for (const auto& n : names)
        if (IsUpperCase83(n)) taken.insert(n);

    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        if (IsUpperCase83(name)) continue;
        const std::string upper = UpperAscii(name);
        if (IsUpperCase83(upper) && taken.insert(upper).second) {
            result[i] = upper;
            continue;
        }
        // Spaces go; leading dots go; the last remaining dot separates the extension and
        // every other dot goes.
        std::string s;
        for (char c : name)
            if (c != ' ') s.push_back(c);
        size_t lead = s.find_first_not_of('.');
        s = lead == std::string::npos ? std::string() : s.substr(lead);
        size_t lastDot = s.rfind('.');
        std::string base = lastDot == std::string::npos ? s : s.substr(0, lastDot);
        std::string ext = lastDot == std::string::npos ? "" : s.substr(lastDot + 1);
        std::string baseNoDots;
        for (char c : base)
            if (c != '.') baseNoDots.push_back(c);
        base = ShortChars(baseNoDots);
        ext = ShortChars(ext).substr(0, 3);
        if (base.empty()) base = "_";

        std::string found;
        for (int n = 1; n <= 4 && found.empty(); ++n) {
            std::string c = Join(base.substr(0, 6) + "~" + std::to_string(n), ext);
            if (taken.insert(c).second) found = c;
        }
        if (found.empty()) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "%04X", unsigned(NameHash(name)));
            for (int n = 1; n <= 9 && found.empty(); ++n) {
                std::string c = Join(base.substr(0, 2) + hex + "~" + std::to_string(n), ext);
                if (taken.insert(c).second) found = c;
            }
        }
        // A folder can hold more names than the forms above can tell apart: widen the
        // number until one is free (always ends: the folder is finite).
        for (long n = 10; found.empty(); ++n) {
            std::string tail = "~" + std::to_string(n);
            if (tail.size() >= 8) tail = tail.substr(tail.size() - 7);
            std::string c = Join(base.substr(0, 8 - tail.size()) + tail, ext);
            if (taken.insert(c).second) found = c;
        }
        result[i] = found;
    }
    return result;
}

} // namespace platform

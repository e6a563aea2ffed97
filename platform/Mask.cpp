// Windows wildcard matching: '*' any run, '?' one character, letters compared without case
// (ASCII only), "*.*" and a trailing ".*" also match names without a dot, a trailing "."
// matches a name without an extension.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Files.h"

namespace platform {

namespace {

// Code points, so that '?' stands for one character and not one byte; a byte that does not
// start a valid sequence stands for itself.
std::vector<uint32_t> Decode(const std::string& s) {
    std::vector<uint32_t> out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool ok = len > 0 && i + size_t(len) <= s.size();
        uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; ok && k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + size_t(k)]);
            if ((cc & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            out.push_back(0x110000u + c); // outside Unicode: never equal to a real character
            ++i;
            continue;
        }
        if (cp >= 'a' && cp <= 'z') cp -= 32;
        out.push_back(cp);
        i += size_t(len);
    }
    return out;
}

bool Match(const std::vector<uint32_t>& n, const std::vector<uint32_t>& m) {
    size_t ni = 0, mi = 0, starM = SIZE_MAX, starN = 0;
    while (ni < n.size()) {
        if (mi < m.size() && (m[mi] == '?' || m[mi] == n[ni])) {
            ++ni;
            ++mi;
        } else if (mi < m.size() && m[mi] == '*') {
            starM = mi++;
            starN = ni;
        } else if (starM != SIZE_MAX) {
            mi = starM + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (mi < m.size() && m[mi] == '*') ++mi;
    return mi == m.size();
}

bool HasDot(const std::vector<uint32_t>& n) {
    for (uint32_t c : n)
        if (c == '.') return true;
    return false;
}

} // namespace

bool MatchesMask(const std::string& name, const std::string& mask) {
    const auto n = Decode(name);
    const auto m = Decode(mask);
    if (Match(n, m)) return true;
    const size_t k = m.size();
    if (k >= 2 && m[k - 2] == '.' && m[k - 1] == '*' && !HasDot(n))
        return Match(n, std::vector<uint32_t>(m.begin(), m.end() - 2));
    if (k >= 2 && m[k - 1] == '.' && !HasDot(n)) return Match(n, std::vector<uint32_t>(m.begin(), m.end() - 1));
    return false;
}

} // namespace platform

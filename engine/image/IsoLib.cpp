#include "engine/image/IsoLib.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/image/Layout.h"
#include "platform/Time.h"

namespace tarnwick {

std::string UpperCase(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return s;
}

std::u16string UpperCase(std::u16string s) {
    for (char16_t& c : s)
        if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
    return s;
}

std::string MakeAlternateName(const std::string& name) {
    std::string out = name.substr(0, 13);
    for (char& ch : out) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
        if (c < 33 || c > 122) c = '_';
        ch = char(c);
    }
    return out;
}

namespace {
// Decodes one UTF-8 sequence at s[i]; returns its length, cp = 0xFFFFFFFF when invalid.
size_t DecodeOne(const std::string& s, size_t i, uint32_t& cp) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) {
        cp = 0xFFFFFFFF;
        return 1;
    }
    cp = len == 1 ? c : len == 2 ? (c & 0x1Fu) : len == 3 ? (c & 0x0Fu) : (c & 0x07u);
    for (size_t k = 1; k < len; ++k) {
        unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) {
            cp = 0xFFFFFFFF;
            return 1;
        }
        cp = (cp << 6) | (cc & 0x3Fu);
    }
    // Overlong forms and surrogates are not characters.
    static const uint32_t minimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[len] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFFFFFF;
    return len;
}
} // namespace

std::u16string Utf8ToUcs2(const std::string& s) {
    std::u16string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        uint32_t cp;
        i += DecodeOne(s, i, cp);
        out.push_back(cp > 0xFFFF ? u'_' : char16_t(cp));
    }
    return out;
}

bool FitsUcs2(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        uint32_t cp;
        i += DecodeOne(s, i, cp);
        if (cp > 0xFFFF) return false;
    }
    return true;
}

std::string OwnLongName(const TFEntry* f) {
    std::string n = f->LongName;
    if (!IsDirectoryEntry(f) && n.size() > 1 && n.back() == '.' && n.find('.') == n.size() - 1) {
        const std::string& src = f->SourcePath;
        const size_t cut = src.find_last_of("/\\");
        const std::string base = cut == std::string::npos ? src : src.substr(cut + 1);
        if (base.empty() || base.back() != '.') n.pop_back();
    }
    return n;
}

std::string IsoVolumeLabel(const std::string& label) {
    std::string out;
    for (size_t i = 0; i < label.size();) {
        uint32_t cp;
        const size_t len = DecodeOne(label, i, cp);
        out.push_back(len == 1 && cp < 0x80 ? label[i] : '_');
        i += len;
    }
    return UpperCase(out);
}

size_t CharCount(const std::string& s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++n) {
        uint32_t cp;
        i += DecodeOne(s, i, cp);
    }
    return n;
}

std::string BuildDirPath(const TDEntry* dir) {
    // Collect the names from the leaf up, then join once (prepending would be quadratic).
    std::string path;
    std::vector<const std::string*> names;
    const TDEntry* d = dir;
    size_t guard = 0;
    while (d && d->Parent != d && d->Parent && guard++ < 65536) {
        names.push_back(&d->LongName);
        d = d->Parent;
    }
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        path += '\\';
        path += **it;
    }
    if (path.empty()) return "\\"; // the root
    return UpperCase(path);
}

void ToIsoField(const std::string& text, uint8_t* dest, size_t width) {
    size_t n = text.size() < width ? text.size() : width;
    std::memcpy(dest, text.data(), n);
    std::memset(dest + n, ' ', width - n);
}

void ToJolietField(const std::string& text, uint8_t* dest, size_t width) {
    std::u16string u = Utf8ToUcs2(text);
    const size_t chars = width / 2;
    for (size_t i = 0; i < chars; ++i) {
        char16_t c = i < u.size() ? u[i] : u' ';
        dest[2 * i] = uint8_t(c >> 8);
        dest[2 * i + 1] = uint8_t(c);
    }
}

void PutUcs2BE(uint8_t* dest, const std::u16string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        dest[2 * i] = uint8_t(text[i] >> 8);
        dest[2 * i + 1] = uint8_t(text[i]);
    }
}

void EncodeDescriptorDate(TDateTime dt, uint8_t* dest17) {
    platform::TDateParts p = platform::DecodeDateTime(dt);
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute,
                  p.Second, p.Millisecond);
    std::memcpy(dest17, text, 16);
    dest17[16] = 0;
}

int8_t RecordZoneOffset(TDateTime local) { return int8_t(-platform::TimeZoneBiasAt(local) / 15); }

void EncodeRecordDate(TDateTime dt, int8_t tz, uint8_t* dest7) {
    platform::TDateParts p = platform::DecodeDateTime(dt);
    dest7[0] = uint8_t(p.Year - 1900);
    dest7[1] = uint8_t(p.Month);
    dest7[2] = uint8_t(p.Day);
    dest7[3] = uint8_t(p.Hour);
    dest7[4] = uint8_t(p.Minute);
    dest7[5] = uint8_t(p.Second);
    dest7[6] = uint8_t(tz);
}

} // namespace tarnwick

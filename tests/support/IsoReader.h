#pragma once
// A small, strict reader of the directory trees in an image header, independent of the
// encoder: it follows the root record of a volume descriptor and checks every record.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

inline uint32_t LE32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
inline uint32_t BE32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

// One UCS-2 code unit as UTF-8.
inline void AppendUtf8(std::string& s, unsigned c) {
    if (c < 0x80) s.push_back(char(c));
    else if (c < 0x800) {
        s.push_back(char(0xC0 | (c >> 6)));
        s.push_back(char(0x80 | (c & 0x3F)));
    } else {
        s.push_back(char(0xE0 | (c >> 12)));
        s.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        s.push_back(char(0x80 | (c & 0x3F)));
    }
}

struct TIsoRecord {
    std::string Path;  // "/" separated, identifier as written (UTF-8 for Joliet), ";1" removed
    uint32_t Extent = 0;
    uint32_t Length = 0;
    uint8_t Flags = 0;
    uint8_t RecordLength = 0;
    uint8_t Date[7] = {};
};

class TIsoReader {
public:
    TIsoReader(const uint8_t* data, size_t size) : Data(data), Size(size) {}

    // Every record below the root of the descriptor at sector vd, depth first.
    std::vector<TIsoRecord> Walk(int vd, bool joliet) {
        const uint8_t* root = At(int64_t(vd) * 2048 + 156, 34);
        Joliet = joliet;
        Out.clear();
        Visit(LE32(root + 2), LE32(root + 10), "", 0);
        return Out;
    }

private:
    const uint8_t* At(int64_t offset, int64_t n) const {
        if (offset < 0 || n < 0 || uint64_t(offset + n) > Size) throw std::runtime_error("read past the header");
        return Data + offset;
    }

    static std::string Utf8(const uint8_t* p, size_t n) {
        std::string s;
        for (size_t i = 0; i + 1 < n; i += 2) AppendUtf8(s, (unsigned(p[i]) << 8) | p[i + 1]);
        return s;
    }

    void Visit(uint32_t extent, uint32_t length, const std::string& path, int depth) {
        if (depth > 300) throw std::runtime_error("directory loop");
        if (length % 2048) throw std::runtime_error("directory length not whole sectors");
        const uint8_t* d = At(int64_t(extent) * 2048, length);
        if (d[0] != 34 || d[32] != 1 || d[33] != 0) throw std::runtime_error("bad . record in " + path);
        if (LE32(d + 2) != extent || BE32(d + 6) != extent || LE32(d + 10) != length)
            throw std::runtime_error("bad . extent in " + path);
        if (d[34] != 34 || d[34 + 33] != 1) throw std::runtime_error("bad .. record in " + path);
        size_t pos = 68;
        std::vector<std::pair<uint32_t, std::pair<uint32_t, std::string>>> subdirs;
        while (pos < length) {
            const uint8_t* r = d + pos;
            if (r[0] == 0) { // rest of the sector is padding
                pos = (pos / 2048 + 1) * 2048;
                continue;
            }
            const size_t len = r[0];
            const size_t f = r[32];
            if (pos / 2048 != (pos + len - 1) / 2048) throw std::runtime_error("record crosses a sector");
            if (len != 33 + f + (f % 2 == 0 ? 1 : 0)) throw std::runtime_error("record length mismatch");
            if (LE32(r + 2) != BE32(r + 6) || LE32(r + 10) != BE32(r + 14)) throw std::runtime_error("both-endian mismatch");
            TIsoRecord rec;
            std::string name = Joliet ? Utf8(r + 33, f) : std::string(reinterpret_cast<const char*>(r + 33), f);
            if (name.size() > 2 && name.compare(name.size() - 2, 2, ";1") == 0) name.resize(name.size() - 2);
            rec.Path = path + "/" + name;
            rec.Extent = LE32(r + 2);
            rec.Length = LE32(r + 10);
            rec.Flags = r[25];
            rec.RecordLength = uint8_t(len);
            for (int k = 0; k < 7; ++k) rec.Date[k] = r[18 + k];
            Out.push_back(rec);
            if (rec.Flags & 2) subdirs.push_back({rec.Extent, {rec.Length, rec.Path}});
            pos += len;
        }
        for (auto& s : subdirs) Visit(s.first, s.second.first, s.second.second, depth + 1);
    }

    const uint8_t* Data;
    size_t Size;
    bool Joliet = false;
    std::vector<TIsoRecord> Out;
};

} // namespace testsupport

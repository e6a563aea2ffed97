#include "engine/image/UdfLib.h"

#include <array>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/image/UdfFormat.h"
#include "platform/Time.h"

namespace tarnwick::udf {

namespace {
// CRC-CCITT (x^16 + x^12 + x^5 + 1) one byte at a time: every File Entry and directory block
// carries one, so a bit-by-bit loop showed in the profile of a many-file image.
constexpr std::array<uint16_t, 256> MakeCrcTable() {
    std::array<uint16_t, 256> table{};
    for (uint32_t v = 0; v < 256; ++v) {
        uint16_t crc = uint16_t(v << 8);
        for (int b = 0; b < 8; ++b) crc = (crc & 0x8000) ? uint16_t((crc << 1) ^ 0x1021) : uint16_t(crc << 1);
        table[v] = crc;
    }
    return table;
}
constexpr std::array<uint16_t, 256> kCrcTable = MakeCrcTable();
} // namespace

uint16_t Crc(const uint8_t* data, size_t n) {
    uint16_t crc = 0;
    for (size_t i = 0; i < n; ++i) crc = uint16_t((crc << 8) ^ kCrcTable[((crc >> 8) ^ data[i]) & 0xFF]);
    return crc;
}

void PutTag(uint8_t* d, uint16_t ident, uint32_t location, size_t bodyBytes) {
    PutLE16(d + kTagIdent, ident);
    PutLE16(d + kTagVersion, 2);
    d[kTagChecksum] = 0;
    d[5] = 0;
    PutLE16(d + kTagSerial, 1);
    PutLE16(d + kTagCrc, Crc(d + kTagLength, bodyBytes));
    PutLE16(d + kTagCrcLength, uint16_t(bodyBytes));
    PutLE32(d + kTagLocation, location);
    uint8_t sum = 0;
    for (size_t i = 0; i < kTagLength; ++i)
        if (i != kTagChecksum) sum = uint8_t(sum + d[i]);
    d[kTagChecksum] = sum;
}

namespace {
bool Narrow(const std::u16string& text) {
    for (char16_t c : text)
        if (c > 0xFF) return false;
    return true;
}
} // namespace

std::string Cs0(const std::u16string& text) {
    std::string out;
    if (text.empty()) return out;
    if (Narrow(text)) {
        out.push_back(char(8));
        for (char16_t c : text) out.push_back(char(uint8_t(c)));
    } else {
        out.push_back(char(16));
        for (char16_t c : text) {
            out.push_back(char(uint8_t(c >> 8)));
            out.push_back(char(uint8_t(c)));
        }
    }
    return out;
}

size_t Cs0Fit(const std::u16string& text, size_t maxBytes) {
    if (maxBytes < 2) return 0;
    const size_t room = Narrow(text) ? maxBytes - 1 : (maxBytes - 1) / 2;
    return text.size() < room ? text.size() : room;
}

void PutDString(uint8_t* d, size_t width, const std::u16string& text) {
    std::memset(d, 0, width);
    const std::string bytes = Cs0(text.substr(0, Cs0Fit(text, width - 1)));
    std::memcpy(d, bytes.data(), bytes.size());
    d[width - 1] = uint8_t(bytes.size());
}

void PutCharspec(uint8_t* d) {
    std::memset(d, 0, kCharspecWidth);
    d[0] = 0;
    std::memcpy(d + 1, "OSTA Compressed Unicode", 23);
}

void PutRegid(uint8_t* d, const char* ident, bool udfSuffix) {
    std::memset(d, 0, kRegidWidth);
    const size_t n = std::strlen(ident);
    std::memcpy(d + 1, ident, n < 23 ? n : 23);
    if (udfSuffix) PutLE16(d + 24, 0x0102);
}

void PutTimestamp(uint8_t* d, TDateTime dt, int32_t zoneMinutes) {
    const platform::TDateParts p = platform::DecodeDateTime(dt);
    PutLE16(d, uint16_t(0x1000 | (uint16_t(zoneMinutes) & 0x0FFF)));
    PutLE16(d + 2, uint16_t(p.Year));
    d[4] = uint8_t(p.Month);
    d[5] = uint8_t(p.Day);
    d[6] = uint8_t(p.Hour);
    d[7] = uint8_t(p.Minute);
    d[8] = uint8_t(p.Second);
    d[9] = uint8_t(p.Millisecond / 10);
    d[10] = uint8_t((p.Millisecond % 10) * 10);
    d[11] = 0;
}

} // namespace tarnwick::udf

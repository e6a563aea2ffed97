#pragma once
// Explicit byte-order helpers for on-disc and on-wire fields; never cast a buffer to a struct.
#include <cstddef>
#include <cstdint>

namespace tarnwick {

inline void PutLE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void PutLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void PutBE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}
inline void PutBE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}
inline void PutLE64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}
// ISO 9660 both-byte-order fields: little-endian then big-endian.
inline void PutBoth16(uint8_t* p, uint16_t v) {
    PutLE16(p, v);
    PutBE16(p + 2, v);
}
inline void PutBoth32(uint8_t* p, uint32_t v) {
    PutLE32(p, v);
    PutBE32(p + 4, v);
}
inline uint16_t GetLE16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t GetLE32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint16_t GetBE16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline uint32_t GetBE32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// A bounded view over untrusted bytes (drive replies): every read names its offset and fails
// instead of reading past the bytes actually received.
class TByteReader {
public:
    TByteReader(const uint8_t* data, size_t size) : Data(data), Size(size) {}
    size_t Length() const { return Size; }
    bool Has(size_t offset, size_t count) const { return offset <= Size && count <= Size - offset; }
    [[nodiscard]] bool U8(size_t offset, uint8_t& v) const {
        if (!Has(offset, 1)) return false;
        v = Data[offset];
        return true;
    }
    [[nodiscard]] bool BE16(size_t offset, uint16_t& v) const {
        if (!Has(offset, 2)) return false;
        v = GetBE16(Data + offset);
        return true;
    }
    [[nodiscard]] bool BE32(size_t offset, uint32_t& v) const {
        if (!Has(offset, 4)) return false;
        v = GetBE32(Data + offset);
        return true;
    }

private:
    const uint8_t* Data;
    size_t Size;
};

} // namespace tarnwick

#pragma once
// The in-memory stream of the encoded image header.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tarnwick {

class TMemoryStream {
public:
    void Clear() {
        Bytes.clear();
        Bytes.shrink_to_fit();
        Pos = 0;
    }
    int64_t Size() const { return int64_t(Bytes.size()); }
    int64_t Position() const { return Pos; }
    void SetPosition(int64_t p) { Pos = std::clamp<int64_t>(p, 0, Size()); }
    void Write(const void* data, size_t n) {
        if (Pos + int64_t(n) > Size()) Bytes.resize(size_t(Pos) + n);
        if (n) std::memcpy(Bytes.data() + Pos, data, n);
        Pos += int64_t(n);
    }
    void WriteZeros(size_t n) {
        if (Pos + int64_t(n) > Size()) Bytes.resize(size_t(Pos) + n);
        std::memset(Bytes.data() + Pos, 0, n);
        Pos += int64_t(n);
    }
    size_t Read(void* out, size_t n) {
        size_t avail = size_t(Size() - Pos);
        n = std::min(n, avail);
        if (n) std::memcpy(out, Bytes.data() + Pos, n);
        Pos += int64_t(n);
        return n;
    }
    void Reserve(size_t n) { Bytes.reserve(n); }
    // Cuts the stream, or extends it with zeros, to n bytes.
    void SetSize(int64_t n) {
        Bytes.resize(size_t(std::max<int64_t>(n, 0)), 0);
        Pos = std::min(Pos, Size());
    }
    const uint8_t* Data() const { return Bytes.data(); }

private:
    std::vector<uint8_t> Bytes;
    int64_t Pos = 0;
};

} // namespace tarnwick

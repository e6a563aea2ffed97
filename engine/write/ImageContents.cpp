#include "engine/write/ImageContents.h"

#include <array>
#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/Bytes.h"
#include "engine/StreamEx.h"

namespace tarnwick {

namespace {

constexpr int64_t kSector = 2048;
constexpr int64_t kPrimaryDescriptorSector = 16;
constexpr size_t kRootRecordOffset = 156;
// A root directory of a DVD-Video disc is a few sectors; a longer one is read only this far.
constexpr uint32_t kRootBytesRead = 16 * 2048;

bool ReadAt(TFileStreamEx& image, int64_t offset, uint8_t* out, int32_t bytes) {
    return image.Seek(offset, 0) == offset && image.Read(out, bytes) == bytes;
}

} // namespace

bool ImageHoldsVideoTs(const std::string& path) {
    try {
        TFileStreamEx image(path, fmOpenRead | fmShareDenyNone);
        std::array<uint8_t, kSector> pvd{};
        if (!ReadAt(image, kPrimaryDescriptorSector * kSector, pvd.data(), int32_t(pvd.size()))) return false;
        if (pvd[0] != 1 || std::memcmp(&pvd[1], "CD001", 5) != 0) return false;
        const uint8_t* root = &pvd[kRootRecordOffset];
        const uint32_t extent = GetLE32(root + 2);
        const uint32_t length = std::min(GetLE32(root + 10), kRootBytesRead);
        std::vector<uint8_t> dir(length);
        if (length == 0 || !ReadAt(image, int64_t(extent) * kSector, dir.data(), int32_t(length))) return false;
        // Records do not cross sector ends: a zero length byte skips to the next sector.
        for (size_t at = 0; at < dir.size();) {
            const uint8_t recordLength = dir[at];
            if (recordLength == 0) {
                at = (at / kSector + 1) * kSector;
                continue;
            }
            if (recordLength < 34 || at + recordLength > dir.size()) return false;
            const uint8_t flags = dir[at + 25], nameLength = dir[at + 32];
            if ((flags & 0x02) && nameLength == 8 && 33u + nameLength <= recordLength &&
                std::memcmp(&dir[at + 33], "VIDEO_TS", 8) == 0)
                return true;
            at += recordLength;
        }
    } catch (EFileStreamError&) {
    }
    return false;
}

} // namespace tarnwick

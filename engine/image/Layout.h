#pragma once
// Pieces of the layout that the encoder shares, so both place records the same way.
#include <cstddef>
#include <cstdint>

#include "engine/image/Entries.h"
#include "engine/image/IsoFormat.h"

namespace tarnwick {

// A child that stands for a sub-directory (and not a file).
inline bool IsDirectoryEntry(const TFEntry* f) { return (f->Attr & 0x10) && f->Dir; }

// Directory records of a file: one, or for 4 GiB and more one per extent of at most
// iso::kMaxExtentBytes (ISO 9660 multi-extent files).
int64_t RecordCount(const TFEntry* f);

// Bytes of a directory's extent in one tree (identifiers assigned by the layout).
int64_t DirectoryExtentBytes(const TDEntry* dir, bool joliet);

// Places directory records into sectors: a record never crosses a sector boundary; the
// records of "." and ".." come first.
class TRecordPlacer {
public:
    // Returns the offset of the record in the extent.
    int64_t Place(size_t length) {
        if (int64_t(length) > Free) {
            Used += Free;
            Free = int64_t(iso::kSector);
        }
        int64_t at = Used;
        Used += int64_t(length);
        Free -= int64_t(length);
        return at;
    }
    // A whole number of sectors, at least one.
    int64_t ExtentBytes() const { return Used + Free; }

private:
    int64_t Used = 2 * int64_t(iso::kDotRecordLength);
    int64_t Free = int64_t(iso::kSector) - 2 * int64_t(iso::kDotRecordLength);
};

} // namespace tarnwick

#pragma once
// The layout of an image: the sector of every structure and the sizes that decide them. A
// value computed from the compilation and the options (TIsoImage::LayoutCompilation); the
// entries' own sectors and sizes are kept in the tree.
#include <cstdint>

namespace tarnwick {

struct TImageLayout {
    int32_t StartLBA = 0; // the image starts at sector 0
    int32_t PathTableL = 0, PathTableM = 0, JolietPathTableL = 0, JolietPathTableM = 0;
    int32_t PathTableSize = 0, JolietPathTableSize = 0; // bytes of one table of each tree
    int32_t IsoDirArea = 0, JolietDirArea = 0;           // first sector of each tree's extents
    int64_t IsoDirBytes = 0, JolietDirBytes = 0;
    int64_t PadSectors = 0; // zeros after the extents up to sector 150 (none when not positive)
    int32_t FirstFileSector = 0;
    int64_t FileSectors = 0;
    int64_t EndLBA = 0; // the sector after the image
    int64_t ImageSectors() const { return EndLBA - StartLBA; }
    // The UDF bridge (zero without it).
    int32_t UdfArea = 0;        // absolute sector of the file set descriptor
    int64_t UdfSectors = 0;     // sectors of the UDF tree
    int64_t UdfTailSectors = 0; // sectors after the file data, the last anchor last
    int64_t UdfFileEntries = 0; // File Entries of the tree (directories and files)
};

} // namespace tarnwick

#pragma once
// The compilation's records: one TDEntry per directory, one TFEntry per child of a directory
// (a file, or the entry that stands for a sub-directory in its parent's list).
#include <cstdint>
#include <string>

#include "engine/Component.h"

namespace tarnwick {

struct TFEntry;

struct TDEntry {
    std::string ShortName;  // ISO 9660 name
    std::string LongName;   // Joliet name
    int64_t IsoSize = 0;    // bytes of the ISO extent (whole sectors), set by the layout
    int64_t JolietSize = 0; // bytes of the Joliet extent
    std::string FullPath;   // upper case, "\" delimited, "\" for the root
    int32_t IsoSector = 0;    // relative to the ISO directory area
    int32_t JolietSector = 0; // relative to the Joliet directory area
    uint8_t Level = 0;        // 1 for the root
    int32_t Number = 0;       // path-table number, 1 = root
    TDEntry* Parent = nullptr; // the root is its own parent
    TFEntry* FirstChild = nullptr;
    // Kept by the compilation's operations: the tail of the child list (appending stays O(1)).
    TFEntry* LastChild = nullptr;
    // Identifiers the path tables carry, fitted by the layout (equal to the directory entry's).
    std::string IsoIdent;
    std::u16string JolietIdent;
    // UDF tree (when the bridge is on): the block of the directory's File Entry inside the
    // partition (its identifiers follow it) and the bytes of those identifiers.
    int32_t UdfBlock = 0;
    int32_t UdfFidBytes = 0;
    TDateTime UdfDate = 0; // the date of the directory's entry in its parent
};

struct TFEntry {
    std::string ShortName; // ISO name, upper case, without ";1"
    std::string LongName;  // Joliet name, without ";1"
    std::string SourcePath; // empty for a directory entry
    TDateTime DateTime = 0;
    int64_t IsoSize = 0;
    int64_t JolietSize = 0;
    int32_t IsoSector = 0;
    int32_t JolietSector = 0;
    int32_t Attr = 0; // Windows attributes; 0x10 marks a directory entry
    TDEntry* Dir = nullptr;
    TFEntry* Next = nullptr;
    // Kept by the compilation's operations: the previous sibling (removal stays O(1)).
    TFEntry* Prev = nullptr;
    // Identifiers as written into the directory records (";1" included for files), set by
    // the layout: the names, cut where a record would pass its one-byte length.
    std::string IsoIdent;
    std::u16string JolietIdent;
    int32_t UdfBlock = 0; // a file's File Entry inside the UDF partition
};

} // namespace tarnwick

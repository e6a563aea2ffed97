#pragma once
// The UDF tree of the bridge, encoded in image order: the file set descriptor and its
// terminator, then for every directory (in Compilation.DirTable order) its File Entry, its File
// Identifiers and the File Entries of its files.
#include <cstdint>
#include <vector>

namespace tarnwick {

class TIsoImage;
struct TDEntry;

// Appends the two blocks of the file set descriptor sequence.
void EncodeUdfFileSet(const TIsoImage& e, std::vector<uint8_t>& out);
// Appends the blocks of one directory laid out by LayoutUdfTree.
void EncodeUdfDirectory(const TIsoImage& e, const TDEntry* d, std::vector<uint8_t>& out);

} // namespace tarnwick

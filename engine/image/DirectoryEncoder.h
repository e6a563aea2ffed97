#pragma once
// The directory extents of both trees, encoded one directory at a time in image order (the
// ISO tree, then the Joliet tree, each in Compilation.DirTable order, then the UDF tree when the bridge is
// on) and followed by the zero sectors up to the first file. The header stream keeps only what comes before them, so an image job
// never holds the extents of every directory at once.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarnwick {

class TIsoImage;
struct TDEntry;

// Fills extent with the directory's extent in one tree: exactly its laid-out size (IsoSize or
// JolietSize) in bytes, zero where no record goes. now is the 7-byte date of "." and "..".
void EncodeDirectoryExtent(const TIsoImage& e, const TDEntry* d, bool joliet, int32_t dirArea, int32_t firstFile,
                           const uint8_t* now, std::vector<uint8_t>& extent);

class TDirectoryEncoder {
public:
    // Takes the layout of e as it is now; e's directories and entries must stay unchanged
    // (and alive) while bytes are read.
    explicit TDirectoryEncoder(const TIsoImage& e);
    TDirectoryEncoder(const TDirectoryEncoder&) = delete;
    TDirectoryEncoder& operator=(const TDirectoryEncoder&) = delete;

    // Bytes this encoder yields in all: the extents of both trees and the padding.
    int64_t Size() const { return FSize; }
    int64_t Remaining() const { return FSize - FDone; }
    // Copies the next bytes (at most Count, fewer only at the end); returns the count.
    size_t Read(uint8_t* Dest, size_t Count);
    // The bytes that follow the file data (the UDF bridge's last anchor), empty without it.
    std::vector<uint8_t> Tail() const;

private:
    // Encodes the next directory (or the padding) into FBuffer; false when nothing is left.
    bool Advance();

    const TIsoImage& E;
    uint8_t FNow[7];
    bool FJoliet;      // whether a Joliet tree follows the ISO tree
    bool FUdf;         // whether the UDF tree follows them
    bool FUdfFileSetDone = false;
    int32_t FDirCount; // directories taken at construction
    int64_t FPadBytes; // zeros after the extents
    int64_t FSize = 0;
    int64_t FDone = 0;
    // Position in the sequence: tree 0 (ISO), 1 (Joliet), 2 (UDF), then 3 for the padding.
    int FTree = 0;
    int32_t FNextDir = 0;
    std::vector<uint8_t> FBuffer;
    size_t FBufferPos = 0;
};

} // namespace tarnwick

// The directory extents of both trees written into the header stream, and the assembly of the
// header: in memory whole, or up to the directory extents for a job that streams them.
#include <vector>

#include "engine/image/IsoFormat.h"
#include "engine/image/DirectoryEncoder.h"
#include "engine/image/IsoLib.h"
#include "engine/write/VornBurner.h"
#include "platform/Time.h"

namespace tarnwick {

namespace {

// Writes the extents of one tree, one per directory in DirTable order.
void WriteTree(TVornBurner& e, bool joliet, int32_t dirArea, int32_t firstFile) {
    uint8_t now[7];
    const TDateTime at = e.ImageNow();
    EncodeRecordDate(at, RecordZoneOffset(at), now);
    std::vector<uint8_t> extent;
    for (int32_t i = 0; i < e.DirCount; ++i) {
        EncodeDirectoryExtent(e, e.DirTable[size_t(i)], joliet, dirArea, firstFile, now, extent);
        e.HeaderStream.Write(extent.data(), extent.size());
    }
}

} // namespace

void TVornBurner::WriteIsoDirectories(int32_t DirArea, int32_t FirstFile) { WriteTree(*this, false, DirArea, FirstFile); }

void TVornBurner::WriteJolietDirectories(int32_t DirArea, int32_t FirstFile) {
    WriteTree(*this, true, DirArea, FirstFile);
}

void TVornBurner::BeginImageHeader(bool ImageOnly, TDEntry* Dir) {
    HeaderImageOnly = ImageOnly;
    HeaderDir = Dir;
    HeaderStream.Clear();
    HeaderStream.WriteZeros(size_t(iso::kSystemAreaSectors) * iso::kSector);
    WritePrimaryDescriptor();
    if (FJolietFileSystem) WriteJolietDescriptor();
    WriteTerminator();
    if (UdfOn()) WriteUdfVolumeStructures();
    WriteIsoPathTable(IsoDirArea, false);
    WriteIsoPathTable(IsoDirArea, true);
    if (FJolietFileSystem) {
        WriteJolietPathTable(JolietDirArea, false);
        WriteJolietPathTable(JolietDirArea, true);
    }
    ImageSectors = EndLBA - StartLBA;
    SetDoDebug(true);
}

bool TVornBurner::BuildImageHeader(bool ImageOnly, TDEntry* Dir) {
    if (CompilationInUse()) return false;
    BeginImageHeader(ImageOnly, Dir);
    TDirectoryEncoder directories(*this);
    HeaderStream.Reserve(size_t(HeaderStream.Size() + directories.Size()));
    std::vector<uint8_t> chunk(65536);
    while (const size_t n = directories.Read(chunk.data(), chunk.size())) HeaderStream.Write(chunk.data(), n);
    return true;
}

} // namespace tarnwick

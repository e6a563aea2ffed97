// The assembly of the header from its writers: in memory whole, or up to the directory
// extents for a job that streams them.
#include <vector>

#include "engine/image/IsoFormat.h"
#include "engine/image/DirectoryEncoder.h"
#include "engine/image/IsoLib.h"
#include "engine/image/UdfFormat.h"
#include "engine/image/IsoImage.h"

namespace tarnwick {

std::vector<TIsoImage::THeaderWriter> TIsoImage::HeaderWriters() {
    std::vector<THeaderWriter> w;
    w.push_back({"system area", iso::kSystemAreaSectors,
                 [this] { HeaderStream.WriteZeros(size_t(iso::kSystemAreaSectors) * iso::kSector); }});
    w.push_back({"primary volume descriptor", 1, [this] { WritePrimaryDescriptor(); }});
    if (Options.Joliet) w.push_back({"Joliet volume descriptor", 1, [this] { WriteJolietDescriptor(); }});
    w.push_back({"terminator", 1, [this] { WriteTerminator(); }});
    if (Options.UdfOn()) {
        // Recognition sequence, descriptor sequences and the first anchor, up to sector 256,
        // from where the pieces before it end.
        int64_t at = 0;
        for (const THeaderWriter& before : w) at += before.Sectors;
        w.push_back({"UDF volume structures", udf::kAnchorSector + 1 - at, [this] { WriteUdfVolumeStructures(); }});
    }
    const int64_t isoTable = BytesToSectors(Layout.PathTableSize);
    w.push_back({"path table L", isoTable, [this] { WriteIsoPathTable(Layout.IsoDirArea, false); }});
    w.push_back({"path table M", isoTable, [this] { WriteIsoPathTable(Layout.IsoDirArea, true); }});
    if (Options.Joliet) {
        const int64_t joliet = BytesToSectors(Layout.JolietPathTableSize);
        w.push_back({"Joliet path table L", joliet, [this] { WriteJolietPathTable(Layout.JolietDirArea, false); }});
        w.push_back({"Joliet path table M", joliet, [this] { WriteJolietPathTable(Layout.JolietDirArea, true); }});
    }
    return w;
}

void TIsoImage::BeginImageHeader(bool ImageOnly, TDEntry* Dir) {
    HeaderImageOnly = ImageOnly;
    HeaderDir = Dir;
    HeaderStream.Clear();
    // Each piece takes exactly the sectors it was laid out with, so the data after it starts
    // where the descriptors point even when the tree changed after the layout.
    for (const THeaderWriter& w : HeaderWriters()) {
        const int64_t end = HeaderStream.Size() + w.Sectors * int64_t(iso::kSector);
        w.Write();
        if (HeaderStream.Size() != end) HeaderStream.SetSize(end);
        HeaderStream.SetPosition(end);
    }
}

void TIsoImage::BuildImageHeader(bool ImageOnly, TDEntry* Dir) {
    BeginImageHeader(ImageOnly, Dir);
    AppendDirectoryExtents();
}

void TIsoImage::AppendDirectoryExtents() {
    TDirectoryEncoder directories(*this);
    HeaderStream.Reserve(size_t(HeaderStream.Size() + directories.Size()));
    std::vector<uint8_t> chunk(65536);
    while (const size_t n = directories.Read(chunk.data(), chunk.size())) HeaderStream.Write(chunk.data(), n);
}

} // namespace tarnwick

#pragma once
// TIsoImage: the image made of one compilation. It lays the compilation out (the layout value
// and the sectors of the entries) and encodes the structures that come before the file data
// into the header stream, as an ordered list of writers of known size; the directory extents
// follow them through TDirectoryEncoder. It holds no drive and no job.
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/MemoryStream.h"
#include "engine/image/Compilation.h"
#include "engine/image/Entries.h"
#include "engine/image/ImageLayout.h"
#include "engine/image/ImageOptions.h"

namespace tarnwick {

// Whole sectors of 2048 bytes that hold Bytes.
int64_t BytesToSectors(int64_t Bytes);

class TIsoImage {
public:
    using TLog = std::function<void(const std::string& Message, uint8_t Type)>;
    TIsoImage(TCompilation& ACompilation, TLog ALog);
    TIsoImage(const TIsoImage&) = delete;
    TIsoImage& operator=(const TIsoImage&) = delete;

    TCompilation& Compilation;
    TImageOptions Options;
    TImageLayout Layout;
    TMemoryStream HeaderStream;

    // ---- Layout (Layout.cpp) ------------------------------------------------------------------
    // Lays the compilation out; false when it has no directory (nothing is laid out then).
    bool LayoutCompilation();
    // Fits every entry's identifiers into one-byte record lengths.
    void AssignIdentifiers();
    // Puts IsoPathOrder and JolietPathOrder into path-table order and numbers the directories.
    void OrderPathTables();
    // The steps of LayoutCompilation, in order: path-table sizes, directory extents, the
    // sectors of the structures (and the UDF tree), the file data.
    void LayoutPathTables();
    void LayoutDirectoryExtents();
    void LayoutStructureSectors();
    void LayoutFileData();

    // ---- UDF bridge (UdfLayout.cpp, UdfDescriptors.cpp, UdfTree.cpp) ---------------------------
    // Names that had to be cut for CS0; every other entry's UDF name is its long name.
    std::unordered_map<const TFEntry*, std::u16string> UdfCutNames;
    std::u16string UdfName(const TFEntry* f) const;
    void AssignUdfNames();
    // Lays the tree out from firstSector; returns its sectors.
    int64_t LayoutUdfTree(int64_t firstSector);
    int32_t UdfZoneMinutes() const;
    int64_t UdfPartitionLength() const;
    int64_t UdfNextUniqueId() const { return 16 + Layout.UdfArea - 257 + Layout.UdfSectors; }
    void PutUdfAnchor(uint8_t* sector, uint32_t location) const;
    void WriteUdfSequence(int32_t at);
    void PutUdfPrimaryVd(uint8_t* sector, uint32_t vdsn, uint32_t location, const std::u16string& volume);
    void WriteUdfVolumeStructures();
    // The bytes after the file data: zeros and the last anchor.
    std::vector<uint8_t> UdfTail() const;

    // ---- DVD-Video (DvdVideoLayout.cpp) ------------------------------------------------------
    // The root's VIDEO_TS folder, whether it holds VIDEO_TS.IFO, and where each of its files
    // goes (sectors from VIDEO_TS.IFO, ascending).
    struct TDvdPlacement {
        TFEntry* F;
        int64_t Sector;
    };
    TDEntry* VideoTsDir();
    bool HoldsDvdVideo();
    std::vector<TDvdPlacement> PlanDvdVideo();

    // ---- Dates (ImageDates.cpp) ----------------------------------------------------------------
    // The moment of the image (the directories' own records), a record's date, a volume
    // descriptor's date, a UDF descriptor's date: the date limit applied.
    TDateTime ImageNow() const;
    TDateTime ImageRecordDate(TDateTime dt) const;
    TDateTime ImageVolumeDate(TDateTime dt) const;
    TDateTime ImageZonedVolumeDate(TDateTime dt) const;

    // ---- Encoding (Encoding*.cpp) --------------------------------------------------------------
    // One piece of the header in image order: its size is known before it writes a byte.
    struct THeaderWriter {
        const char* Name;
        int64_t Sectors;
        std::function<void()> Write;
    };
    // The pieces up to the directory extents: system area, volume descriptors (with the UDF
    // volume structures when the bridge is on), path tables.
    std::vector<THeaderWriter> HeaderWriters();
    // Writes them into HeaderStream; the directory extents follow (TDirectoryEncoder).
    void BeginImageHeader(bool ImageOnly, TDEntry* Dir);
    // The whole header in memory: BeginImageHeader and the directory extents.
    void BuildImageHeader(bool ImageOnly, TDEntry* Dir);
    // Encodes the directory extents (and the padding after them) onto the end of HeaderStream.
    void AppendDirectoryExtents();
    void WritePrimaryDescriptor();
    void WriteJolietDescriptor();
    void WriteTerminator();
    void WriteIsoPathTable(int32_t BaseSector, bool BigEndian);
    void WriteJolietPathTable(int32_t BaseSector, bool BigEndian);
    bool HeaderImageOnly = true; // kept with the job's settings by BeginImageHeader
    TDEntry* HeaderDir = nullptr;

private:
    TLog FLog;
    void Log(const std::string& Message, uint8_t Type) const {
        if (FLog) FLog(Message, Type);
    }
    // A finding of the layout, which runs more than once per job: logged once per compilation.
    void LogOnce(const std::string& Message, uint8_t Type) {
        if (Compilation.FirstNote(Message)) Log(Message, Type);
    }
};

} // namespace tarnwick

#pragma once
// TVornBurner: the burning engine. Adds to the device side (TSCSIDevice) the compilation,
// its layout and encoding, and the jobs.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/GuardedString.h"
#include "engine/JobState.h"
#include "engine/MemoryStream.h"
#include "engine/device/ScsiDevice.h"
#include "engine/image/DirectoryEncoder.h"
#include "engine/image/Entries.h"
#include "engine/write/CacheSource.h"
#include "platform/Files.h"

namespace tarnwick {

class TVornBurner : public TSCSIDevice {
public:
    explicit TVornBurner(TComponent* owner = nullptr);
    ~TVornBurner() override;

    // ---- Published properties and events ------------------------------------------------
    bool ReplaceFile() const { return FReplaceFile; }
    void SetReplaceFile(bool v) { FReplaceFile = v; }
    bool FinalizeTrack() const { return FFinalizeTrack; }
    void SetFinalizeTrack(bool v) { FFinalizeTrack = v; }
    bool PerformOPC() const { return FPerformOPC; }
    void SetPerformOPC(bool v) { FPerformOPC = v; }
    const std::string& IdVolume() const { return FIdVolume; }
    void SetIdVolume(const std::string& v) { FIdVolume = v; }
    const std::string& IdSystem() const { return FIdSystem; }
    void SetIdSystem(const std::string& v) { FIdSystem = v; }
    const std::string& IdVolumeSet() const { return FIdVolumeSet; }
    void SetIdVolumeSet(const std::string& v) { FIdVolumeSet = v; }
    const std::string& IdPublisher() const { return FIdPublisher; }
    void SetIdPublisher(const std::string& v) { FIdPublisher = v; }
    const std::string& IdPreparer() const { return FIdPreparer; }
    void SetIdPreparer(const std::string& v) { FIdPreparer = v; }
    const std::string& IdApplication() const { return FIdApplication; }
    void SetIdApplication(const std::string& v) { FIdApplication = v; }
    const std::string& FileCopyright() const { return FFileCopyright; }
    void SetFileCopyright(const std::string& v) { FFileCopyright = v; }
    const std::string& FileAbstract() const { return FFileAbstract; }
    void SetFileAbstract(const std::string& v) { FFileAbstract = v; }
    const std::string& FileBibliographic() const { return FFileBibliographic; }
    void SetFileBibliographic(const std::string& v) { FFileBibliographic = v; }
    TDateTime DateCreation() const { return FDateCreation; }
    void SetDateCreation(TDateTime v) { FDateCreation = v; }
    TDateTime DateModification() const { return FDateModification; }
    void SetDateModification(TDateTime v) { FDateModification = v; }
    // Reproducible images: no date in an image is later than this moment (seconds since 1970,
    // UTC). Unset (the default), the dates are written as they are.
    std::optional<int64_t> DateLimit() const { return FDateLimit; }
    void SetDateLimit(std::optional<int64_t> v) { FDateLimit = v; }
    // The dates an image gets, the limit applied (engine/image/ImageDates.cpp): the moment of
    // the image (the directories' own records), a record's date, a volume descriptor's date.
    TDateTime ImageNow() const;
    TDateTime ImageRecordDate(TDateTime dt) const;
    TDateTime ImageVolumeDate(TDateTime dt) const;
    TDateTime ImageZonedVolumeDate(TDateTime dt) const;
    int32_t CacheSize() const { return FCacheSize; }
    void SetCacheSize(int32_t v);
    const std::string& ISOFileName() const { return FISOFileName; }
    void SetISOFileName(const std::string& v) { FISOFileName = v; }
    bool JolietFileSystem() const { return FJolietFileSystem; }
    void SetJolietFileSystem(bool v) { FJolietFileSystem = v; }
    std::string Version() const { return "1.21"; }
    void SetVersion(const std::string&) {} // read-only in effect
    // A UDF 1.02 bridge beside the ISO 9660 and Joliet trees (the same file data serves all).
    bool UDFBridge() const { return FUDFBridge; }
    void SetUDFBridge(bool v) { FUDFBridge = v; }
    // VIDEO_TS placed where its IFOs say, first among the files; implies the bridge.
    bool DVDVideo() const { return FDVDVideo; }
    void SetDVDVideo(bool v) { FDVDVideo = v; }
    bool UdfOn() const { return FUDFBridge || FDVDVideo; }
    bool WritePostGap() const { return FWritePostGap; }
    void SetWritePostGap(bool v) { FWritePostGap = v; }
    // Reading discs: compare the disc with its image after a burn; write zeros for sectors
    // that stay unreadable instead of ending the read; further tries of a failed READ.
    bool VerifyAfterBurn() const { return FVerifyAfterBurn; }
    void SetVerifyAfterBurn(bool v) { FVerifyAfterBurn = v; }
    bool SkipUnreadable() const { return FSkipUnreadable; }
    void SetSkipUnreadable(bool v) { FSkipUnreadable = v; }
    uint32_t ReadRetries() const { return FReadRetries; }
    void SetReadRetries(uint32_t v) { FReadRetries = v; }

    TOnAddFile OnAddFile;
    TOnAddDir OnAddDir;
    TOnWriteDone OnWriteDone;
    TNotifyEvent OnFinalizingTrack;

    // ---- Compilation tree -----------------------------------------------------------------
    bool LastFolderOnly = false;
    std::string ApplicationUseText;

    bool ClearCompilation(int32_t MaxFiles, int32_t MaxDirs);
    bool InitCompilation();
    TDEntry* NewDirEntry();
    TFEntry* NewFileEntry();
    TDEntry* FindDir(const std::string& Path);
    TFEntry* FindFile(TDEntry* Dir, const std::string& LongName);
    TDEntry* AddDirEntry(TDEntry* Parent, const platform::TSearchRec& SR);
    TDEntry* CreateDir(TDEntry* Parent, const std::string& Name, int32_t Attr);
    TDEntry* ForceDir(const std::string& Path);
    bool AddFileEntry(TDEntry* Dir, const platform::TSearchRec& SR, const std::string& SourcePath);
    bool AddFolder(const std::string& DestPath, const std::string& SourcePath, const std::string& Mask,
                   int32_t Attr, bool Recurse, bool AppendSourcePath, bool ArchiveOnly);
    bool AddFolderTree(TDEntry* Dir, const std::string& SourcePath, const std::string& Mask, int32_t Attr,
                       bool Recurse, bool AppendSourcePath, bool ArchiveOnly);
    bool RemoveDir(TDEntry*& Dir);
    bool RemoveFile(const std::string& DirPath, const std::string& LongName);
    bool RemoveEntry(TDEntry* Dir, TFEntry* F);

    std::vector<TFEntry*> FileTable;
    std::vector<TDEntry*> DirTable;
    std::vector<TDEntry*> IsoPathOrder;
    std::vector<TDEntry*> JolietPathOrder;
    int32_t FileCount = 0;
    int32_t DirCount = 0;
    int32_t MaxFiles = 0;
    int32_t MaxDirs = 0;
    int8_t TimeZoneOffset = 0; // signed 15-minute intervals from GMT, captured by ClearCompilation
    // Entries left out of the image or renamed in it since the last ClearCompilation, one
    // line each as the log shows it; hosts list them after a job.
    std::vector<std::string> EntryNotes;
    // Logs such an entry (type 4, once per distinct line) and keeps the line in EntryNotes.
    void NoteEntry(const std::string& Text);

private:
    // Lookup indexes beside the tables (FindDir and FindFile must not scan): full path ->
    // directory, and (directory, long name without regard to ASCII case) -> first such child
    // in list order. A child is indexed by itself: its name is read from the entry, which
    // keeps it while indexed (a rename takes the entry out first), so no copy is held.
    struct TChildRef {
        const TDEntry* Dir;
        TFEntry* F;
    };
    struct TChildProbe {
        const TDEntry* Dir;
        std::string_view Name;
    };
    struct TChildHash {
        using is_transparent = void;
        size_t operator()(const TChildRef& r) const { return Of(r.Dir, r.F->LongName); }
        size_t operator()(const TChildProbe& p) const { return Of(p.Dir, p.Name); }
        static size_t Of(const TDEntry* Dir, std::string_view Name);
    };
    struct TChildEqual {
        using is_transparent = void;
        static bool Same(const TDEntry* a, std::string_view an, const TDEntry* b, std::string_view bn);
        template <typename A, typename B>
        bool operator()(const A& a, const B& b) const { return Same(a.Dir, NameOf(a), b.Dir, NameOf(b)); }
        static std::string_view NameOf(const TChildRef& r) { return r.F->LongName; }
        static std::string_view NameOf(const TChildProbe& p) { return p.Name; }
    };
    std::unordered_map<std::string, TDEntry*> FDirIndex;
    int32_t FDirIndexed = 1;          // DirTable slots below this are in FDirIndex
    bool FDirIndexDuplicates = false; // two directories share a path (only a hand-built tree)
    std::unordered_set<TChildRef, TChildHash, TChildEqual> FChildIndex;
    bool FListingReports = false; // listing warnings of the running folder scan go to the log
    bool FFilesRefused = false;   // a folder add lost files to the full file table
    std::unordered_set<std::string> FNoted; // lines of EntryNotes

    enum class TScan { Continue, Stop };
    void FreeCompilation();
    void IndexDirs();
    void IndexChild(TDEntry* Dir, TFEntry* F);
    void UnindexChild(TDEntry* Dir, TFEntry* F);
    TFEntry* FirstChildNamed(TDEntry* Dir, std::string_view Name, const TFEntry* Except);
    void AppendChild(TDEntry* Dir, TFEntry* F);
    void UnlinkChild(TDEntry* Dir, TFEntry* F);
    void RemoveFromTables(const std::vector<TDEntry*>& Dirs, const std::vector<TFEntry*>& Files);
    platform::TSearchRec Listable(TDEntry* Dir, const platform::TSearchRec& Entry, const std::string& SourcePath,
                                  const std::vector<platform::TSearchRec>& Listing);
    TScan ScanFolder(TDEntry* Dir, std::string SourcePath, const std::string& Mask, int32_t Attr, bool Recurse,
                     bool AppendSourcePath, bool ArchiveOnly);
    // The parts of ScanFolder: the folder a source path goes to (created; nullptr, logged, when
    // it cannot be), one listing of a source folder, and the pass over its subfolders.
    TDEntry* ScanDestination(TDEntry* Dir, const std::string& SourcePath);
    std::vector<platform::TSearchRec> ListSourceFolder(const std::string& Pattern, uint32_t Attr);
    TScan ScanSubfolders(TDEntry* Dir, const std::string& SourcePath, const std::vector<platform::TSearchRec>& listing,
                         const std::string& Mask, int32_t Attr, bool ArchiveOnly);

public:
    // ---- Layout ------------------------------------------------------------------------------
    bool PrepareCompilation(bool ImageOnly, TDEntry* Dir);
    bool LayoutCompilation(bool ImageOnly, TDEntry* Dir);
    static int64_t BytesToSectors(int64_t Bytes);
    // Fits every entry's identifiers into one-byte record lengths (see Layout.cpp).
    void AssignIdentifiers();
    // Puts IsoPathOrder and JolietPathOrder into path-table order and numbers the directories.
    void OrderPathTables();
    // The steps of LayoutCompilation, in order: path-table sizes, directory extents, the
    // sectors of the structures (and the UDF tree), the file data.
    void LayoutPathTables();
    void LayoutDirectoryExtents();
    void LayoutStructureSectors();
    void LayoutFileData();

    int32_t PathTableL = 0, PathTableM = 0, JolietPathTableL = 0, JolietPathTableM = 0;
    int32_t PathTableSize = 0, JolietPathTableSize = 0;
    int32_t IsoDirArea = 0, JolietDirArea = 0;
    int64_t IsoDirBytes = 0, JolietDirBytes = 0;
    int64_t PadSectors = 0;
    int32_t FirstFileSector = 0;
    int64_t FileSectors = 0;

    // ---- UDF bridge (see UdfLayout.cpp, UdfDescriptors.cpp, UdfTree.cpp) ---------------------
    int32_t UdfArea = 0;         // absolute sector of the file set descriptor
    int64_t UdfSectors = 0;      // sectors of the UDF tree
    int64_t UdfTailSectors = 0;  // sectors after the file data, the last anchor last
    int64_t UdfFileEntries = 0;  // File Entries of the tree (directories and files)
    // Names that had to be cut for CS0; every other entry's UDF name is its long name.
    std::unordered_map<const TFEntry*, std::u16string> UdfCutNames;
    std::u16string UdfName(const TFEntry* f) const;
    void AssignUdfNames();
    // Lays the tree out from firstSector; returns its sectors.
    int64_t LayoutUdfTree(int64_t firstSector);
    int32_t UdfZoneMinutes() const;
    int64_t UdfPartitionLength() const;
    int64_t UdfNextUniqueId() const { return 16 + UdfArea - 257 + UdfSectors; }
    void PutUdfAnchor(uint8_t* sector, uint32_t location) const;
    void WriteUdfSequence(int32_t at);
    void PutUdfPrimaryVd(uint8_t* sector, uint32_t vdsn, uint32_t location, const std::u16string& volume);
    void WriteUdfVolumeStructures();
    // DVD-Video (DvdVideoLayout.cpp): the root's VIDEO_TS folder, whether it holds
    // VIDEO_TS.IFO, and where each of its files goes (sectors from VIDEO_TS.IFO, ascending).
    struct TDvdPlacement {
        TFEntry* F;
        int64_t Sector;
    };
    TDEntry* VideoTsDir();
    bool HoldsDvdVideo();
    std::vector<TDvdPlacement> PlanDvdVideo();
    // The bytes after the file data: zeros and the last anchor.
    std::vector<uint8_t> UdfTail() const;

    // ---- Encoding -------------------------------------------------------------------------------
    bool BuildImageHeader(bool ImageOnly, TDEntry* Dir);
    // The header up to the directory extents (system area, descriptors, path tables) into
    // HeaderStream; the image-file job streams the extents after it (TDirectoryEncoder).
    void BeginImageHeader(bool ImageOnly, TDEntry* Dir);
    void WritePrimaryDescriptor();
    void WriteJolietDescriptor();
    void WriteTerminator();
    void WriteIsoPathTable(int32_t BaseSector, bool BigEndian);
    void WriteJolietPathTable(int32_t BaseSector, bool BigEndian);
    void WriteIsoDirectories(int32_t DirArea, int32_t FirstFile);
    void WriteJolietDirectories(int32_t DirArea, int32_t FirstFile);
    bool HeaderImageOnly = true;    // kept with the job's settings by BuildImageHeader
    TDEntry* HeaderDir = nullptr;

    // ---- Jobs --------------------------------------------------------------------------------
    bool BurnImageFile(const std::string& FileName);
    // Erases the disc in the selected drive on a thread of its own (BLANK on CD-RW and DVD-RW,
    // FORMAT UNIT on DVD+RW and DVD-RAM); ends with OnWriteDone like the other jobs.
    bool EraseDisc(bool Full);
    int32_t CreateImageFile(const std::string& FileName);
    bool StartWriteThread(bool ToImageFile);
    // A 1:1 copy of the disc in the selected drive into an image file (ReadDisc.cpp).
    bool ReadDiscToImageFile(const std::string& FileName);
    // Compares an image file with the disc in the selected drive (VerifyJob.cpp).
    bool VerifyImageFile(const std::string& FileName);
    // Sectors written as zeros by the last read job (SkipUnreadable).
    std::atomic<int64_t> UnreadableSectors{0};
    // The image file of the running burn, read again by the verify after it.
    std::string BurnedImageName;
    void AbortWrite();
    int64_t GetTrackSectors() const;
    void DoWriteDone();
    // True while DoWriteDone runs OnWriteDone: the job's threads wait for it to return, so
    // they cannot end before.
    bool ReportingEnd() const { return FReportingEnd.load(); }
    // True while a job of this engine has threads that have not ended.
    bool JobRunning() const;
    // This engine's job: its threads, abort flag and disc type. Engines never share one.
    TJobState& Job() { return FJob; }
    const TJobState& Job() const { return FJob; }
    // True while an image-file job reads the compilation: its tables and entries must not
    // change under the cache thread. Logs the refusal.
    bool CompilationInUse();
    bool FJobReadsCompilation = false;
    // Counts the calls refused (with msg::JobAlreadyRunning) because a job still ran: a caller
    // compares it before and after a step to tell a refusal from the step's own failure.
    uint32_t Refusals() const { return FRefusals; }
    // True (the refusal logged and counted) while a job of this engine has running threads.
    bool RefuseWhileRunning();
    // Destruction: aborts this engine's running job and waits for its threads, running the
    // main-thread queue meanwhile so the write thread can report. OnWriteDone is not raised
    // (its owner is going away). Called first by the destructor.
    void EndJobs();

    // Starts the cache thread of a new job and waits until it is full; false (OnWriteDone
    // raised) when it failed first. Directories, when given, follows HeaderStream in the image.
    bool StartCache(int32_t BlockSize, const std::string& ImageFileName,
                    std::unique_ptr<TDirectoryEncoder> Directories = nullptr,
                    std::unique_ptr<ICacheSource> Reader = nullptr);

    TMemoryStream HeaderStream;
    int64_t ImageSectors = 0;
    int32_t StartLBA = 0;
    int64_t EndLBA = 0;
    // Read by the main thread (progress) while the write thread counts.
    std::atomic<int64_t> BytesWritten{0};
    // The drive's progress through an erase or format, 0 to 65536; -1 before the first report.
    std::atomic<int32_t> EraseProgress{-1};
    TGuardedString CurrentFile;
    std::string LastWriteError; // written by the write thread before DoWriteDone runs
    std::atomic<bool> Destroying{false};

private:
    TJobState FJob;
    uint32_t FRefusals = 0;
    std::atomic<bool> FReportingEnd{false};

protected:
    bool FReplaceFile = false;
    bool FFinalizeTrack = true;
    bool FPerformOPC = false;
    std::string FIdVolume, FIdSystem, FIdVolumeSet, FIdPublisher, FIdPreparer, FIdApplication;
    std::string FFileCopyright, FFileAbstract, FFileBibliographic;
    TDateTime FDateCreation = 0, FDateModification = 0;
    std::optional<int64_t> FDateLimit;
    int32_t FCacheSize = 4194304;
    std::string FISOFileName;
    bool FJolietFileSystem = true;
    bool FWritePostGap = true;
    bool FUDFBridge = false;
    bool FDVDVideo = false;
    bool FVerifyAfterBurn = false;
    bool FSkipUnreadable = false;
    uint32_t FReadRetries = 3;
};

} // namespace tarnwick

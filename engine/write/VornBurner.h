#pragma once
// TVornBurner: the burning engine. Adds to the device side (TSCSIDevice) the compilation,
// its layout and encoding, and the jobs.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/GuardedString.h"
#include "engine/JobState.h"
#include "engine/device/ScsiDevice.h"
#include "engine/image/Compilation.h"
#include "engine/image/DirectoryEncoder.h"
#include "engine/image/Entries.h"
#include "engine/image/IsoImage.h"
#include "engine/write/CacheSource.h"
#include "platform/Files.h"

namespace tarnwick {

class TVornBurner : public TSCSIDevice {
public:
    explicit TVornBurner(TComponent* owner = nullptr);
    ~TVornBurner() override;

    // ---- Published properties and events ------------------------------------------------
    bool ReplaceFile() const { return FCompilation.ReplaceFile; }
    void SetReplaceFile(bool v) { FCompilation.ReplaceFile = v; }
    bool FinalizeTrack() const { return FFinalizeTrack; }
    void SetFinalizeTrack(bool v) { FFinalizeTrack = v; }
    bool PerformOPC() const { return FPerformOPC; }
    void SetPerformOPC(bool v) { FPerformOPC = v; }
    const std::string& IdVolume() const { return Options().IdVolume; }
    void SetIdVolume(const std::string& v) { Options().IdVolume = v; }
    const std::string& IdSystem() const { return Options().IdSystem; }
    void SetIdSystem(const std::string& v) { Options().IdSystem = v; }
    const std::string& IdVolumeSet() const { return Options().IdVolumeSet; }
    void SetIdVolumeSet(const std::string& v) { Options().IdVolumeSet = v; }
    const std::string& IdPublisher() const { return Options().IdPublisher; }
    void SetIdPublisher(const std::string& v) { Options().IdPublisher = v; }
    const std::string& IdPreparer() const { return Options().IdPreparer; }
    void SetIdPreparer(const std::string& v) { Options().IdPreparer = v; }
    const std::string& IdApplication() const { return Options().IdApplication; }
    void SetIdApplication(const std::string& v) { Options().IdApplication = v; }
    const std::string& FileCopyright() const { return Options().FileCopyright; }
    void SetFileCopyright(const std::string& v) { Options().FileCopyright = v; }
    const std::string& FileAbstract() const { return Options().FileAbstract; }
    void SetFileAbstract(const std::string& v) { Options().FileAbstract = v; }
    const std::string& FileBibliographic() const { return Options().FileBibliographic; }
    void SetFileBibliographic(const std::string& v) { Options().FileBibliographic = v; }
    TDateTime DateCreation() const { return Options().DateCreation; }
    void SetDateCreation(TDateTime v) { Options().DateCreation = v; }
    TDateTime DateModification() const { return Options().DateModification; }
    void SetDateModification(TDateTime v) { Options().DateModification = v; }
    // Reproducible images: no date in an image is later than this moment (seconds since 1970,
    // UTC). Unset (the default), the dates are written as they are.
    std::optional<int64_t> DateLimit() const { return Options().DateLimit; }
    void SetDateLimit(std::optional<int64_t> v) { Options().DateLimit = v; }
    int32_t CacheSize() const { return FCacheSize; }
    void SetCacheSize(int32_t v);
    const std::string& ISOFileName() const { return FISOFileName; }
    void SetISOFileName(const std::string& v) { FISOFileName = v; }
    bool JolietFileSystem() const { return Options().Joliet; }
    void SetJolietFileSystem(bool v) { Options().Joliet = v; }
    std::string Version() const { return "1.21"; }
    void SetVersion(const std::string&) {} // read-only in effect
    // A UDF 1.02 bridge beside the ISO 9660 and Joliet trees (the same file data serves all).
    bool UDFBridge() const { return Options().UDFBridge; }
    void SetUDFBridge(bool v) { Options().UDFBridge = v; }
    // VIDEO_TS placed where its IFOs say, first among the files; implies the bridge.
    bool DVDVideo() const { return Options().DVDVideo; }
    void SetDVDVideo(bool v) { Options().DVDVideo = v; }
    bool UdfOn() const { return Options().UdfOn(); }
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
    // Engine settings that are not published.
    bool LastFolderOnly() const { return FCompilation.LastFolderOnly; }
    void SetLastFolderOnly(bool v) { FCompilation.LastFolderOnly = v; }
    const std::string& ApplicationUseText() const { return Options().ApplicationUseText; }
    void SetApplicationUseText(const std::string& v) { Options().ApplicationUseText = v; }

    TOnAddFile OnAddFile;
    TOnAddDir OnAddDir;
    TOnWriteDone OnWriteDone;
    TNotifyEvent OnFinalizingTrack;

    // ---- The compilation, its layout and its header ---------------------------------------------
    // The tree (engine/image/Compilation.h) and the image made of it (IsoImage.h): the tables,
    // the layout's figures and the header stream live there.
    TCompilation& Compilation() { return FCompilation; }
    const TCompilation& Compilation() const { return FCompilation; }
    TIsoImage& Image() { return FImage; }
    const TIsoImage& Image() const { return FImage; }
    TImageOptions& Options() { return FImage.Options; }
    const TImageOptions& Options() const { return FImage.Options; }
    const TImageLayout& Layout() const { return FImage.Layout; }
    // Entries left out of the image or renamed in it since the last ClearCompilation.
    const std::vector<std::string>& EntryNotes() const { return FCompilation.EntryNotes; }

    // The tree's operations, refused (with msg::JobAlreadyRunning) while an image job reads it.
    bool ClearCompilation(int32_t MaxFiles, int32_t MaxDirs);
    bool InitCompilation() { return ClearCompilation(65535, 8191); }
    TDEntry* NewDirEntry() { return FCompilation.NewDirEntry(); }
    TFEntry* NewFileEntry() { return FCompilation.NewFileEntry(); }
    TDEntry* FindDir(const std::string& Path) { return FCompilation.FindDir(Path); }
    TFEntry* FindFile(TDEntry* Dir, const std::string& LongName) { return FCompilation.FindFile(Dir, LongName); }
    TDEntry* AddDirEntry(TDEntry* Parent, const platform::TSearchRec& SR) { return FCompilation.AddDirEntry(Parent, SR); }
    TDEntry* CreateDir(TDEntry* Parent, const std::string& Name, int32_t Attr) {
        return FCompilation.CreateDir(Parent, Name, Attr);
    }
    TDEntry* ForceDir(const std::string& Path) { return FCompilation.ForceDir(Path); }
    bool AddFileEntry(TDEntry* Dir, const platform::TSearchRec& SR, const std::string& SourcePath) {
        return FCompilation.AddFileEntry(Dir, SR, SourcePath);
    }
    bool AddFolder(const std::string& DestPath, const std::string& SourcePath, const std::string& Mask, int32_t Attr,
                   bool Recurse, bool AppendSourcePath, bool ArchiveOnly) {
        return FCompilation.AddFolder(DestPath, SourcePath, Mask, Attr, Recurse, AppendSourcePath, ArchiveOnly);
    }
    bool AddFolderTree(TDEntry* Dir, const std::string& SourcePath, const std::string& Mask, int32_t Attr,
                       bool Recurse, bool AppendSourcePath, bool ArchiveOnly) {
        return FCompilation.AddFolderTree(Dir, SourcePath, Mask, Attr, Recurse, AppendSourcePath, ArchiveOnly);
    }
    bool RemoveDir(TDEntry*& Dir) { return FCompilation.RemoveDir(Dir); }
    bool RemoveFile(const std::string& DirPath, const std::string& LongName) {
        return FCompilation.RemoveFile(DirPath, LongName);
    }
    bool RemoveEntry(TDEntry* Dir, TFEntry* F) { return FCompilation.RemoveEntry(Dir, F); }

    // Layout and header (engine/write/ImageSteps.cpp): the compilation laid out, and the
    // structures before the file data encoded into the image's header stream.
    bool PrepareCompilation(bool ImageOnly, TDEntry* Dir) { return LayoutCompilation(ImageOnly, Dir); }
    bool LayoutCompilation(bool ImageOnly, TDEntry* Dir);
    static int64_t BytesToSectors(int64_t Bytes) { return tarnwick::BytesToSectors(Bytes); }
    bool BuildImageHeader(bool ImageOnly, TDEntry* Dir);
    // The header up to the directory extents (system area, descriptors, path tables); the
    // image-file job streams the extents after it (TDirectoryEncoder).
    void BeginImageHeader(bool ImageOnly, TDEntry* Dir);
    // The root's VIDEO_TS folder holds VIDEO_TS.IFO.
    bool HoldsDvdVideo() { return FImage.HoldsDvdVideo(); }

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
    void AbortWrite();
    int64_t GetTrackSectors() const;
    void DoWriteDone();
    // Ends a job in its entry, before any of its threads runs: the result is kept and
    // OnWriteDone raised with its text.
    void EndAtEntry(TJobResultKind Kind, const std::string& Text);
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
    // raised) when it failed first. Directories, when given, follows the header in the image.
    bool StartCache(int32_t BlockSize, const std::string& ImageFileName,
                    std::unique_ptr<TDirectoryEncoder> Directories = nullptr,
                    std::unique_ptr<ICacheSource> Reader = nullptr);

    // The job's figures, kept in its TJobState (whose threads write them), for the front ends.
    int64_t ImageSectors() const { return FJob.ImageSectors; }
    int64_t BytesWritten() const { return FJob.BytesWritten.load(); }
    int32_t EraseProgress() const { return FJob.EraseProgress.load(); }
    std::string CurrentFile() const { return FJob.CurrentFile.Get(); }
    const std::string& LastWriteError() const { return FJob.LastWriteError; }
    // How the last job that reported its end ended; read it in or after OnWriteDone.
    const TJobResult& LastJobResult() const { return FJob.LastResult; }
    // The running (or last) job is the image-file job, which reads the compilation.
    bool JobReadsCompilation() const { return FJobReadsCompilation; }
    int64_t UnreadableSectors() const { return FJob.UnreadableSectors.load(); }

private:
    bool FJobReadsCompilation = false;
    std::atomic<bool> Destroying{false};
    TCompilation FCompilation;
    TIsoImage FImage;
    TJobState FJob;
    uint32_t FRefusals = 0;
    std::atomic<bool> FReportingEnd{false};

protected:
    bool FFinalizeTrack = true;
    bool FPerformOPC = false;
    int32_t FCacheSize = 4194304;
    std::string FISOFileName;
    bool FWritePostGap = true;
    bool FVerifyAfterBurn = false;
    bool FSkipUnreadable = false;
    uint32_t FReadRetries = 3;
};

} // namespace tarnwick

#pragma once
// TVornBurner: the burning engine. Adds to the device side (TSCSIDevice) the compilation,
// its layout and encoding, and the jobs.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/GuardedString.h"
#include "engine/MemoryStream.h"
#include "engine/device/ScsiDevice.h"
#include "engine/image/Entries.h"
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
    int32_t CacheSize() const { return FCacheSize; }
    void SetCacheSize(int32_t v);
    const std::string& ISOFileName() const { return FISOFileName; }
    void SetISOFileName(const std::string& v) { FISOFileName = v; }
    bool JolietFileSystem() const { return FJolietFileSystem; }
    void SetJolietFileSystem(bool v) { FJolietFileSystem = v; }
    std::string Version() const { return "1.21"; }
    void SetVersion(const std::string&) {} // read-only in effect
    bool WritePostGap() const { return FWritePostGap; }
    void SetWritePostGap(bool v) { FWritePostGap = v; }

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

    // ---- Layout ------------------------------------------------------------------------------
    bool PrepareCompilation(bool ImageOnly, TDEntry* Dir);
    bool LayoutCompilation(bool ImageOnly, TDEntry* Dir);
    static int64_t BytesToSectors(int64_t Bytes);

    int32_t PathTableL = 0, PathTableM = 0, JolietPathTableL = 0, JolietPathTableM = 0;
    int32_t PathTableSize = 0, JolietPathTableSize = 0;
    int32_t IsoDirArea = 0, JolietDirArea = 0;
    int64_t IsoDirBytes = 0, JolietDirBytes = 0;
    int64_t PadSectors = 0;
    int32_t FirstFileSector = 0;
    int64_t FileSectors = 0;

    // ---- Encoding -------------------------------------------------------------------------------
    bool BuildImageHeader(bool ImageOnly, TDEntry* Dir);

    // ---- Jobs --------------------------------------------------------------------------------
    bool BurnImageFile(const std::string& FileName);
    int32_t CreateImageFile(const std::string& FileName);
    bool StartWriteThread(bool ToImageFile);
    void AbortWrite();
    int64_t GetTrackSectors() const;
    void DoWriteDone();
    // True while a job of this engine has threads that have not ended.
    bool JobRunning() const;
    // Destruction: aborts this engine's running job and waits for its threads, running the
    // main-thread queue meanwhile so the write thread can report. OnWriteDone is not raised
    // (its owner is going away). Called first by the destructor.
    void EndJobs();

    // Starts the cache thread of a new job and waits until it is full; false (OnWriteDone
    // raised) when it failed first.
    bool StartCache(int32_t BlockSize, const std::string& ImageFileName);

    TMemoryStream HeaderStream;
    int64_t ImageSectors = 0;
    int32_t StartLBA = 0;
    int64_t EndLBA = 0;
    // Read by the main thread (progress) while the write thread counts.
    std::atomic<int64_t> BytesWritten{0};
    TGuardedString CurrentFile;
    std::string LastWriteError; // written by the write thread before DoWriteDone runs
    std::atomic<bool> Destroying{false};

protected:
    bool FReplaceFile = false;
    bool FFinalizeTrack = true;
    bool FPerformOPC = false;
    std::string FIdVolume, FIdSystem, FIdVolumeSet, FIdPublisher, FIdPreparer, FIdApplication;
    std::string FFileCopyright, FFileAbstract, FFileBibliographic;
    TDateTime FDateCreation = 0, FDateModification = 0;
    int32_t FCacheSize = 4194304;
    std::string FISOFileName;
    bool FJolietFileSystem = true;
    bool FWritePostGap = true;
};

} // namespace tarnwick

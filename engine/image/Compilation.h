#pragma once
// TCompilation: the tree an image is made of. Its tables, the lookup indexes beside them, and
// the operations that add, find and remove entries, with the limits and their messages. It
// knows nothing of drives or jobs: the engine that owns it passes in how to log, whether a job
// reads the tree just now, and its add events.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/image/Entries.h"
#include "platform/Files.h"

namespace tarnwick {

struct TCompilationHooks {
    // A log line with its type (the engine's debug messages).
    std::function<void(const std::string& Message, uint8_t Type)> Log;
    // True, the refusal logged, while a job reads the tree: it must not change then.
    std::function<bool()> InUse;
    // The add events: a file or folder offered, its names changeable, Skip leaves it out.
    std::function<void(const std::string& FullPath, std::string& LongName, std::string& ShortName,
                       TDateTime& DateTime, int32_t Attr, int64_t Size, bool& Skip)>
        AddFile;
    std::function<void(std::string& LongName, std::string& ShortName, bool& Skip)> AddDir;
};

class TCompilation {
public:
    explicit TCompilation(TCompilationHooks Hooks = {});
    ~TCompilation();
    TCompilation(const TCompilation&) = delete;
    TCompilation& operator=(const TCompilation&) = delete;

    // Settings of the add: a file of a name already present replaces that entry; a folder
    // added with its source path keeps only the last folder of that path.
    bool ReplaceFile = false;
    bool LastFolderOnly = false;

    bool ClearCompilation(int32_t MaxFiles, int32_t MaxDirs);
    TDEntry* NewDirEntry();
    TFEntry* NewFileEntry();
    TDEntry* FindDir(const std::string& Path);
    TFEntry* FindFile(TDEntry* Dir, const std::string& LongName);
    // KeepCase (a folder scan): a listed folder whose name differs only in letter case from
    // one present (a case-sensitive file system) becomes a folder of its own, not merged.
    TDEntry* AddDirEntry(TDEntry* Parent, const platform::TSearchRec& SR, bool KeepCase = false);
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
    // Empties EntryNotes (the notes of an earlier compilation).
    void ForgetNotes();
    // True the first time Text is noted since the compilation was cleared: for messages that
    // steps run more than once per job would repeat.
    bool FirstNote(const std::string& Text) { return FNoted.insert(Text).second; }

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
    TCompilationHooks FHooks;
    std::unordered_map<std::string, TDEntry*> FDirIndex;
    int32_t FDirIndexed = 1;          // DirTable slots below this are in FDirIndex
    bool FDirIndexDuplicates = false; // two directories share a path (only a hand-built tree)
    std::unordered_set<TChildRef, TChildHash, TChildEqual> FChildIndex;
    bool FListingReports = false; // listing warnings of the running folder scan go to the log
    bool FFilesRefused = false;   // a folder add lost files to the full file table
    bool FScannedEmptyFolder = false; // the folder ScanFolder just scanned was empty at its source
    std::unordered_set<std::string> FNoted; // lines of EntryNotes, and the notes logged once

    enum class TScan { Continue, Stop };
    void DebugMessage(const std::string& Message, uint8_t Type) const;
    bool CompilationInUse() const { return FHooks.InUse && FHooks.InUse(); }
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
};

} // namespace tarnwick

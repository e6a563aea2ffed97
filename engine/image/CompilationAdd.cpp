// Adding a source folder to the compilation: the destination derived from the source path,
// the directory pass (sub-folders first, depth first) and the file pass of each folder.
#include "engine/device/Messages.h"
#include "engine/image/Compilation.h"
#include "engine/image/CompilationMessages.h"
#include "engine/image/IsoLib.h"
#include "platform/Shell.h"

#include <algorithm>
#include <vector>

namespace tarnwick {

namespace {

bool IsDrivePath(const std::string& s) { return s.size() >= 2 && s[1] == ':'; }

bool EndsWithDelimiter(const std::string& s) {
    if (s.empty()) return false;
    // On Linux '\' is an ordinary file-name character, except in a drive-letter path.
    return s.back() == platform::PathDelim || (s.back() == '\\' && IsDrivePath(s));
}

// The compilation path a source path stands for when AppendSourcePath is set.
std::string DestinationFromSource(const std::string& source) {
    std::string s;
    if (source.compare(0, 2, "\\\\") == 0) { // \\server\share\rest keeps \rest
        size_t server = source.find('\\', 2);
        size_t share = server == std::string::npos ? std::string::npos : source.find('\\', server + 1);
        s = share == std::string::npos ? std::string() : source.substr(share);
    } else if (IsDrivePath(source)) {
        s = source.substr(2);
    } else {
        s = source;
        // A Linux name holding '\\' stays one name: the compilation's delimiter is '\\'.
        if (platform::PathDelim != '\\')
            for (char& c : s)
                if (c == '\\') c = '_';
    }
    for (char& c : s)
        if (c == platform::PathDelim) c = '\\';
    if (s.empty() || s.front() != '\\') s.insert(s.begin(), '\\');
    return s;
}

// On Linux '\' is a name character, but the compilation's paths are '\' delimited: such a
// name would merge with a sub-folder ("a\b" with "a" / "b"). Empty when the name is fine.
std::string WithoutBackslash(const std::string& name) {
    if (platform::PathDelim == '\\' || name.find('\\') == std::string::npos) return std::string();
    std::string out = name;
    for (char& c : out)
        if (c == '\\') c = '_';
    return out;
}

} // namespace

// The listed entry with a name the compilation can hold, made unique in Dir when changed.
// Listed names of the folder count as taken: a real "a_b" may come later in the listing.
platform::TSearchRec TCompilation::Listable(TDEntry* Dir, const platform::TSearchRec& Entry,
                                           const std::string& SourcePath,
                                           const std::vector<platform::TSearchRec>& Listing) {
    std::string name = WithoutBackslash(Entry.Name);
    if (name.empty()) return Entry;
    platform::TSearchRec r = Entry;
    const bool isDir = Entry.Attr & platform::faDirectory;
    auto free = [&](const std::string& n) {
        const std::string key = isDir || n.find('.') != std::string::npos ? n : n + ".";
        if (FindFile(Dir, key) || FindDir(Dir->FullPath + "\\" + n)) return false;
        for (const platform::TSearchRec& other : Listing)
            if (UpperCase(other.Name) == UpperCase(n)) return false;
        return true;
    };
    std::string candidate = name;
    const size_t dot = isDir ? std::string::npos : name.rfind('.');
    for (int k = 1; !free(candidate); ++k) {
        candidate = name;
        candidate.insert(dot == std::string::npos ? candidate.size() : dot, "~" + std::to_string(k));
    }
    r.Name = candidate;
    NoteEntry(msg::Format(msg::NameChanged, SourcePath));
    return r;
}

bool TCompilation::AddFolder(const std::string& DestPath, const std::string& SourcePath, const std::string& Mask,
                            int32_t Attr, bool Recurse, bool AppendSourcePath, bool ArchiveOnly) {
    if (CompilationInUse()) return false;
    TDEntry* dir = FindDir(DestPath);
    if (!dir) {
        DebugMessage(msg::InvalidDestinationPath, 4);
        return false;
    }
    return AddFolderTree(dir, SourcePath, Mask, Attr, Recurse, AppendSourcePath, ArchiveOnly);
}

bool TCompilation::AddFolderTree(TDEntry* Dir, const std::string& SourcePath, const std::string& Mask, int32_t Attr,
                                bool Recurse, bool AppendSourcePath, bool ArchiveOnly) {
    if (!Dir) {
        DebugMessage(msg::InvalidDestinationPath, 4);
        return false;
    }
    // Entries the listing cannot put into the image (links to folders, special files,
    // unreadable folders) are reported in the log while this add runs.
    auto previous = platform::SetListingWarningHook([this](const std::string& text) {
        if (FListingReports) NoteEntry(text);
    });
    FFilesRefused = false;
    TScan r = ScanFolder(Dir, SourcePath, Mask, Attr, Recurse, AppendSourcePath, ArchiveOnly);
    platform::SetListingWarningHook(std::move(previous));
    FListingReports = false;
    // False when the add stopped (a limit, a bad destination) or lost files to a full table;
    // a file that was skipped or already present does not make the add fail.
    return r == TScan::Continue && !FFilesRefused;
}

TDEntry* TCompilation::ScanDestination(TDEntry* Dir, const std::string& SourcePath) {
    if (platform::PathDelim != '\\' && !IsDrivePath(SourcePath) && SourcePath.find('\\') != std::string::npos)
        NoteEntry(msg::Format(msg::NameChanged, SourcePath));
    std::string dest = DestinationFromSource(SourcePath);
    if (Dir != DirTable[0]) dest = Dir->FullPath + dest;
    if (LastFolderOnly) {
        size_t cut = dest.size() >= 2 ? dest.rfind('\\', dest.size() - 2) : std::string::npos;
        if (cut != std::string::npos) dest = dest.substr(cut);
    }
    while (dest.size() > 1 && dest.back() == '\\') dest.pop_back();
    ForceDir(dest);
    Dir = FindDir(dest);
    if (!Dir) DebugMessage(msg::InvalidDestinationPath, 4);
    return Dir;
}

std::vector<platform::TSearchRec> TCompilation::ListSourceFolder(const std::string& Pattern, uint32_t Attr) {
    std::vector<platform::TSearchRec> listing;
    platform::TSearchRec sr;
    platform::TFindHandle h;
    FListingReports = true; // each folder's warnings once: in the pass that lists it
    for (int rc = platform::FindFirst(Pattern, Attr, sr, h); rc == 0; rc = platform::FindNext(h, sr))
        listing.push_back(sr);
    FListingReports = false;
    platform::FindClose(h);
    return listing;
}

TCompilation::TScan TCompilation::ScanSubfolders(TDEntry* Dir, const std::string& SourcePath,
                                               const std::vector<platform::TSearchRec>& listing,
                                               const std::string& Mask, int32_t Attr, bool ArchiveOnly) {
    for (const platform::TSearchRec& entry : listing) {
        if (!(entry.Attr & platform::faDirectory) || entry.Name == "." || entry.Name == "..") continue;
        std::string longName = entry.Name;
        std::string shortName = entry.AlternateName.empty() ? UpperCase(entry.Name) : entry.AlternateName;
        bool skip = false;
        // Names changed by the handler are not applied: the directory keeps the listed names.
        if (FHooks.AddDir) FHooks.AddDir(longName, shortName, skip);
        if (skip) continue;
        if (Dir->Level == 255) { // the level is one byte: deeper folders cannot be recorded
            NoteEntry(msg::Format(msg::FolderTooDeep, SourcePath + entry.Name));
            continue;
        }
        TDEntry* sub = AddDirEntry(Dir, Listable(Dir, entry, SourcePath + entry.Name, listing), true);
        if (!sub) return TScan::Stop;
        if (sub->Level == 9 && FirstNote(msg::FoldersDeep)) DebugMessage(msg::FoldersDeep, 0);
        if (entry.Name == "Installer") platform::MessageBeep(0);
        TScan r = ScanFolder(sub, SourcePath + entry.Name, Mask, Attr, true, false, ArchiveOnly);
        // A folder empty at its source is kept (a copy has the source's folders, an empty
        // AUDIO_TS too); one whose every entry was left out (skipped by a handler, outside the
        // mask, unreadable) is not recorded.
        if (!sub->FirstChild && !FScannedEmptyFolder) RemoveDir(sub);
        if (r == TScan::Stop) return TScan::Stop;
    }
    return TScan::Continue;
}

TCompilation::TScan TCompilation::ScanFolder(TDEntry* Dir, std::string SourcePath, const std::string& Mask,
                                           int32_t Attr, bool Recurse, bool AppendSourcePath, bool ArchiveOnly) {
    if (AppendSourcePath) {
        Dir = ScanDestination(Dir, SourcePath);
        if (!Dir) return TScan::Stop;
    }
    // One delimiter through the whole path, so messages name it as the user would write it.
    if (!EndsWithDelimiter(SourcePath)) SourcePath += platform::DelimiterOf(SourcePath);
    const std::string mask = Mask.empty() ? "*.*" : Mask;

    // With Recurse the folder is read once: the directory pass and the file pass work on the
    // same listing, the file pass selecting by mask and attributes as FindFirst does.
    std::vector<platform::TSearchRec> listing;
    bool emptyFolder = false;
    if (Recurse) {
        // Empty: nothing listed but "." and "..", and the listing reported nothing it left out.
        const size_t notes = EntryNotes.size();
        listing = ListSourceFolder(SourcePath + "*.*", platform::faAnyFile);
        emptyFolder = EntryNotes.size() == notes && std::all_of(listing.begin(), listing.end(), [](const auto& e) {
                          return e.Name == "." || e.Name == "..";
                      });
        if (ScanSubfolders(Dir, SourcePath, listing, Mask, Attr, ArchiveOnly) == TScan::Stop) return TScan::Stop;
    } else {
        listing = ListSourceFolder(SourcePath + mask, uint32_t(Attr));
    }
    FScannedEmptyFolder = emptyFolder; // after the sub-folders' scans, for this folder's caller

    constexpr uint32_t kSpecial = platform::faHidden | platform::faSysFile | platform::faVolumeID | platform::faDirectory;
    for (const platform::TSearchRec& entry : listing) {
        if (Recurse && ((entry.Attr & ~uint32_t(Attr) & kSpecial) || !platform::MatchesMask(entry.Name, mask)))
            continue;
        if (entry.Name == "." || entry.Name == ".." || (entry.Attr & platform::faDirectory)) continue;
        if (ArchiveOnly && !(entry.Attr & platform::faArchive)) continue;
        if (!AddFileEntry(Dir, Listable(Dir, entry, SourcePath + entry.Name, listing), SourcePath + entry.Name) &&
            FileCount >= MaxFiles)
            FFilesRefused = true;
    }
    return TScan::Continue;
}

} // namespace tarnwick

// Adding a source folder to the compilation: the destination derived from the source path,
// the directory pass (sub-folders first, depth first) and the file pass of each folder.
#include "engine/device/Messages.h"
#include "engine/image/CompilationMessages.h"
#include "engine/image/IsoLib.h"
#include "engine/write/VornBurner.h"
#include "platform/Shell.h"

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
    }
    for (char& c : s)
        if (c == platform::PathDelim) c = '\\';
    if (s.empty() || s.front() != '\\') s.insert(s.begin(), '\\');
    return s;
}

} // namespace

bool TVornBurner::AddFolder(const std::string& DestPath, const std::string& SourcePath, const std::string& Mask,
                            int32_t Attr, bool Recurse, bool AppendSourcePath, bool ArchiveOnly) {
    if (CompilationInUse()) return false;
    TDEntry* dir = FindDir(DestPath);
    if (!dir) {
        DebugMessage(msg::InvalidDestinationPath, 4);
        return false;
    }
    return AddFolderTree(dir, SourcePath, Mask, Attr, Recurse, AppendSourcePath, ArchiveOnly);
}

bool TVornBurner::AddFolderTree(TDEntry* Dir, const std::string& SourcePath, const std::string& Mask, int32_t Attr,
                                bool Recurse, bool AppendSourcePath, bool ArchiveOnly) {
    if (!Dir) {
        DebugMessage(msg::InvalidDestinationPath, 4);
        return false;
    }
    // Entries the listing cannot put into the image (links to folders, special files,
    // unreadable folders) are reported in the log while this add runs.
    auto previous = platform::SetListingWarningHook([this](const std::string& text) {
        if (FListingReports) DebugMessage(">>> " + text, 4);
    });
    FFilesRefused = false;
    TScan r = ScanFolder(Dir, SourcePath, Mask, Attr, Recurse, AppendSourcePath, ArchiveOnly);
    platform::SetListingWarningHook(std::move(previous));
    FListingReports = false;
    // False when the add stopped (a limit, a bad destination) or lost files to a full table;
    // a file that was skipped or already present does not make the add fail.
    return r == TScan::Continue && !FFilesRefused;
}

TVornBurner::TScan TVornBurner::ScanFolder(TDEntry* Dir, std::string SourcePath, const std::string& Mask,
                                           int32_t Attr, bool Recurse, bool AppendSourcePath, bool ArchiveOnly) {
    if (AppendSourcePath) {
        std::string dest = DestinationFromSource(SourcePath);
        if (Dir != DirTable[0]) dest = Dir->FullPath + dest;
        if (LastFolderOnly) {
            size_t cut = dest.size() >= 2 ? dest.rfind('\\', dest.size() - 2) : std::string::npos;
            if (cut != std::string::npos) dest = dest.substr(cut);
        }
        while (dest.size() > 1 && dest.back() == '\\') dest.pop_back();
        ForceDir(dest);
        Dir = FindDir(dest);
        if (!Dir) {
            DebugMessage(msg::InvalidDestinationPath, 4);
            return TScan::Stop;
        }
    }
    if (!EndsWithDelimiter(SourcePath)) SourcePath += platform::PathDelim;
    const std::string mask = Mask.empty() ? "*.*" : Mask;

    // With Recurse the folder is read once: the directory pass and the file pass work on the
    // same listing, the file pass selecting by mask and attributes as FindFirst does.
    std::vector<platform::TSearchRec> listing;
    platform::TSearchRec sr;
    platform::TFindHandle h;
    if (Recurse) {
        FListingReports = true; // each folder's warnings once: in the pass that lists folders
        for (int rc = platform::FindFirst(SourcePath + "*.*", platform::faAnyFile, sr, h); rc == 0;
             rc = platform::FindNext(h, sr))
            listing.push_back(sr);
        FListingReports = false;
        platform::FindClose(h);
        for (const platform::TSearchRec& entry : listing) {
            if (!(entry.Attr & platform::faDirectory) || entry.Name == "." || entry.Name == "..") continue;
            std::string longName = entry.Name;
            std::string shortName = entry.AlternateName.empty() ? UpperCase(entry.Name) : entry.AlternateName;
            bool skip = false;
            // Names changed by the handler are not applied: the directory keeps the listed names.
            if (OnAddDir) OnAddDir(this, longName, shortName, skip);
            if (skip) continue;
            if (Dir->Level == 255) { // the level is one byte: deeper folders cannot be recorded
                DebugMessage(">>> " + msg::Format(msg::FolderTooDeep, SourcePath + entry.Name), 4);
                continue;
            }
            TDEntry* sub = AddDirEntry(Dir, entry);
            if (!sub) return TScan::Stop;
            if (entry.Name == "Installer") platform::MessageBeep(0);
            TScan r = ScanFolder(sub, SourcePath + entry.Name, Mask, Attr, Recurse, false, ArchiveOnly);
            // Empty folders, and folders whose every file was left out, are not recorded.
            if (!sub->FirstChild) RemoveDir(sub);
            if (r == TScan::Stop) return TScan::Stop;
        }
    } else {
        FListingReports = true;
        for (int rc = platform::FindFirst(SourcePath + mask, uint32_t(Attr), sr, h); rc == 0;
             rc = platform::FindNext(h, sr))
            listing.push_back(sr);
        FListingReports = false;
        platform::FindClose(h);
    }

    constexpr uint32_t kSpecial = platform::faHidden | platform::faSysFile | platform::faVolumeID | platform::faDirectory;
    for (const platform::TSearchRec& entry : listing) {
        if (Recurse && ((entry.Attr & ~uint32_t(Attr) & kSpecial) || !platform::MatchesMask(entry.Name, mask)))
            continue;
        if (entry.Name == "." || entry.Name == ".." || (entry.Attr & platform::faDirectory)) continue;
        if (ArchiveOnly && !(entry.Attr & platform::faArchive)) continue;
        if (!AddFileEntry(Dir, entry, SourcePath + entry.Name) && FileCount >= MaxFiles) FFilesRefused = true;
    }
    return TScan::Continue;
}

} // namespace tarnwick

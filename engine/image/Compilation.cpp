// The compilation tree: its tables, lookups (indexed by hash maps beside the tables, so
// adding 600000 files does not turn quadratic) and the operations that add and remove
// single entries.
#include <algorithm>
#include <unordered_set>
#include <utility>

#include "engine/device/Messages.h"
#include "engine/image/Compilation.h"
#include "engine/image/CompilationMessages.h"
#include "engine/image/IsoLib.h"
#include "engine/image/IsoFormat.h"
#include "engine/image/Layout.h"
#include "platform/Time.h"

namespace tarnwick {

namespace {
bool IsDirEntry(const TFEntry* f) { return IsDirectoryEntry(f); }

// Tables hold their entries in slots 0 .. count-1 and may be longer (slots freed by a removal
// stay, empty); a new entry takes the next slot, growing the table when it has none.
template <typename T>
void PutSlot(std::vector<T*>& table, int32_t slot, T* entry) {
    if (size_t(slot) >= table.size()) table.resize(size_t(slot) + 1, nullptr);
    table[size_t(slot)] = entry;
}

TDateTime ListedTime(uint32_t dos) {
    TDateTime dt;
    if (platform::DosDateTimeToDateTime(dos, dt)) return dt;
    return platform::Now();
}
} // namespace

TCompilation::TCompilation(TCompilationHooks Hooks) : FHooks(std::move(Hooks)) {}

TCompilation::~TCompilation() { FreeCompilation(); }

void TCompilation::DebugMessage(const std::string& Message, uint8_t Type) const {
    if (FHooks.Log) FHooks.Log(Message, Type);
}

void TCompilation::FreeCompilation() {
    for (int32_t i = 0; i < FileCount; ++i) delete FileTable[size_t(i)];
    for (int32_t i = 0; i < DirCount; ++i) delete DirTable[size_t(i)];
    FileTable.clear();
    DirTable.clear();
    IsoPathOrder.clear();
    JolietPathOrder.clear();
    FileCount = DirCount = 0;
    FDirIndex.clear();
    FChildIndex.clear();
    FDirIndexed = 1;
    FDirIndexDuplicates = false;
}

void TCompilation::NoteEntry(const std::string& Text) {
    if (!FNoted.insert(Text).second) return; // the layout runs more than once per job
    EntryNotes.push_back(Text);
    DebugMessage(">>> " + Text, 4);
}

void TCompilation::ForgetNotes() {
    EntryNotes.clear();
    FNoted.clear();
}

bool TCompilation::ClearCompilation(int32_t NewMaxFiles, int32_t NewMaxDirs) {
    if (CompilationInUse()) return false;
    ForgetNotes();
    // The offset in force now; record dates take the one of their own moment (RecordZoneOffset).
    TimeZoneOffset = int8_t(-platform::TimeZoneBias() / 15);
    FreeCompilation();
    MaxFiles = std::max(NewMaxFiles, 0);
    MaxDirs = std::max(NewMaxDirs, 1); // the root always has its slot
    // The tables grow with the entries: the limits are often far above what is added (the
    // window allows 600000 files), and slots sized up front would cost memory for nothing.
    FileTable.clear();
    FileTable.shrink_to_fit();
    DirTable.clear();
    DirTable.shrink_to_fit();
    IsoPathOrder.clear();
    IsoPathOrder.shrink_to_fit();
    JolietPathOrder.clear();
    JolietPathOrder.shrink_to_fit();
    TDEntry* root = NewDirEntry();
    root->ShortName = "CD_ROOT";
    root->LongName = "CD Root Directory";
    root->FullPath = "\\";
    root->Level = 1;
    root->Parent = root;
    return true;
}


TDEntry* TCompilation::NewDirEntry() {
    if (DirCount >= MaxDirs) {
        DebugMessage(">>> " + msg::Format(msg::MaxDirectories, MaxDirs), 3);
        return nullptr;
    }
    auto* d = new TDEntry();
    PutSlot(DirTable, DirCount, d);
    PutSlot(IsoPathOrder, DirCount, d);
    PutSlot(JolietPathOrder, DirCount, d);
    ++DirCount;
    return d;
}

TFEntry* TCompilation::NewFileEntry() {
    if (FileCount >= MaxFiles) {
        DebugMessage(msg::Format(msg::MaxFiles, MaxFiles), 3);
        return nullptr;
    }
    auto* f = new TFEntry();
    PutSlot(FileTable, FileCount++, f);
    return f;
}

// Directories are indexed lazily from a watermark: a new directory's FullPath is filled in
// after NewDirEntry, so it is taken into the index at the next lookup.
void TCompilation::IndexDirs() {
    for (int32_t i = std::max(FDirIndexed, 1); i < DirCount; ++i) {
        TDEntry* d = DirTable[size_t(i)];
        if (!FDirIndex.emplace(d->FullPath, d).second) FDirIndexDuplicates = true; // first slot wins
    }
    FDirIndexed = std::max(DirCount, 1);
}

TDEntry* TCompilation::FindDir(const std::string& Path) {
    if (DirCount == 0) return nullptr;
    if (Path.empty() || Path == "\\") return DirTable[0];
    std::string key = Path;
    if (key.back() == '\\') key.pop_back();
    key = UpperCase(key);
    IndexDirs();
    auto it = FDirIndex.find(key);
    if (it == FDirIndex.end()) return nullptr;
    if (it->second->FullPath != key) { // a path changed behind the index: rebuild it once
        FDirIndex.clear();
        FDirIndexed = 1;
        FDirIndexDuplicates = false;
        IndexDirs();
        it = FDirIndex.find(key);
        return it == FDirIndex.end() ? nullptr : it->second;
    }
    return it->second;
}

// Names compare and hash as UpperCase sees them: only ASCII a-z fold.
namespace {
inline unsigned char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : static_cast<unsigned char>(c); }
} // namespace

size_t TCompilation::TChildHash::Of(const TDEntry* Dir, std::string_view Name) {
    // FNV-1a over the folded name, mixed with the directory's address.
    uint64_t h = 1469598103934665603ull ^ uint64_t(reinterpret_cast<uintptr_t>(Dir));
    for (char c : Name) {
        h ^= Fold(c);
        h *= 1099511628211ull;
    }
    return size_t(h ^ (h >> 32));
}

bool TCompilation::TChildEqual::Same(const TDEntry* a, std::string_view an, const TDEntry* b, std::string_view bn) {
    if (a != b || an.size() != bn.size()) return false;
    for (size_t i = 0; i < an.size(); ++i)
        if (Fold(an[i]) != Fold(bn[i])) return false;
    return true;
}

void TCompilation::IndexChild(TDEntry* Dir, TFEntry* F) {
    auto [it, inserted] = FChildIndex.insert(TChildRef{Dir, F});
    if (inserted || it->F == F) return;
    // Two children of one name (a file and a folder added separately): the first in the list
    // is the one found. A new child is the last, so this walk only runs for a renamed one.
    for (const TFEntry* c = F->Next; c; c = c->Next)
        if (c == it->F) {
            FChildIndex.erase(it);
            FChildIndex.insert(TChildRef{Dir, F});
            return;
        }
}

TFEntry* TCompilation::FirstChildNamed(TDEntry* Dir, std::string_view Name, const TFEntry* Except) {
    for (TFEntry* c = Dir->FirstChild; c; c = c->Next)
        if (c != Except && TChildEqual::Same(Dir, c->LongName, Dir, Name)) return c;
    return nullptr;
}

void TCompilation::UnindexChild(TDEntry* Dir, TFEntry* F) {
    auto it = FChildIndex.find(TChildProbe{Dir, F->LongName});
    if (it == FChildIndex.end() || it->F != F) return;
    FChildIndex.erase(it);
    // Another child of the same name (possible only through renaming handlers) takes over.
    if (TFEntry* other = FirstChildNamed(Dir, F->LongName, F)) FChildIndex.insert(TChildRef{Dir, other});
}

TFEntry* TCompilation::FindFile(TDEntry* Dir, const std::string& LongName) {
    if (!Dir) return nullptr;
    auto it = FChildIndex.find(TChildProbe{Dir, LongName});
    return it == FChildIndex.end() ? nullptr : it->F;
}

void TCompilation::AppendChild(TDEntry* Dir, TFEntry* F) {
    TFEntry* tail = Dir->LastChild;
    if (!tail || tail->Next) { // a list built by hand: find its end
        tail = Dir->FirstChild;
        while (tail && tail->Next) tail = tail->Next;
    }
    F->Next = nullptr;
    F->Prev = tail;
    if (tail)
        tail->Next = F;
    else
        Dir->FirstChild = F;
    Dir->LastChild = F;
}

void TCompilation::UnlinkChild(TDEntry* Dir, TFEntry* F) {
    TFEntry* prev = F->Prev;
    bool linked = prev ? prev->Next == F : Dir->FirstChild == F;
    if (!linked) { // not our bookkeeping: walk the list
        prev = nullptr;
        TFEntry* c = Dir->FirstChild;
        while (c && c != F) {
            prev = c;
            c = c->Next;
        }
        if (!c) return; // not a child of Dir
    }
    if (prev)
        prev->Next = F->Next;
    else
        Dir->FirstChild = F->Next;
    if (F->Next)
        F->Next->Prev = prev;
    if (Dir->LastChild == F) Dir->LastChild = prev;
    F->Next = F->Prev = nullptr;
}

namespace {
// Removes the given references from the first count slots of a table, keeping the order of
// the rest. A few are searched from the end, where a just-added entry lives; many are
// removed in one sweep.
template <typename T>
int32_t RemoveSlots(std::vector<T*>& table, int32_t count, const std::vector<T*>& gone, int32_t* belowMark,
                    int32_t mark) {
    int32_t removedBelow = 0;
    if (gone.size() <= 8) {
        for (T* g : gone) {
            for (int32_t i = count - 1; i >= 0; --i) {
                if (table[size_t(i)] != g) continue;
                std::move(table.begin() + i + 1, table.begin() + count, table.begin() + i);
                table[size_t(--count)] = nullptr;
                if (i < mark) ++removedBelow, --mark;
                break;
            }
        }
    } else {
        std::unordered_set<T*> set(gone.begin(), gone.end());
        int32_t out = 0;
        for (int32_t i = 0; i < count; ++i) {
            T* e = table[size_t(i)];
            if (set.count(e)) {
                if (i < mark) ++removedBelow;
                continue;
            }
            table[size_t(out++)] = e;
        }
        std::fill(table.begin() + out, table.begin() + count, nullptr);
        count = out;
    }
    if (belowMark) *belowMark = removedBelow;
    return count;
}
} // namespace

void TCompilation::RemoveFromTables(const std::vector<TDEntry*>& Dirs, const std::vector<TFEntry*>& Files) {
    if (!Files.empty()) FileCount = RemoveSlots(FileTable, FileCount, Files, nullptr, 0);
    if (Dirs.empty()) return;
    for (TDEntry* d : Dirs) {
        auto it = FDirIndex.find(d->FullPath);
        if (it != FDirIndex.end() && it->second == d) FDirIndex.erase(it);
    }
    int32_t below = 0;
    const int32_t count = DirCount;
    DirCount = RemoveSlots(DirTable, count, Dirs, &below, FDirIndexed);
    RemoveSlots(IsoPathOrder, count, Dirs, nullptr, 0);
    RemoveSlots(JolietPathOrder, count, Dirs, nullptr, 0);
    FDirIndexed = std::max(FDirIndexed - below, 1);
    if (FDirIndexDuplicates) { // a shadowed duplicate may now be the first: rebuild
        FDirIndex.clear();
        FDirIndexed = 1;
        FDirIndexDuplicates = false;
    }
}

TDEntry* TCompilation::AddDirEntry(TDEntry* Parent, const platform::TSearchRec& SR, bool KeepCase) {
    if (!Parent) return nullptr;
    std::string path = Parent->FullPath + "\\" + SR.Name;
    if (path.compare(0, 2, "\\\\") == 0) path = path.substr(1);
    if (TDEntry* existing = FindDir(path)) {
        if (!KeepCase) return existing;
        // The same folder listed again is the one present; one of another case (or inside
        // such a folder, whose path is the same) is new.
        for (TFEntry* c = Parent->FirstChild; c; c = c->Next)
            if (IsDirEntry(c) && c->Dir->LongName == SR.Name) return c->Dir;
    }
    if (DirCount >= MaxDirs) {
        DebugMessage(">>> " + msg::Format(msg::MaxDirectories, MaxDirs), 3);
        return nullptr;
    }
    if (FileCount >= MaxFiles) {
        DebugMessage(msg::Format(msg::MaxFiles, MaxFiles), 3);
        return nullptr;
    }
    TDEntry* d = NewDirEntry();
    TFEntry* f = NewFileEntry();
    AppendChild(Parent, f);
    const std::string shortName = SR.AlternateName.empty() ? UpperCase(SR.Name) : SR.AlternateName;
    d->ShortName = f->ShortName = shortName;
    d->LongName = f->LongName = SR.Name;
    d->Parent = Parent;
    d->Level = uint8_t(Parent->Level + 1);
    d->FullPath = BuildDirPath(d);
    f->Attr = int32_t(SR.Attr);
    f->IsoSize = f->JolietSize = 0;
    f->Dir = d;
    f->DateTime = ListedTime(SR.Time);
    IndexChild(Parent, f);
    if (CharCount(SR.Name) > iso::kMaxJolietIdentChars || shortName.size() > iso::kMaxIsoIdentBytes)
        NoteEntry(msg::Format(msg::NameShortened, d->FullPath));
    return d;
}

TDEntry* TCompilation::CreateDir(TDEntry* Parent, const std::string& Name, int32_t Attr) {
    if (CompilationInUse()) return nullptr;
    std::string name = Name;
    if (!name.empty() && name.front() == '\\') name.erase(0, 1);
    if (!name.empty() && name.back() == '\\') name.pop_back();
    platform::TSearchRec sr;
    sr.Name = name;
    sr.AlternateName = MakeAlternateName(name);
    sr.Attr = uint32_t(Attr);
    sr.Time = platform::DateTimeToDosDateTime(platform::Now());
    return AddDirEntry(Parent, sr);
}

TDEntry* TCompilation::ForceDir(const std::string& Path) {
    if (TDEntry* d = FindDir(Path)) return d;
    size_t cut = Path.rfind('\\');
    std::string before = cut == std::string::npos ? std::string() : Path.substr(0, cut);
    std::string after = cut == std::string::npos ? Path : Path.substr(cut + 1);
    TDEntry* parent = FindDir(before);
    if (!parent) parent = ForceDir(before);
    if (!parent) return nullptr;
    if (after.empty()) return parent;
    return CreateDir(parent, after, platform::faDirectory);
}

bool TCompilation::AddFileEntry(TDEntry* Dir, const platform::TSearchRec& SR, const std::string& SourcePath) {
    if (!Dir || CompilationInUse()) return false;
    std::string longName = SR.Name;
    if (!(SR.Attr & platform::faDirectory) && longName.find('.') == std::string::npos) longName += ".";
    TFEntry* existing = FindFile(Dir, longName);
    // An alternate name that is only the listed name upper-cased (the Linux listing gives one
    // for "readme") must not lose the dot just appended: "README." as for "README".
    const bool bareAlternate = longName != SR.Name && SR.AlternateName == UpperCase(SR.Name);
    std::string shortName = SR.AlternateName.empty() || bareAlternate ? UpperCase(longName) : SR.AlternateName;
    TDateTime dt = ListedTime(SR.Time);
    // A name too long for its record is not left out: the layout cuts it to a unique name
    // (reported below). Only a handler that sets Skip leaves the file out.
    bool skip = false;
    const std::string offeredKey = UpperCase(longName);
    if (FHooks.AddFile) FHooks.AddFile(SourcePath, longName, shortName, dt, int32_t(SR.Attr), SR.Size, skip);
    if (skip) return false;
    // A handler that renamed the file must not create a second child of one name: the entry
    // that holds the final name decides.
    if (UpperCase(longName) != offeredKey)
        if (TFEntry* clash = FindFile(Dir, longName)) existing = clash;

    TFEntry* f;
    bool reindex = true;
    if (existing && ReplaceFile && !IsDirEntry(existing)) {
        f = existing;
        reindex = UpperCase(f->LongName) != UpperCase(longName);
        if (reindex) UnindexChild(Dir, f);
    } else if (existing && (existing->LongName == longName || existing->SourcePath == SourcePath)) {
        // Already present: silent when it is the same source added again; a different file
        // of the very same name is reported.
        if (existing->SourcePath != SourcePath)
            NoteEntry(msg::Format(msg::DuplicateName, SourcePath));
        return false;
    } else {
        // New, or a name that differs from a present one in letter case only (a case-sensitive
        // file system): the Joliet and UDF trees hold both, the layout makes the ISO 9660 name
        // unique. Lookups by name find the first.

        f = NewFileEntry();
        if (!f) return false;
        AppendChild(Dir, f);
    }
    f->ShortName = UpperCase(shortName);
    f->LongName = longName;
    f->IsoSize = f->JolietSize = SR.Size;
    f->Attr = int32_t(SR.Attr);
    f->DateTime = dt;
    f->SourcePath = SourcePath;
    if (reindex) IndexChild(Dir, f);
    // The layout cuts the name to fit.
    if (CharCount(longName) > iso::kMaxJolietIdentChars - 2 || f->ShortName.size() > iso::kMaxIsoIdentBytes - 2)
        NoteEntry(msg::Format(msg::NameShortened, SourcePath));
    return true;
}

bool TCompilation::RemoveEntry(TDEntry* Dir, TFEntry* F) {
    if (!Dir || !F) return false;
    std::vector<TDEntry*> dirs;
    std::vector<TFEntry*> files{F};
    // Collect the sub-tree breadth-first, then take it out of the tables in one step.
    if (IsDirEntry(F)) {
        dirs.push_back(F->Dir);
        for (size_t i = 0; i < dirs.size(); ++i) {
            for (TFEntry* c = dirs[i]->FirstChild; c; c = c->Next) {
                files.push_back(c);
                auto it = FChildIndex.find(TChildProbe{dirs[i], c->LongName});
                if (it != FChildIndex.end()) FChildIndex.erase(it);
                if (IsDirEntry(c)) dirs.push_back(c->Dir);
            }
        }
    }
    UnindexChild(Dir, F);
    UnlinkChild(Dir, F);
    RemoveFromTables(dirs, files);
    for (TFEntry* f : files) delete f;
    for (TDEntry* d : dirs) delete d;
    return true;
}

bool TCompilation::RemoveFile(const std::string& DirPath, const std::string& LongName) {
    if (CompilationInUse()) return false;
    TDEntry* dir = FindDir(DirPath);
    if (!dir) return false;
    TFEntry* f = FindFile(dir, LongName);
    if (!f) return false;
    return RemoveEntry(dir, f);
}

bool TCompilation::RemoveDir(TDEntry*& Dir) {
    if (CompilationInUse()) return false;
    if (!Dir || DirCount == 0 || Dir == DirTable[0] || Dir->FullPath == "\\") return false;
    while (Dir->FirstChild) RemoveEntry(Dir, Dir->FirstChild);
    // The parent's entry for this directory is looked up by identity: a file of the same name
    // in the parent must not be taken for it. It is usually the newest child.
    TDEntry* parent = Dir->Parent;
    TFEntry* entry = parent ? parent->LastChild : nullptr;
    while (entry && entry->Dir != Dir) entry = entry->Prev;
    if (!entry && parent) {
        for (entry = parent->FirstChild; entry && entry->Dir != Dir; entry = entry->Next) {
        }
    }
    if (!entry) return false;
    RemoveEntry(parent, entry);
    Dir = nullptr;
    return true;
}

} // namespace tarnwick

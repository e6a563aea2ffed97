// Layout planning: identifiers that fit their records, path-table order and numbers, the
// sizes of path tables and directory extents, and the sector of every structure and file.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "engine/device/Messages.h"
#include "engine/image/CompilationMessages.h"
#include "engine/image/IsoFormat.h"
#include "engine/image/IsoLib.h"
#include "engine/image/Layout.h"
#include "engine/image/UdfFormat.h"
#include "engine/image/IsoImage.h"

namespace tarnwick {

int64_t BytesToSectors(int64_t Bytes) {
    if (Bytes == 0) return 0;
    return Bytes / 2048 + (Bytes % 2048 != 0 ? 1 : 0);
}

TIsoImage::TIsoImage(TCompilation& ACompilation, TLog ALog) : Compilation(ACompilation), FLog(std::move(ALog)) {}

int64_t RecordCount(const TFEntry* f) {
    if (IsDirectoryEntry(f) || f->IsoSize <= iso::kMaxExtentBytes) return 1;
    return (f->IsoSize + iso::kMaxExtentBytes - 1) / iso::kMaxExtentBytes;
}

namespace {

template <typename S>
S Upper(const S& s) {
    S out = s;
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<typename S::value_type>(c - 32);
    return out;
}

template <typename S>
S Literal(const char* text) {
    S out;
    for (const char* p = text; *p; ++p) out.push_back(static_cast<typename S::value_type>(*p));
    return out;
}

// Cuts a name to at most max units, keeping its extension when the extension is short
// enough, with "~k" before the extension for k > 0.
template <typename S>
S CutName(const S& name, size_t max, unsigned k) {
    size_t dot = name.rfind(static_cast<typename S::value_type>('.'));
    S ext = (dot != S::npos && name.size() - dot <= max / 2) ? name.substr(dot) : S();
    S base = ext.empty() ? name : name.substr(0, dot);
    S tail = k ? Literal<S>(("~" + std::to_string(k)).c_str()) : S();
    size_t room = max > ext.size() + tail.size() ? max - ext.size() - tail.size() : 0;
    return base.substr(0, room) + tail + ext;
}

template <typename S>
bool DotsOnly(const S& name) {
    if (name.empty()) return false;
    for (auto c : name)
        if (c != static_cast<typename S::value_type>('.')) return false;
    return true;
}

// Gives every child of one directory an identifier (name + suffix) of at most max units;
// names that fit keep theirs, the others are cut and kept unique among the identifiers of the
// directory (without regard to case with foldCase: ISO 9660 names are upper case, while the
// Joliet tree holds "Mixed" beside "mixed"). Names that became equal in conversion (characters
// a tree cannot hold turn into '_') and names of dots alone, which readers take for "." or
// ".." or strip to nothing, are made unique in the same way; their indexes are returned.
template <typename S>
std::vector<size_t> FitIdentifiers(std::vector<S>& names, const std::vector<bool>& isFile, size_t maxIdent,
                                   bool foldCase) {
    const S suffix = Literal<S>(";1");
    auto limit = [&](size_t i) { return maxIdent - (isFile[i] ? suffix.size() : 0); };
    auto key = [&](const S& name, size_t i) { return (foldCase ? Upper(name) : name) + (isFile[i] ? suffix : S()); };
    std::vector<size_t> renamed;
    std::vector<bool> change(names.size(), false);
    bool any = false;
    {
        std::unordered_set<S> seen;
        for (size_t i = 0; i < names.size(); ++i) {
            const bool clash = !seen.insert(key(names[i], i)).second || DotsOnly(names[i]);
            if (clash) renamed.push_back(i);
            change[i] = clash || names[i].size() > limit(i);
            any |= change[i];
        }
    }
    if (any) {
        std::unordered_set<S> taken;
        for (size_t i = 0; i < names.size(); ++i)
            if (!change[i]) taken.insert(key(names[i], i));
        for (size_t i = 0; i < names.size(); ++i) {
            if (!change[i]) continue;
            const S base = DotsOnly(names[i]) ? S(names[i].size(), static_cast<typename S::value_type>('_')) : names[i];
            // A name that only clashes keeps its form with a number; at most names.size()
            // candidates can be taken, so this ends.
            for (unsigned k = base.size() > limit(i) || base != names[i] ? 0 : 1;; ++k) {
                S candidate = CutName(base, limit(i), k);
                if (taken.insert(key(candidate, i)).second) {
                    names[i] = candidate;
                    break;
                }
            }
        }
    }
    for (size_t i = 0; i < names.size(); ++i)
        if (isFile[i]) names[i] += suffix;
    return renamed;
}

} // namespace

void TIsoImage::AssignIdentifiers() {
    std::vector<TFEntry*> children;
    std::vector<std::string> isoNames;
    std::vector<std::u16string> jolietNames;
    std::vector<bool> isFile;
    for (int32_t d = 0; d < Compilation.DirCount; ++d) {
        TDEntry* dir = Compilation.DirTable[size_t(d)];
        children.clear();
        isoNames.clear();
        jolietNames.clear();
        isFile.clear();
        for (TFEntry* c = dir->FirstChild; c; c = c->Next) {
            children.push_back(c);
            isoNames.push_back(c->ShortName);
            const std::string own = OwnLongName(c);
            jolietNames.push_back(Utf8ToUcs2(own));
            isFile.push_back(!IsDirectoryEntry(c));
            // The trees of long names write '_' for what UCS-2 cannot hold (characters outside
            // the Basic Multilingual Plane, bytes that are no UTF-8).
            if ((Options.Joliet || Options.UdfOn()) && !FitsUcs2(own))
                Compilation.NoteEntry(msg::Format(msg::NameCharactersChanged, IsDirectoryEntry(c) ? c->Dir->FullPath : c->SourcePath));
        }
        std::vector<size_t> renamed = FitIdentifiers(isoNames, isFile, iso::kMaxIsoIdentBytes, true);
        for (size_t i : FitIdentifiers(jolietNames, isFile, iso::kMaxJolietIdentChars, false)) renamed.push_back(i);
        for (size_t i : renamed) {
            const TFEntry* c = children[i];
            Compilation.NoteEntry(msg::Format(msg::NameMadeUnique, IsDirectoryEntry(c) ? c->Dir->FullPath : c->SourcePath));
        }
        for (size_t i = 0; i < children.size(); ++i) {
            TFEntry* c = children[i];
            c->IsoIdent = std::move(isoNames[i]);
            c->JolietIdent = std::move(jolietNames[i]);
            if (IsDirectoryEntry(c)) {
                c->Dir->IsoIdent = c->IsoIdent;
                c->Dir->JolietIdent = c->JolietIdent;
            }
        }
    }
}

// The path-table order is the root, then every directory ordered by its parent's number and
// then by its identifier, the number of each being its position + 1. That order is the one
// fixed point of sorting by (parent number, identifier) and renumbering, so it is built
// directly: breadth first from the root, each directory's sub-directories sorted by
// identifier (bytes), equal identifiers in creation order. Directories not reachable from the
// root (only in a hand-built tree) follow in creation order, so every one is numbered.
void TIsoImage::OrderPathTables() {
    const int32_t n = Compilation.DirCount;
    if (n == 0) return;
    std::unordered_map<const TDEntry*, int32_t> slot;
    slot.reserve(size_t(n));
    for (int32_t i = 0; i < n; ++i) slot.emplace(Compilation.DirTable[size_t(i)], i);
    std::vector<std::vector<int32_t>> kids;
    kids.resize(size_t(n));
    for (int32_t i = 1; i < n; ++i) {
        auto it = slot.find(Compilation.DirTable[size_t(i)]->Parent);
        if (it != slot.end() && it->second != i) kids[size_t(it->second)].push_back(i);
    }
    std::vector<int32_t> order;
    order.reserve(size_t(n));
    std::vector<bool> placed(size_t(n), false);
    order.push_back(0);
    placed[0] = true;
    for (size_t q = 0; q < order.size(); ++q) {
        auto& list = kids[size_t(order[q])];
        std::stable_sort(list.begin(), list.end(), [this](int32_t a, int32_t b) {
            return Compilation.DirTable[size_t(a)]->IsoIdent < Compilation.DirTable[size_t(b)]->IsoIdent;
        });
        for (int32_t k : list)
            if (!placed[size_t(k)]) {
                placed[size_t(k)] = true;
                order.push_back(k);
            }
    }
    for (int32_t i = 0; i < n; ++i)
        if (!placed[size_t(i)]) order.push_back(i);
    for (int32_t i = 0; i < n; ++i) {
        TDEntry* d = Compilation.DirTable[size_t(order[size_t(i)])];
        Compilation.IsoPathOrder[size_t(i)] = d;
        Compilation.JolietPathOrder[size_t(i)] = d;
        d->Number = i + 1;
    }
}

int64_t DirectoryExtentBytes(const TDEntry* dir, bool joliet) {
    TRecordPlacer placer;
    for (const TFEntry* c = dir->FirstChild; c; c = c->Next) {
        const size_t f = joliet ? 2 * c->JolietIdent.size() : c->IsoIdent.size();
        const int64_t records = RecordCount(c);
        for (int64_t r = 0; r < records; ++r) placer.Place(iso::DirRecordLength(f));
    }
    return placer.ExtentBytes();
}

void TIsoImage::LayoutPathTables() {
    // The root's record (10 bytes), then one record per directory.
    int64_t pathBytes = 10, jolietPathBytes = 10;
    for (int32_t i = 1; i < Compilation.DirCount; ++i) {
        const TDEntry* d = Compilation.DirTable[size_t(i)];
        pathBytes += int64_t(iso::PathRecordLength(d->IsoIdent.size()));
        jolietPathBytes += int64_t(iso::PathRecordLength(2 * d->JolietIdent.size()));
    }
    Layout.PathTableSize = int32_t(pathBytes);
    Layout.JolietPathTableSize = int32_t(jolietPathBytes);
}

void TIsoImage::LayoutDirectoryExtents() {
    // In Compilation.DirTable order, each tree's extents one after another.
    Layout.IsoDirBytes = Layout.JolietDirBytes = 0;
    for (int32_t i = 0; i < Compilation.DirCount; ++i) {
        TDEntry* d = Compilation.DirTable[size_t(i)];
        d->IsoSize = DirectoryExtentBytes(d, false);
        d->IsoSector = int32_t(Layout.IsoDirBytes / 2048);
        Layout.IsoDirBytes += d->IsoSize;
        d->JolietSize = DirectoryExtentBytes(d, true);
        d->JolietSector = int32_t(Layout.JolietDirBytes / 2048);
        Layout.JolietDirBytes += d->JolietSize;
    }
}

void TIsoImage::LayoutStructureSectors() {
    Layout.StartLBA = 0;
    int64_t p = Layout.StartLBA + iso::kSystemAreaSectors; // primary volume descriptor
    if (Options.Joliet) ++p;                     // Joliet supplementary descriptor
    ++p;                                            // terminator
    // The bridge: the recognition sequence follows, the UDF descriptors and the first
    // anchor (256) come before everything else.
    if (Options.UdfOn()) p = udf::kAnchorSector;
    Layout.PathTableL = int32_t(++p);
    Layout.PathTableM = int32_t(Layout.PathTableL + BytesToSectors(Layout.PathTableSize));
    Layout.JolietPathTableL = int32_t(Layout.PathTableM + BytesToSectors(Layout.PathTableSize));
    p = Layout.JolietPathTableL;
    if (Options.Joliet) {
        Layout.JolietPathTableM = int32_t(Layout.JolietPathTableL + BytesToSectors(Layout.JolietPathTableSize));
        p = Layout.JolietPathTableM + BytesToSectors(Layout.JolietPathTableSize);
    } else {
        Layout.JolietPathTableM = 0;
    }
    Layout.IsoDirArea = int32_t(p);
    p += BytesToSectors(Layout.IsoDirBytes);
    if (Options.Joliet) {
        Layout.JolietDirArea = int32_t(p);
        p += BytesToSectors(Layout.JolietDirBytes);
    } else {
        Layout.JolietDirArea = 0;
    }
    Layout.UdfArea = 0;
    Layout.UdfSectors = Layout.UdfTailSectors = 0;
    if (Options.UdfOn()) p += LayoutUdfTree(p);
    Layout.PadSectors = iso::kMinFirstFileSector - p;
    Layout.FirstFileSector = int32_t(p < iso::kMinFirstFileSector ? iso::kMinFirstFileSector : p);
}

void TIsoImage::LayoutFileData() {
    // File data in Compilation.FileTable order, each file on whole sectors, without gaps (but those the
    // DVD-Video layout leaves, its files moved to the front of the table).
    Layout.FileSectors = 0;
    std::unordered_map<const TFEntry*, int64_t> placed;
    if (Options.DVDVideo) {
        const std::vector<TDvdPlacement> plan = PlanDvdVideo();
        if (!plan.empty()) {
            placed.reserve(plan.size());
            for (const auto& p : plan) placed.emplace(p.F, p.Sector);
            std::stable_partition(Compilation.FileTable.begin(), Compilation.FileTable.begin() + Compilation.FileCount,
                                  [&](const TFEntry* f) { return placed.count(f) != 0; });
            std::sort(Compilation.FileTable.begin(), Compilation.FileTable.begin() + int64_t(plan.size()),
                      [&](const TFEntry* a, const TFEntry* b) { return placed[a] < placed[b]; });
        }
    }
    for (int32_t i = 0; i < Compilation.FileCount; ++i) {
        TFEntry* f = Compilation.FileTable[size_t(i)];
        auto at = placed.empty() ? placed.end() : placed.find(f);
        if (at != placed.end()) {
            f->JolietSize = f->IsoSize;
            f->IsoSector = f->JolietSector = int32_t(at->second);
            Layout.FileSectors = at->second + BytesToSectors(f->IsoSize);
        } else if (IsDirectoryEntry(f)) {
            f->IsoSector = f->Dir->IsoSector;
            f->JolietSector = f->Dir->JolietSector;
            f->IsoSize = f->Dir->IsoSize;
            f->JolietSize = f->Dir->JolietSize;
        } else if (f->IsoSize == 0) {
            f->IsoSector = f->JolietSector = 0;
            f->JolietSize = 0;
        } else {
            f->JolietSize = f->IsoSize;
            f->IsoSector = f->JolietSector = int32_t(Layout.FileSectors);
            Layout.FileSectors += BytesToSectors(f->IsoSize);
        }
    }
}

bool TIsoImage::LayoutCompilation() {
    if (Compilation.DirCount == 0) return false;
    AssignIdentifiers();
    OrderPathTables();
    LayoutPathTables();
    LayoutDirectoryExtents();
    LayoutStructureSectors();
    LayoutFileData();
    Layout.EndLBA = Layout.FirstFileSector + Layout.FileSectors;
    if (Options.UdfOn()) {
        Layout.UdfTailSectors = std::max<int64_t>(1, udf::kMinimumSectors - Layout.EndLBA);
        Layout.EndLBA += Layout.UdfTailSectors;
    }
    return true;
}

} // namespace tarnwick

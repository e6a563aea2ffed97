// Layout of the UDF tree: the name of every entry in CS0 (cut and kept unique where it
// does not fit a File Identifier), and the block of every File Entry and identifier extent.
// The tree sits after the ISO and Joliet directory extents, all inside one partition that
// starts after the first anchor and ends before the last.
#include <unordered_set>

#include "engine/device/Messages.h"
#include "engine/image/CompilationMessages.h"
#include "engine/image/IsoLib.h"
#include "engine/image/Layout.h"
#include "engine/image/UdfFormat.h"
#include "engine/image/UdfLib.h"
#include "engine/image/IsoImage.h"

namespace tarnwick {

namespace {

std::u16string LowerAscii(std::u16string s) {
    for (auto& c : s)
        if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
    return s;
}

// Cut to fit maxBytes of CS0, the extension kept when short, "~k" before it for k > 0.
std::u16string CutUdfName(const std::u16string& name, unsigned k) {
    const size_t fit = udf::Cs0Fit(name, udf::kMaxNameBytes);
    const size_t dot = name.rfind(u'.');
    std::u16string ext = (dot != std::u16string::npos && name.size() - dot <= 16) ? name.substr(dot) : u"";
    std::u16string base = ext.empty() ? name : name.substr(0, dot);
    std::u16string tail;
    if (k)
        for (char c : "~" + std::to_string(k)) tail.push_back(char16_t(c));
    const size_t room = fit > ext.size() + tail.size() ? fit - ext.size() - tail.size() : 0;
    return base.substr(0, room) + tail + ext;
}

std::u16string OwnName(const TFEntry* f) { return Utf8ToUcs2(OwnLongName(f)); }

} // namespace

std::u16string TIsoImage::UdfName(const TFEntry* f) const {
    auto it = UdfCutNames.find(f);
    return it != UdfCutNames.end() ? it->second : OwnName(f);
}

void TIsoImage::AssignUdfNames() {
    UdfCutNames.clear();
    std::unordered_set<std::u16string> taken;
    for (int32_t d = 0; d < Compilation.DirCount; ++d) {
        const TDEntry* dir = Compilation.DirTable[size_t(d)];
        bool anyLong = false;
        for (const TFEntry* c = dir->FirstChild; c; c = c->Next) {
            const std::u16string n = OwnName(c);
            anyLong |= udf::Cs0(n).size() > udf::kMaxNameBytes;
        }
        if (!anyLong) continue;
        taken.clear();
        for (const TFEntry* c = dir->FirstChild; c; c = c->Next) {
            const std::u16string n = OwnName(c);
            if (udf::Cs0(n).size() <= udf::kMaxNameBytes) taken.insert(LowerAscii(n));
        }
        for (const TFEntry* c = dir->FirstChild; c; c = c->Next) {
            const std::u16string n = OwnName(c);
            if (udf::Cs0(n).size() <= udf::kMaxNameBytes) continue;
            // At most as many candidates as children can be taken, so this ends.
            for (unsigned k = 0;; ++k) {
                std::u16string candidate = CutUdfName(n, k);
                if (taken.insert(LowerAscii(candidate)).second) {
                    UdfCutNames.emplace(c, std::move(candidate));
                    break;
                }
            }
            LogOnce(">>> " + msg::Format(msg::NameShortened, c->SourcePath.empty() ? c->LongName : c->SourcePath),
                    4);
        }
    }
}

int64_t TIsoImage::LayoutUdfTree(int64_t firstSector) {
    AssignUdfNames();
    Layout.UdfArea = int32_t(firstSector);
    int64_t b = firstSector - udf::kPartitionStart;
    b += 2; // the file set descriptor and its terminator
    Layout.UdfFileEntries = 0;
    for (int32_t i = 0; i < Compilation.DirCount; ++i) {
        TDEntry* d = Compilation.DirTable[size_t(i)];
        int64_t bytes = int64_t(udf::FidLength(0));
        for (const TFEntry* c = d->FirstChild; c; c = c->Next)
            bytes += int64_t(udf::FidLength(udf::Cs0(UdfName(c)).size()));
        d->UdfBlock = int32_t(b);
        d->UdfFidBytes = int32_t(bytes);
        b += 1 + BytesToSectors(bytes);
        ++Layout.UdfFileEntries;
        for (TFEntry* c = d->FirstChild; c; c = c->Next)
            if (IsDirectoryEntry(c)) {
                c->Dir->UdfDate = c->DateTime;
            } else {
                c->UdfBlock = int32_t(b++);
                ++Layout.UdfFileEntries;
            }
    }
    Layout.UdfSectors = b + udf::kPartitionStart - firstSector;
    return Layout.UdfSectors;
}

} // namespace tarnwick

// The DVD-Video layout: VIDEO_TS first among the file data, every file at the sector its
// IFOs declare (counted from VIDEO_TS.IFO), zeros in the gaps. An IFO that cannot be trusted
// is named in a message and the folder is laid out in plain DVD order instead.
#include <cstdio>
#include <memory>

#include "engine/image/IfoParser.h"
#include "engine/image/IsoLib.h"
#include "engine/image/Layout.h"
#include "engine/write/StreamEx.h"
#include "engine/write/VornBurner.h"

namespace tarnwick {

namespace {

// IFOs are a few hundred KiB at most; a bigger one is not read whole.
constexpr int64_t kMaxIfoBytes = 16 << 20;

std::string SetName(int n, const char* tail) {
    char name[32];
    if (n == 0)
        std::snprintf(name, sizeof name, "VIDEO_TS.%s", tail);
    else
        std::snprintf(name, sizeof name, "VTS_%02d_%s", n, tail);
    return name;
}

bool ReadIfo(const TFEntry* f, TIfoInfo& info, std::string& error) {
    if (f->IsoSize <= 0 || f->IsoSize > kMaxIfoBytes) {
        error = "size out of range for an IFO";
        return false;
    }
    std::vector<uint8_t> bytes(size_t(f->IsoSize));
    try {
        TFileStreamEx in(f->SourcePath, fmOpenRead | fmShareDenyNone);
        size_t got = 0;
        while (got < bytes.size()) {
            const int32_t n = in.Read(bytes.data() + got, int32_t(bytes.size() - got));
            if (n <= 0) break;
            got += size_t(n);
        }
        if (got != bytes.size()) {
            error = "cannot be read whole";
            return false;
        }
    } catch (EFileStreamError&) {
        error = "cannot be opened";
        return false;
    }
    return ParseIfo(bytes.data(), bytes.size(), info, error);
}

} // namespace

TDEntry* TVornBurner::VideoTsDir() {
    if (DirCount == 0) return nullptr;
    TDEntry* root = DirTable[0];
    for (TFEntry* c = root->FirstChild; c; c = c->Next)
        if (IsDirectoryEntry(c) && UpperCase(c->LongName) == "VIDEO_TS")
            return c->Dir;
    return nullptr;
}

bool TVornBurner::HoldsDvdVideo() {
    TDEntry* dir = VideoTsDir();
    return dir && FindFile(dir, "VIDEO_TS.IFO");
}

std::vector<TVornBurner::TDvdPlacement> TVornBurner::PlanDvdVideo() {
    std::vector<TDvdPlacement> plan;
    TDEntry* dir = VideoTsDir();
    if (!dir) return plan;
    auto file = [&](const std::string& name) -> TFEntry* {
        TFEntry* f = FindFile(dir, name);
        return f && !IsDirectoryEntry(f) ? f : nullptr;
    };
    auto sectors = [](const TFEntry* f) { return BytesToSectors(f->IsoSize); };
    TFEntry* vmgIfo = file("VIDEO_TS.IFO");
    if (!vmgIfo) return plan;

    std::string problem, problemFile = vmgIfo->SourcePath;
    TIfoInfo vmg;
    bool ok = ReadIfo(vmgIfo, vmg, problem);
    // One set: IFO at 0, menu VOB, title VOBs, BUP at LastSector - LastIfoSector, every
    // file inside its slot.
    auto placeSet = [&](int n, int64_t start, const TIfoInfo& info) -> bool {
        int64_t next = start; // the first free sector
        auto put = [&](TFEntry* f, int64_t at, int64_t end) -> bool {
            if (!f || f->IsoSize <= 0) return true;
            if (at < next || at + sectors(f) > end) return false;
            plan.push_back({f, at});
            next = at + sectors(f);
            return true;
        };
        const int64_t bup = start + info.LastSector - info.LastIfoSector;
        const int64_t setEnd = start + int64_t(info.LastSector) + 1;
        const int64_t menu = info.MenuVobSector ? start + info.MenuVobSector : 0;
        const int64_t titles = n ? start + info.TitleVobSector : 0;
        if (!put(file(SetName(n, n ? "0.IFO" : "IFO")), start, start + info.LastIfoSector + 1)) return false;
        TFEntry* menuVob = file(SetName(n, n ? "0.VOB" : "VOB"));
        if (menuVob && (!menu || !put(menuVob, menu, n ? titles : bup))) return false;
        if (n) {
            int64_t at = titles;
            for (int k = 1; k <= 9; ++k) {
                TFEntry* v = file(SetName(n, (std::to_string(k) + ".VOB").c_str()));
                if (!v) continue;
                if (!put(v, at, bup)) return false;
                at += sectors(v);
            }
        }
        return put(file(SetName(n, n ? "0.BUP" : "BUP")), bup, setEnd);
    };
    if (ok && !placeSet(0, 0, vmg)) {
        ok = false;
        problem = "the video manager's files do not fit the sectors it declares";
    }
    for (size_t s = 0; ok && s < vmg.TitleSetStart.size(); ++s) {
        const int n = int(s + 1);
        TFEntry* ifo = file(SetName(n, "0.IFO"));
        TIfoInfo vts;
        if (!ifo) {
            ok = false;
            problem = SetName(n, "0.IFO") + " is missing";
            break;
        }
        const int64_t start = vmg.TitleSetStart[s];
        if (!plan.empty() && start < plan.back().Sector + sectors(plan.back().F)) {
            ok = false;
            problem = "title set " + std::to_string(n) + " overlaps the files before it";
            break;
        }
        if (!ReadIfo(ifo, vts, problem) || vts.Manager) {
            if (vts.Manager) problem = "not a title set IFO";
            problemFile = ifo->SourcePath;
            ok = false;
            break;
        }
        if (!placeSet(n, start, vts)) {
            problemFile = ifo->SourcePath;
            problem = "the title set's files do not fit the sectors it declares";
            ok = false;
        }
    }
    if (ok) return plan;

    DebugMessage(">>> DVD-Video: \"" + problemFile + "\": " + problem +
                     "; VIDEO_TS is written in plain DVD order instead",
                 4);
    // Plain DVD order, without gaps: each set's IFO, menu VOB, title VOBs, BUP.
    plan.clear();
    int64_t at = 0;
    auto add = [&](TFEntry* f) {
        if (!f || f->IsoSize <= 0) return;
        plan.push_back({f, at});
        at += sectors(f);
    };
    for (int n = 0; n <= 99; ++n) {
        if (n && !file(SetName(n, "0.IFO")) && !file(SetName(n, "1.VOB"))) continue;
        add(file(SetName(n, n ? "0.IFO" : "IFO")));
        add(file(SetName(n, n ? "0.VOB" : "VOB")));
        for (int k = 1; n && k <= 9; ++k) add(file(SetName(n, (std::to_string(k) + ".VOB").c_str())));
        add(file(SetName(n, n ? "0.BUP" : "BUP")));
    }
    return plan;
}

} // namespace tarnwick

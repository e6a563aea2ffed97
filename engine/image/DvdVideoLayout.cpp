// The DVD-Video layout: VIDEO_TS first among the file data, every file at the sector its
// IFOs declare (counted from VIDEO_TS.IFO), zeros in the gaps. An IFO that cannot be trusted
// is named in a message and the folder is laid out in plain DVD order instead.
#include <cstdio>
#include <memory>

#include "engine/image/IfoParser.h"
#include "engine/image/IsoLib.h"
#include "engine/image/Layout.h"
#include "engine/StreamEx.h"
#include "engine/image/IsoImage.h"

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

TDEntry* TIsoImage::VideoTsDir() {
    if (Compilation.DirCount == 0) return nullptr;
    TDEntry* root = Compilation.DirTable[0];
    for (TFEntry* c = root->FirstChild; c; c = c->Next)
        if (IsDirectoryEntry(c) && UpperCase(c->LongName) == "VIDEO_TS")
            return c->Dir;
    return nullptr;
}

bool TIsoImage::HoldsDvdVideo() {
    TDEntry* dir = VideoTsDir();
    return dir && Compilation.FindFile(dir, "VIDEO_TS.IFO");
}

namespace {

// Plans VIDEO_TS: first where its IFOs declare each file, else (with the reason) in plain order.
struct TDvdPlanner {
    using TPlan = std::vector<TIsoImage::TDvdPlacement>;
    TIsoImage& Image;
    TDEntry* Dir;
    TPlan Plan;
    std::string Problem, ProblemFile;

    TFEntry* File(const std::string& name) const {
        TFEntry* f = Image.Compilation.FindFile(Dir, name);
        return f && !IsDirectoryEntry(f) ? f : nullptr;
    }
    static int64_t Sectors(const TFEntry* f) { return BytesToSectors(f->IsoSize); }

    // One set: IFO at 0, menu VOB, title VOBs, BUP at LastSector - LastIfoSector, every file
    // inside its slot.
    bool PlaceSet(int n, int64_t start, const TIfoInfo& info) {
        int64_t next = start; // the first free sector
        auto put = [&](TFEntry* f, int64_t at, int64_t end) -> bool {
            if (!f || f->IsoSize <= 0) return true;
            if (at < next || at + Sectors(f) > end) return false;
            Plan.push_back({f, at});
            next = at + Sectors(f);
            return true;
        };
        const int64_t bup = start + info.LastSector - info.LastIfoSector;
        const int64_t setEnd = start + int64_t(info.LastSector) + 1;
        const int64_t menu = info.MenuVobSector ? start + info.MenuVobSector : 0;
        const int64_t titles = n ? start + info.TitleVobSector : 0;
        if (!put(File(SetName(n, n ? "0.IFO" : "IFO")), start, start + info.LastIfoSector + 1)) return false;
        TFEntry* menuVob = File(SetName(n, n ? "0.VOB" : "VOB"));
        if (menuVob && (!menu || !put(menuVob, menu, n ? titles : bup))) return false;
        if (n) {
            int64_t at = titles;
            for (int k = 1; k <= 9; ++k) {
                TFEntry* v = File(SetName(n, (std::to_string(k) + ".VOB").c_str()));
                if (!v) continue;
                if (!put(v, at, bup)) return false;
                at += Sectors(v);
            }
        }
        return put(File(SetName(n, n ? "0.BUP" : "BUP")), bup, setEnd);
    }

    bool Fail(std::string problem, const TFEntry* file = nullptr) {
        Problem = std::move(problem);
        if (file) ProblemFile = file->SourcePath;
        return false;
    }

    // Title set n at its declared start, after the files before it.
    bool PlaceTitleSet(int n, int64_t start) {
        TFEntry* ifo = File(SetName(n, "0.IFO"));
        if (!ifo) return Fail(SetName(n, "0.IFO") + " is missing");
        if (!Plan.empty() && start < Plan.back().Sector + Sectors(Plan.back().F))
            return Fail("title set " + std::to_string(n) + " overlaps the files before it");
        TIfoInfo vts;
        std::string problem;
        if (!ReadIfo(ifo, vts, problem) || vts.Manager)
            return Fail(vts.Manager ? "not a title set IFO" : problem, ifo);
        if (!PlaceSet(n, start, vts)) return Fail("the title set's files do not fit the sectors it declares", ifo);
        return true;
    }

    bool PlanDeclared(TFEntry* vmgIfo) {
        ProblemFile = vmgIfo->SourcePath;
        TIfoInfo vmg;
        std::string problem;
        if (!ReadIfo(vmgIfo, vmg, problem)) return Fail(problem);
        if (!PlaceSet(0, 0, vmg)) return Fail("the video manager's files do not fit the sectors it declares");
        for (size_t s = 0; s < vmg.TitleSetStart.size(); ++s)
            if (!PlaceTitleSet(int(s + 1), vmg.TitleSetStart[s])) return false;
        return true;
    }

    // Plain DVD order, without gaps: each set's IFO, menu VOB, title VOBs, BUP.
    void PlanPlain() {
        Plan.clear();
        int64_t at = 0;
        auto add = [&](TFEntry* f) {
            if (!f || f->IsoSize <= 0) return;
            Plan.push_back({f, at});
            at += Sectors(f);
        };
        for (int n = 0; n <= 99; ++n) {
            if (n && !File(SetName(n, "0.IFO")) && !File(SetName(n, "1.VOB"))) continue;
            add(File(SetName(n, n ? "0.IFO" : "IFO")));
            add(File(SetName(n, n ? "0.VOB" : "VOB")));
            for (int k = 1; n && k <= 9; ++k) add(File(SetName(n, (std::to_string(k) + ".VOB").c_str())));
            add(File(SetName(n, n ? "0.BUP" : "BUP")));
        }
    }
};

} // namespace

std::vector<TIsoImage::TDvdPlacement> TIsoImage::PlanDvdVideo() {
    TDEntry* dir = VideoTsDir();
    if (!dir) return {};
    TDvdPlanner planner{*this, dir, {}, {}, {}};
    TFEntry* vmgIfo = planner.File("VIDEO_TS.IFO");
    if (!vmgIfo) return {};
    if (planner.PlanDeclared(vmgIfo)) return std::move(planner.Plan);
    LogOnce(">>> DVD-Video: \"" + planner.ProblemFile + "\": " + planner.Problem +
                "; VIDEO_TS is written in plain DVD order instead",
            4);
    planner.PlanPlain();
    return std::move(planner.Plan);
}

} // namespace tarnwick

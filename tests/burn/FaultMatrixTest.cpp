// Every command of drive selection and of a burn on every recordable medium, failed in every
// way a drive fails (and the burn aborted at every step): each cell must end in bounded time,
// a failure must come with a readable error text and never pass for success, a success must
// leave exactly the image on a closed disc, and a failure before the disc is first changed
// must leave it blank. The matrix is printed, one row per step.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <iomanip>
#include <map>
#include <sstream>

#include "BurnRig.h"
#include "FaultMatrix.h"
#include "emulator/Opcodes.h"
#include "engine/write/DiscRecorder.h"

using namespace tarnwick;
using namespace tarnwick::test;
using namespace tarnwick::test::matrix;
using emulator::TFault;
using emulator::TProfile;
namespace op = emulator::op;

namespace {

constexpr uint32_t kImageSectors = 48;

struct TBaseline {
    std::vector<uint8_t> Opcodes;
    size_t FirstWrite = SIZE_MAX;  // first WRITE(10)
    size_t FirstChange = SIZE_MAX; // first command that changes the disc
    uint8_t BlankStatus = 0, EndStatus = 0;
    bool EndFinalized = false;
};

// Aborts that were not honoured in time: failures, counted in the matrix's title.
struct TKnown {
    int Lost = 0; // aborted before the first write, the burn went on and succeeded
    int Late = 0; // aborted before the disc changed, it was written before the abort was seen
};

// One burn with the cell's fault at command `step`; returns the cell's text. Legend:
//   ok   succeeded, the disc holds the image and is closed as a clean burn closes it
//   ok*  succeeded, the disc holds the image but is finalized where a clean burn leaves it
//        appendable (a failed query made the engine fall back to its defaults)
//   err  failed with a readable error text, the disc as the failure left it
//   abrt aborted with the abort's text; lost, late: see TKnown
std::string BurnCell(TProfile profile, const TBaseline& base, size_t step, const TColumn& column, TKnown& known) {
    TBurnRig rig(profile);
    auto target = std::make_shared<TStepTarget>(rig.Drive);
    platform::RegisterVirtualDrive('R', target, platform::SCSI_ADDRESS{8, 0, 0, 1, 0});
    target->At = uint32_t(step);
    target->OnStep = [&] {
        if (column.Fault) rig.Drive->Faults().Arm(*column.Fault);
        else rig.Engine.AbortWrite();
    };
    const std::string image = rig.MakeImage(kImageSectors * 2048, uint32_t(step + 1));
    const auto t0 = std::chrono::steady_clock::now();
    auto result = rig.Burn(image, kCellBoundMs);
    const bool bounded = std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(kCellBoundMs);
    const std::string where = emulator::KindName(profile) + " step " + std::to_string(step) + " (" +
                              OpName(base.Opcodes[step]) + ") " + column.Name;
    if (!result.Ended || !bounded) {
        ADD_FAILURE() << where << ": no end within " << kCellBoundMs << " ms";
        return "HANG";
    }
    const bool sameBytes = rig.DiscBytes(rig.Image.size()) == rig.Image;
    const bool blank = rig.Disc->RecordedEnd() == 0 && rig.Disc->DiscStatus() == base.BlankStatus;
    if (result.Error.empty()) {
        // A success must be one: the image on the disc, the disc closed.
        EXPECT_TRUE(sameBytes) << where << ": reported success, the disc differs from the image";
        const bool closed = rig.Disc->DiscStatus() != 0 && rig.Disc->DiscStatus() >= base.EndStatus;
        EXPECT_TRUE(closed) << where << ": reported success, disc status " << int(rig.Disc->DiscStatus())
                            << ", a clean burn leaves " << int(base.EndStatus);
        if (!sameBytes || !closed) return "BAD";
        if (!column.Fault && step < base.FirstWrite) {
            ADD_FAILURE() << where << ": aborted before the first write, yet the burn went on";
            ++known.Lost;
            return "lost";
        }
        const bool asClean = rig.Disc->DiscStatus() == base.EndStatus && rig.Disc->Finalized() == base.EndFinalized;
        return asClean ? "ok" : "ok*";
    }
    bool good = Readable(result.Error);
    EXPECT_TRUE(good) << where << ": error text '" << result.Error << "'";
    if (rig.Disc->Finalized() && !sameBytes) {
        ADD_FAILURE() << where << ": a failed burn left a finalized disc that is not the image";
        good = false;
    }
    if (!column.Fault) {
        const bool abortText = result.Error == "OPERATION ABORTED BY USER";
        EXPECT_TRUE(abortText) << where << ": an abort ended with '" << result.Error << "'";
        if (!good || !abortText) return "BAD";
        if (step < base.FirstChange && !blank) {
            ADD_FAILURE() << where << ": aborted before the disc changed, yet it was changed";
            ++known.Late;
            return "late";
        }
        return "abrt";
    }
    if (step < base.FirstChange) {
        // Nothing was written yet: the disc stays as it was.
        EXPECT_TRUE(blank) << where << ": failed before the disc changed, yet it changed";
        good = good && blank;
    }
    return good ? "err" : "BAD";
}

TBaseline BaselineBurn(TProfile profile) {
    TBaseline base;
    TBurnRig rig(profile);
    base.BlankStatus = rig.Disc->DiscStatus();
    auto result = rig.Burn(rig.MakeImage(kImageSectors * 2048, 1));
    EXPECT_EQ(result.Error, "") << emulator::KindName(profile);
    EXPECT_EQ(rig.DiscBytes(rig.Image.size()), rig.Image);
    for (auto& r : rig.Commands()) base.Opcodes.push_back(r.Opcode());
    for (size_t i = 0; i < base.Opcodes.size(); ++i) {
        const uint8_t o = base.Opcodes[i];
        if (o == op::Write10 && base.FirstWrite == SIZE_MAX) base.FirstWrite = i;
        if ((o == op::Write10 || o == op::ReserveTrack || o == op::CloseTrackSession) && base.FirstChange == SIZE_MAX)
            base.FirstChange = i;
    }
    base.EndStatus = rig.Disc->DiscStatus();
    base.EndFinalized = rig.Disc->Finalized();
    return base;
}

void BurnMatrix(TProfile profile) {
    const TBaseline base = BaselineBurn(profile);
    ASSERT_FALSE(base.Opcodes.empty());
    TMatrix m;
    TKnown known;
    for (size_t step = 0; step < base.Opcodes.size(); ++step) {
        m.Rows.push_back(std::to_string(step) + " " + OpName(base.Opcodes[step]));
        m.Cells.emplace_back();
        for (auto& column : Columns()) m.Cells.back().push_back(BurnCell(profile, base, step, column, known));
    }
    m.Print("burn on " + emulator::KindName(profile) + " (" + std::to_string(kImageSectors) + " sectors); abort lost " +
            std::to_string(known.Lost) + ", late " + std::to_string(known.Late));
}

// Drive selection: the transport loaded, the drives listed, the recorder selected.
struct TSelection {
    platform::TVirtualClock Clock;
    std::shared_ptr<emulator::TEmulatedDrive> Drive = std::make_shared<emulator::TEmulatedDrive>();
    std::shared_ptr<TStepTarget> Target = std::make_shared<TStepTarget>(Drive);
    std::vector<std::string> Messages;
    bool Listed = false;
    TSelection() {
        platform::SetClock(&Clock);
        Drive->LoadMedium(emulator::TDisc::InMemory(TProfile::DvdR));
        platform::RegisterVirtualDrive('R', Target, platform::SCSI_ADDRESS{8, 0, 0, 1, 0});
    }
    ~TSelection() {
        platform::ClearVirtualDrives();
        ResetTransportState();
        platform::SetClock(nullptr);
    }
    // The identity text of the selected drive, or nullopt when none was selected.
    std::optional<std::string> Run() {
        TVornBurner engine;
        engine.OnDebugMessage = [this](TComponent*, const std::string& m, uint8_t) { Messages.push_back(m); };
        engine.InitializeASPI(true, "");
        Listed = false;
        for (const auto& d : engine.DeviceList())
            if (d.find(",R:") != std::string::npos) {
                Listed = true;
                engine.SelectDevice(d);
            }
        if (engine.HaId == 254) {
            EXPECT_TRUE(engine.DeviceIdentity.empty());
            return std::nullopt;
        }
        return engine.DeviceIdentity;
    }
};

} // namespace

TEST(FaultMatrix, DriveSelection) {
    std::vector<uint8_t> opcodes;
    std::string identity;
    {
        TSelection s;
        auto id = s.Run();
        ASSERT_TRUE(id.has_value());
        identity = *id;
        for (auto& r : s.Drive->Log().Records()) opcodes.push_back(r.Opcode());
    }
    ASSERT_FALSE(opcodes.empty());
    // Legend: ok  selected with its identity; ok*  selected, identity from a damaged reply;
    // gone  the probe's INQUIRY failed, so the drive is not listed (there is nothing to
    // select); none  listed but not selected, and a message says why.
    TMatrix m;
    for (size_t step = 0; step < opcodes.size(); ++step) {
        m.Rows.push_back(std::to_string(step) + " " + OpName(opcodes[step]));
        m.Cells.emplace_back();
        for (auto& column : Columns()) {
            if (!column.Fault) {
                m.Cells.back().push_back("-"); // selection has no abort
                continue;
            }
            const std::string where = "selection step " + std::to_string(step) + " " + column.Name;
            TSelection s;
            s.Target->At = uint32_t(step);
            s.Target->OnStep = [&] { s.Drive->Faults().Arm(*column.Fault); };
            const auto t0 = std::chrono::steady_clock::now();
            auto id = s.Run();
            std::string cell;
            EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(kCellBoundMs)) << where;
            if (id) {
                EXPECT_TRUE(Readable(*id)) << where << ": identity '" << *id << "'";
                cell = !Readable(*id) ? "BAD" : *id == identity ? "ok" : "ok*";
            } else if (!s.Listed) {
                cell = "gone";
            } else {
                EXPECT_FALSE(s.Messages.empty()) << where << ": listed, not selected, and nothing says why";
                cell = s.Messages.empty() ? "BAD" : "none";
            }
            m.Cells.back().push_back(cell);
        }
    }
    m.Print("drive selection");
}

TEST(FaultMatrix, BurnOnCdR) { BurnMatrix(TProfile::CdR); }
TEST(FaultMatrix, BurnOnCdRw) { BurnMatrix(TProfile::CdRw); }
TEST(FaultMatrix, BurnOnDvdR) { BurnMatrix(TProfile::DvdR); }
TEST(FaultMatrix, BurnOnDvdRwSequential) { BurnMatrix(TProfile::DvdRwSequential); }
TEST(FaultMatrix, BurnOnDvdRwRestrictedOverwrite) { BurnMatrix(TProfile::DvdRwRestricted); }
TEST(FaultMatrix, BurnOnDvdPlusR) { BurnMatrix(TProfile::DvdPlusR); }
TEST(FaultMatrix, BurnOnDvdPlusRw) { BurnMatrix(TProfile::DvdPlusRw); }
TEST(FaultMatrix, BurnOnDvdRam) { BurnMatrix(TProfile::DvdRam); }

// The read, verify and erase jobs with every command of their sequence failed in every way a
// drive fails (and each job aborted at every step): each cell must end in bounded time, a
// failure must come with a readable text and never pass for success, a read must leave either
// the whole copy or no file under the output's name, a verify must not blame the disc for a
// drive that failed, and an erase that reports success must leave a blank disc.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "ReadRig.h"
#include "emulator/Opcodes.h"
#include "tests/burn/FaultMatrix.h"

using namespace tarnwick;
using namespace tarnwick::test;
using namespace tarnwick::test::matrix;
using emulator::TProfile;

namespace {

constexpr uint32_t kSectors = 96;

enum class TJob { Read, Verify, Erase };

const char* JobName(TJob j) { return j == TJob::Read ? "read" : j == TJob::Verify ? "verify" : "erase"; }

// A rig with the job's disc in the drive: a pressed DVD-ROM for read and verify (the image it
// was pressed from is what both must find), a used CD-RW for the erase.
struct TJobCell {
    explicit TJobCell(TJob job) : Job(job), Rig(job == TJob::Erase ? TProfile::CdRw : TProfile::DvdRom, 20000) {
        if (job == TJob::Erase) {
            const std::string first = Rig.WriteImage(IsoLikeImage(kSectors, 5), "used.iso");
            EXPECT_EQ(Rig.Run([&] { return Rig.Engine.BurnImageFile(first); }).Error, "");
        } else {
            Source = Rig.WriteImage(IsoLikeImage(kSectors, 11), "pressed.iso");
            std::string error;
            auto disc = emulator::TDisc::PressedFromImage(Source, TProfile::DvdRom, error);
            EXPECT_TRUE(disc) << error;
            Rig.Drive->LoadMedium(disc);
        }
        Output = (Rig.Dir / "copy.iso").string();
        Target = std::make_shared<TStepTarget>(Rig.Drive);
        platform::RegisterVirtualDrive('R', Target, platform::SCSI_ADDRESS{8, 0, 0, 1, 0});
        Rig.Drive->Log().Clear();
    }
    TBurnResult Run(uint32_t boundMs) {
        switch (Job) {
        case TJob::Read: return Rig.Run([&] { return Rig.Engine.ReadDiscToImageFile(Output); }, boundMs);
        case TJob::Verify: return Rig.Run([&] { return Rig.Engine.VerifyImageFile(Source); }, boundMs);
        case TJob::Erase: return Rig.Run([&] { return Rig.Engine.EraseDisc(false); }, boundMs);
        }
        return {};
    }
    TJob Job;
    TReadRig Rig;
    std::string Source, Output;
    std::shared_ptr<TStepTarget> Target;
};

std::string Cell(TJob job, size_t step, uint8_t opcode, const TColumn& column) {
    TJobCell c(job);
    c.Target->At = uint32_t(step);
    c.Target->OnStep = [&] {
        if (column.Fault) c.Rig.Drive->Faults().Arm(*column.Fault);
        else c.Rig.Engine.AbortWrite();
    };
    const auto t0 = std::chrono::steady_clock::now();
    const TBurnResult r = c.Run(kCellBoundMs);
    const bool bounded = std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(kCellBoundMs);
    const std::string where =
        std::string(JobName(job)) + " step " + std::to_string(step) + " (" + OpName(opcode) + ") " + column.Name;
    if (!r.Ended || !bounded) {
        ADD_FAILURE() << where << ": no end within " << kCellBoundMs << " ms";
        return "HANG";
    }
    // Noise in place of the data with a GOOD status cannot be told from the disc's own bytes.
    const bool lyingData = column.Fault && column.Fault->Kind == emulator::TFaultKind::GarbageReply &&
                           (opcode == op::Read10 || opcode == op::Read12);
    if (r.Error.empty()) {
        bool right = true;
        if (job == TJob::Read) right = TReadRig::FileBytes(c.Output) == c.Rig.Image;
        if (job == TJob::Verify) right = c.Rig.Logged(">>> VERIFIED " + std::to_string(kSectors) + " SECTORS");
        if (job == TJob::Erase) right = c.Rig.Disc->DiscStatus() == 0 && c.Rig.Disc->RecordedEnd() == 0;
        if (!right && lyingData) return "lied";
        EXPECT_TRUE(right) << where << ": reported success, but the result is not what the disc holds";
        if (!right) return "BAD";
        return column.Fault ? "ok" : "late";
    }
    bool good = Readable(r.Error);
    EXPECT_TRUE(good) << where << ": error text '" << r.Error << "'";
    if (job == TJob::Read && std::filesystem::exists(c.Output)) {
        ADD_FAILURE() << where << ": a failed read left a file under the output's name";
        good = false;
    }
    if (job == TJob::Verify && !lyingData && r.Error.rfind("VERIFY FAILED", 0) == 0) {
        ADD_FAILURE() << where << ": the drive failed, yet the verify blames the disc: " << r.Error;
        good = false;
    }
    if (!column.Fault) return good ? "abrt" : "BAD";
    return good ? "err" : "BAD";
}

void JobMatrix(TJob job) {
    std::vector<uint8_t> opcodes;
    {
        TJobCell base(job);
        const TBurnResult r = base.Run(60000);
        ASSERT_EQ(r.Error, "") << JobName(job);
        for (auto& rec : base.Rig.Commands()) opcodes.push_back(rec.Opcode());
    }
    ASSERT_FALSE(opcodes.empty());
    TMatrix m;
    int late = 0, lied = 0;
    for (size_t step = 0; step < opcodes.size(); ++step) {
        m.Rows.push_back(std::to_string(step) + " " + OpName(opcodes[step]));
        m.Cells.emplace_back();
        for (auto& column : Columns()) {
            std::string cell = Cell(job, step, opcodes[step], column);
            late += cell == "late";
            lied += cell == "lied";
            m.Cells.back().push_back(std::move(cell));
        }
    }
    // Legend: ok  succeeded through the fault with the right result; err  failed with a
    // readable text; abrt  aborted; late  the abort came after the last step that looks at it
    // and the job finished; lied  a GOOD reply with noise for data, taken for the disc's bytes.
    m.Print(std::string(JobName(job)) + " job: " + std::to_string(opcodes.size()) + " commands; abort after the end " +
            std::to_string(late) + ", lying data " + std::to_string(lied));
}

} // namespace

TEST(JobFaultMatrix, ReadOfAPressedDvd) { JobMatrix(TJob::Read); }
TEST(JobFaultMatrix, VerifyAgainstAPressedDvd) { JobMatrix(TJob::Verify); }
TEST(JobFaultMatrix, MinimalEraseOfAUsedCdRw) { JobMatrix(TJob::Erase); }

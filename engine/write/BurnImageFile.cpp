// The image-file-to-disc job entry (its own unit: it is the one entry that asks the drive).
#include "engine/device/Messages.h"
#include "engine/write/BurnChecks.h"
#include "engine/write/CacheThread.h"
#include "engine/write/ImageContents.h"
#include "engine/StreamEx.h"
#include "engine/write/VornBurner.h"

namespace tarnwick {

bool TVornBurner::BurnImageFile(const std::string& FileName) {
    if (RefuseWhileRunning()) return false;
    // The drive queries below see this engine's job (its disc type, its aborts).
    TJobBinding binding(FJob);
    FJob.ClearAborts();
    FJobReadsCompilation = false;
    // Notes of a compilation made earlier do not belong to a burned image file.
    FCompilation.ForgetNotes();
    const uint8_t discType = GetDiscType();
    // CD-R and CD-RW take 27 sectors per WRITE(10); everything else 32.
    const int32_t blockSize = discType == dtCDR || discType == dtCDRW ? 55296 : 65536;
    if (const std::string refusal = CheckBurn(*this, FileName, discType); !refusal.empty()) {
        EndAtEntry(TJobResultKind::Refused, refusal);
        return false;
    }
    try {
        TFileStreamEx image(FileName, fmOpenRead | fmShareDenyNone);
        FJob.ImageSectors = BytesToSectors(image.GetSize());
    } catch (EFileStreamError&) {
        EndAtEntry(TJobResultKind::Refused, msg::Format(msg::CantOpenFile, FileName));
        return false;
    }
    FJob.BurnedImageName = FileName;
    // A DVD+R without a lead-out is not read by many DVD players, for which a DVD-Video copy
    // is made: such an image finalizes the disc whatever CloseDisc says.
    FJob.FinalizeForPlayers = discType == dtDVDPlusR && !FinalizeDisc() && ImageHoldsVideoTs(FileName);
    if (FJob.FinalizeForPlayers)
        DebugMessage(std::string(">>> ") + msg::Format(msg::FinalizingVideo, std::string(DiscTypeNames[discType])), 1);
    if (!StartCache(blockSize, FileName)) return false;
    return StartWriteThread(false);
}

} // namespace tarnwick

// Rewritable discs in the recording sequence: a used CD-RW or sequential DVD-RW is refused
// (it must be erased first), and a DVD+RW or restricted-overwrite DVD-RW that the drive will
// not write unformatted is formatted on first use.
#include "engine/JobState.h"
#include "engine/device/Messages.h"
#include "engine/write/DiscRecorder.h"
#include "engine/write/EraseJob.h"
#include "engine/write/VornBurner.h"

namespace tarnwick {

namespace {
constexpr uint8_t kAscIncompatibleMedium = 0x30;
constexpr uint8_t kAscqNotFormatted = 0x10;
constexpr uint8_t kAscFormatCorrupted = 0x31;

bool ErasableSequential(uint16_t t) { return t == dtCDRW || t == dtDVDRW || t == dtDVDRWSequential || t == dtDDCDRW; }
bool Overwritable(uint16_t t) { return t == dtDVDPlusRW || t == dtDVDRWRestricted; }
} // namespace

bool TDiscRecorder::AcceptsMedium() {
    if (!ErasableSequential(FDiscType)) return true;
    // The disc information was read just before (the session count): disc status 0 is blank.
    // A drive that did not answer leaves zeros, and the first write speaks for it.
    if (Engine.LastDiscInformation().Blank()) return true;
    FailWrite(msg::DiscNotBlank, TJobResultKind::Refused);
    return false;
}

bool TDiscRecorder::WantsFormat(uint32_t Lba) const {
    if (FFormatTried || !Overwritable(FDiscType) || Lba != uint32_t(Engine.Layout().StartLBA)) return false;
    const uint8_t asc = Engine.LastOutcome.Asc, ascq = Engine.LastOutcome.Ascq;
    return (asc == kAscIncompatibleMedium && ascq == kAscqNotFormatted) || asc == kAscFormatCorrupted;
}

bool TDiscRecorder::FormatForFirstUse() {
    FFormatTried = true;
    const TJobResult formatted = FormatMedium(Engine, uint8_t(FDiscType));
    if (formatted.Text.empty()) return true;
    FailWrite(formatted.Text, formatted.Kind);
    return false;
}

} // namespace tarnwick

// Erasing and formatting: BLANK, FORMAT UNIT and READ FORMAT CAPACITIES, with the time they
// take on real drives and the progress indication in the sense data meanwhile.
#include <algorithm>

#include "emulator/EmulatedDrive.h"
#include "emulator/Wire.h"
#include "platform/Clock.h"

namespace emulator {

namespace {

constexpr uint32_t kSecond = 1000;
constexpr uint8_t kBlankFull = 0, kBlankMinimal = 1;
constexpr size_t kFormatListLength = 12;
constexpr uint8_t kFov = 0x80, kImmed = 0x02;
constexpr uint8_t kEccBlockSectors = 16;

// Format types (descriptor byte 4, bits 7-2).
constexpr uint8_t kTypeFull = 0x00, kTypeQuick = 0x15, kTypeDvdPlusRw = 0x26;

// How long real drives take, roughly: a CD-RW at 8x to 10x, a DVD-RW at 2x, the foreground
// part of a DVD+RW format, a DVD-RAM format with certification.
uint32_t BlankMs(TProfile p, bool full) {
    if (MediumTraits(p).Cd) return full ? 600 * kSecond : 60 * kSecond;
    return full ? 1800 * kSecond : 90 * kSecond;
}

uint32_t FormatMs(TProfile p, uint8_t type) {
    switch (p) {
    case TProfile::DvdPlusRw: return 120 * kSecond;
    case TProfile::DvdRam: return 3600 * kSecond;
    default: return type == kTypeQuick ? 60 * kSecond : 1800 * kSecond;
    }
}

void Descriptor(std::vector<uint8_t>& d, uint32_t blocks, uint8_t typeBits, uint32_t parameter) {
    size_t at = d.size();
    d.resize(at + 8);
    PutBE32(&d[at], blocks);
    d[at + 4] = typeBits;
    PutBE24(&d[at + 5], parameter);
}

} // namespace

void TEmulatedDrive::StartOperation(uint32_t ms, bool format, bool immediate) {
    auto& clock = platform::Clock();
    if (Settings.OperationMs) ms = Settings.OperationMs;
    OperationDisc = Disc;
    OperationIsFormat = format;
    OperationStartMs = clock.NowMs();
    OperationEndMs = OperationStartMs + ms;
    if (!immediate) {
        clock.SleepMs(ms);
        SettleOperation();
    }
}

void TEmulatedDrive::SettleOperation() {
    if (!OperationDisc || platform::Clock().NowMs() < OperationEndMs) return;
    OperationDisc->FinishOperation();
    OperationDisc.reset();
}

std::optional<TSenseCode> TEmulatedDrive::OperationFailure() const {
    if (!OperationDisc || OperationDisc != Disc) return std::nullopt;
    const uint64_t now = platform::Clock().NowMs();
    if (now >= OperationEndMs) return std::nullopt;
    TSenseCode s = OperationIsFormat ? sense::FormatInProgress : sense::OperationInProgress;
    const uint64_t span = std::max<uint64_t>(OperationEndMs - OperationStartMs, 1);
    s.Progress = uint16_t(std::min<uint64_t>((now - OperationStartMs) * 65536 / span, 65535));
    return s;
}

TReply TEmulatedDrive::Blank(const TCommand& c) {
    const uint8_t type = c.Cdb[1] & 0x07;
    const bool immediate = c.Cdb[1] & 0x10;
    if (type != kBlankFull && type != kBlankMinimal) return TReply::Check(sense::InvalidFieldInCdb);
    const TProfile p = CurrentProfile();
    // Write-once and overwritable-only media are refused as real drives do.
    if (!Settings.Model.CanWrite(p)) return TReply::Check(sense::CannotWriteIncompatibleFormat);
    if (auto f = Disc->BeginErase()) return TReply::Check(*f);
    StartOperation(BlankMs(p, type == kBlankFull), false, immediate);
    return TReply::Good();
}

TReply TEmulatedDrive::FormatUnit(const TCommand& c) {
    // Only the MMC form: FmtData with format code 001b (CmpList is ignored by MMC drives).
    if ((c.Cdb[1] & 0x17) != 0x11) return TReply::Check(sense::InvalidFieldInCdb);
    if (c.Direction != platform::SCSI_IOCTL_DATA_OUT || !c.Buffer || c.BufferLength < kFormatListLength)
        return TReply::Check(sense::ParameterListLengthError);
    const uint8_t* d = c.Buffer;
    if (GetBE16(d + 2) != 8) return TReply::Check(sense::ParameterListLengthError);
    const bool immediate = d[1] & kImmed;
    if (immediate && !(d[1] & kFov)) return TReply::Check(sense::InvalidFieldInParameterList);
    const uint32_t blocks = GetBE32(d + 4);
    const uint8_t type = d[8] >> 2;
    const uint32_t parameter = (uint32_t(d[9]) << 16) | (uint32_t(d[10]) << 8) | d[11];

    const TProfile p = CurrentProfile();
    if (!Settings.Model.CanWrite(p) || !Disc->Writable()) return TReply::Check(sense::CannotFormatIncompatibleMedium);
    bool fits = false;
    switch (p) {
    case TProfile::DvdPlusRw: fits = type == kTypeDvdPlusRw && parameter == 0; break;
    case TProfile::DvdRwSequential:
    case TProfile::DvdRwRestricted: fits = (type == kTypeFull || type == kTypeQuick) && parameter == kEccBlockSectors; break;
    case TProfile::DvdRam: fits = type == kTypeFull && parameter == kSectorSize; break;
    default: return TReply::Check(sense::CannotFormatIncompatibleMedium);
    }
    if (!fits || blocks == 0 || blocks > Disc->Capacity()) return TReply::Check(sense::InvalidFieldInParameterList);
    if (auto f = Disc->BeginFormat()) return TReply::Check(*f);
    StartOperation(FormatMs(p, type), true, immediate);
    TReply r;
    r.OutTransferred = kFormatListLength;
    return r;
}

TReply TEmulatedDrive::ReadFormatCapacities(const TCommand& c) {
    const uint32_t alloc = GetBE16(c.Cdb + 7);
    const TProfile p = CurrentProfile();
    std::vector<uint8_t> d(4, 0);
    if (p == TProfile::None) {
        Descriptor(d, 0, 0x03, kSectorSize); // no medium present
    } else {
        const uint32_t capacity = Disc->Capacity();
        const auto traits = MediumTraits(p);
        const bool blank = traits.Sequential ? Disc->DiscStatus() == 0 : (p == TProfile::DvdPlusRw && Disc->NeedsFormat());
        Descriptor(d, capacity, blank || Disc->NeedsFormat() ? 0x01 : 0x02, kSectorSize);
        if (Settings.Model.CanWrite(p)) {
            switch (p) {
            case TProfile::DvdPlusRw: Descriptor(d, capacity, kTypeDvdPlusRw << 2, 0); break;
            case TProfile::DvdRwSequential:
            case TProfile::DvdRwRestricted:
                Descriptor(d, capacity, kTypeFull << 2, kEccBlockSectors);
                Descriptor(d, capacity, kTypeQuick << 2, kEccBlockSectors);
                break;
            case TProfile::DvdRam: Descriptor(d, capacity, kTypeFull << 2, kSectorSize); break;
            default: break;
            }
        }
    }
    d[3] = uint8_t(d.size() - 4);
    return TReply::In(std::move(d), alloc);
}

} // namespace emulator

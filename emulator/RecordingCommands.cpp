// Recording: speed, OPC, streaming, time stamp, track reservation, WRITE(10) and READ(10),
// cache flush, track and session closing.
#include <algorithm>
#include <cctype>

#include "emulator/EmulatedDrive.h"
#include "emulator/Wire.h"
#include "platform/Clock.h"

namespace emulator {

namespace {

constexpr size_t kPerformanceDescriptorLength = 28;
constexpr uint8_t kDvdStructureTimestamp = 0x0F;
constexpr size_t kTimestampLength = 22; // 4-byte header, 4 reserved, 14 digits
constexpr uint32_t kDvdEccBlock = 16;     // sectors

// Close functions (CLOSE TRACK/SESSION byte 2).
constexpr uint8_t kCloseStopFormat = 0;   // DVD+RW: quick stop of background format
constexpr uint8_t kCloseTrack = 1;
constexpr uint8_t kCloseSession = 2;
constexpr uint8_t kCloseFormatDone = 3;   // DVD+RW: complete the background format
constexpr uint8_t kCloseFinalizeCompatible = 4; // DVD+R
constexpr uint8_t kCloseFinalize = 5;
constexpr uint8_t kCloseFinalizeMinimal = 6;    // DVD+R

// Media on which a test write (simulation) is possible.
bool Simulates(TProfile p) {
    return p == TProfile::CdR || p == TProfile::CdRw || p == TProfile::DvdR || p == TProfile::DvdRwSequential;
}

bool Digits(const uint8_t* p, size_t n) {
    return std::all_of(p, p + n, [](uint8_t c) { return std::isdigit(c); });
}

int Number(const uint8_t* p, size_t n) {
    int v = 0;
    for (size_t i = 0; i < n; ++i) v = v * 10 + (p[i] - '0');
    return v;
}

} // namespace

TReply TEmulatedDrive::SetCdSpeed(const TCommand& c) {
    ReadSpeedSet = GetBE16(c.Cdb + 2);
    WriteSpeedSet = GetBE16(c.Cdb + 4);
    WriteSpeedEverSet = true;
    return TReply::Good();
}

TReply TEmulatedDrive::SendOpc(const TCommand& c) {
    const TProfile p = CurrentProfile();
    if (!Settings.Model.CanWrite(p) || !Disc->Writable()) return TReply::Check(sense::CannotWriteIncompatibleFormat);
    TReply r;
    if (!(c.Cdb[1] & 0x01)) r.OutTransferred = std::min<uint32_t>(GetBE16(c.Cdb + 7), c.BufferLength); // an OPC table
    return r;
}

TReply TEmulatedDrive::SetStreaming(const TCommand& c) {
    const uint8_t type = c.Cdb[8];
    const uint32_t length = GetBE16(c.Cdb + 9);
    if (type != 0) return TReply::Check(sense::InvalidFieldInCdb); // only the performance descriptor
    if (length < kPerformanceDescriptorLength || c.BufferLength < length || !c.Buffer)
        return TReply::Check(sense::ParameterListLengthError);
    const uint8_t* d = c.Buffer;
    const uint32_t startLba = GetBE32(d + 4), endLba = GetBE32(d + 8);
    const uint32_t readTime = GetBE32(d + 16), writeTime = GetBE32(d + 24);
    if (startLba > endLba || readTime == 0 || writeTime == 0) return TReply::Check(sense::InvalidFieldInParameterList);
    StreamingDescriptor.assign(d, d + kPerformanceDescriptorLength);
    TReply r;
    r.OutTransferred = length;
    return r;
}

TReply TEmulatedDrive::SendDvdStructure(const TCommand& c) {
    const uint8_t format = c.Cdb[7];
    const uint32_t length = GetBE16(c.Cdb + 8);
    const TProfile p = CurrentProfile();
    if (format != kDvdStructureTimestamp) return TReply::Check(sense::InvalidFieldInCdb);
    if (p != TProfile::DvdR && p != TProfile::DvdRwSequential) return TReply::Check(sense::CannotWriteIncompatibleFormat);
    if (length < kTimestampLength || c.BufferLength < length || !c.Buffer)
        return TReply::Check(sense::ParameterListLengthError);
    const uint8_t* d = c.Buffer;
    const uint8_t* t = d + 8; // yyyymmddhhnnss
    if (GetBE16(d) + 2u < kTimestampLength || !Digits(t, 14)) return TReply::Check(sense::InvalidFieldInParameterList);
    const int month = Number(t + 4, 2), day = Number(t + 6, 2);
    if (month < 1 || month > 12 || day < 1 || day > 31 || Number(t + 8, 2) > 23 || Number(t + 10, 2) > 59 ||
        Number(t + 12, 2) > 59)
        return TReply::Check(sense::InvalidFieldInParameterList);
    if (!TestWriteActive()) Disc->SetTimestamp(std::string(t, t + 14));
    TReply r;
    r.OutTransferred = length;
    return r;
}

TReply TEmulatedDrive::ReserveTrack(const TCommand& c) {
    const bool byAddress = c.Cdb[1] & 0x01;
    const uint32_t size = GetBE32(c.Cdb + 5);
    if (byAddress) return TReply::Check(sense::InvalidFieldInCdb);
    if (!Settings.Model.CanWrite(CurrentProfile())) return TReply::Check(sense::CannotWriteIncompatibleFormat);
    // A simulated recording leaves the disc as it was.
    if (TestWriteActive() && Simulates(CurrentProfile())) return TReply::Good();
    if (auto f = Disc->Reserve(size)) return TReply::Check(*f);
    return TReply::Good();
}

TReply TEmulatedDrive::Write10(const TCommand& c) {
    const uint32_t lba = GetBE32(c.Cdb + 2);
    const uint32_t blocks = GetBE16(c.Cdb + 7);
    const TProfile p = CurrentProfile();
    if (!Settings.Model.CanWrite(p) || !Disc->Writable()) return TReply::Check(sense::CannotWriteIncompatibleFormat);
    if (blocks == 0) return TReply::Good();
    const uint64_t bytes = uint64_t(blocks) * kSectorSize;
    if (c.Direction != platform::SCSI_IOCTL_DATA_OUT || !c.Buffer || c.BufferLength < bytes)
        return TReply::Check(sense::InvalidFieldInCdb);
    if (uint64_t(lba) + blocks > Disc->Capacity()) return TReply::Check(sense::LbaOutOfRange);

    // The write parameters must describe 2048-byte data blocks on media that use them.
    const std::vector<uint8_t> page = CurrentWritePage();
    const uint8_t writeType = page[2] & 0x0F, blockType = page[4] & 0x0F;
    if (MediumTraits(p).Cd && (writeType == 3 || blockType != 8)) return TReply::Check(sense::IllegalModeForThisTrack);
    if ((p == TProfile::DvdR || p == TProfile::DvdRwSequential) && ((writeType != 0 && writeType != 2) || blockType != 8))
        return TReply::Check(sense::IllegalModeForThisTrack);
    // A DVD+R is recorded in whole ECC blocks: a write that ends inside one is refused, so
    // the initiator pads its last write (MMC; the drives other burners meet do the same).
    if (p == TProfile::DvdPlusR && (uint64_t(lba) + blocks) % kDvdEccBlock != 0) return TReply::Check(sense::InvalidFieldInCdb);

    TReply r;
    r.OutTransferred = uint32_t(bytes);
    DrainBuffer();
    BufferFill = std::min<uint64_t>(BufferFill + bytes, uint64_t(Settings.Model.BufferKB) * 1024);
    if (TestWriteActive() && Simulates(p)) {
        // Simulation: placed and paced like a real write, but nothing reaches the disc.
        auto f = Disc->CheckWrite(lba, blocks);
        if (f && !(SimulatedNext && lba == *SimulatedNext)) return TReply::Check(*f);
        SimulatedNext = lba + blocks;
        return r;
    }
    if (auto f = Disc->Write(lba, blocks, c.Buffer)) return TReply::Check(*f);
    return r;
}

TReply TEmulatedDrive::Read10(const TCommand& c) { return ReadBlocks(c, GetBE32(c.Cdb + 2), GetBE16(c.Cdb + 7)); }

TReply TEmulatedDrive::Read12(const TCommand& c) { return ReadBlocks(c, GetBE32(c.Cdb + 2), GetBE32(c.Cdb + 6)); }

TReply TEmulatedDrive::ReadBlocks(const TCommand& c, uint32_t lba, uint32_t blocks) {
    const uint64_t bytes = uint64_t(blocks) * kSectorSize;
    if (blocks == 0) return TReply::Good();
    if (c.Direction != platform::SCSI_IOCTL_DATA_IN || c.BufferLength < bytes)
        return TReply::Check(sense::InvalidFieldInCdb);
    if (const uint32_t ms = ReadFaultList.SlowReadMs()) platform::Clock().SleepMs(ms);
    if (uint64_t(lba) + blocks > Disc->Capacity()) return TReply::Check(sense::LbaOutOfRange);
    // Write-once media hold nothing past what was recorded: drives refuse such a read as out
    // of range rather than inventing zeros.
    if (!Disc->Recorded(lba, blocks)) return TReply::Check(sense::LbaOutOfRange);
    if (auto protectedRead = ProtectedReadFailure(lba, blocks)) return TReply::Check(*protectedRead);
    const auto judged = ReadFaultList.Judge(lba, blocks);
    if (judged.Outcome == TReadFaults::TOutcome::Vanish) {
        Vanished = true;
        return TReply::Check(sense::UnrecoveredReadError); // never delivered: the drive is gone
    }
    if (judged.Outcome == TReadFaults::TOutcome::Unreadable) return TReply::Check(sense::UnrecoveredReadError);
    std::vector<uint8_t> data(bytes);
    if (auto f = Disc->Read(lba, blocks, data.data())) return TReply::Check(*f);
    return TReply::In(std::move(data), uint32_t(bytes));
}

TReply TEmulatedDrive::SynchronizeCache(const TCommand& c) {
    const bool immediate = c.Cdb[1] & 0x02;
    BufferFill = 0;
    std::string ignored;
    Disc->Flush(ignored);
    if (immediate && Settings.ImmediateBusyMs) {
        BusyUntilMs = platform::Clock().NowMs() + Settings.ImmediateBusyMs;
        BusyClosing = false;
    }
    return TReply::Good();
}

TReply TEmulatedDrive::CloseTrackSession(const TCommand& c) {
    const bool immediate = c.Cdb[1] & 0x01;
    const uint8_t function = c.Cdb[2] & 0x07;
    const uint16_t number = GetBE16(c.Cdb + 4);
    const TProfile p = CurrentProfile();
    if (!Settings.Model.CanWrite(p) || !Disc->Writable()) return TReply::Check(sense::CannotWriteIncompatibleFormat);

    auto done = [&](TFailure f) {
        if (f) return TReply::Check(*f);
        if (immediate && Settings.ImmediateBusyMs) {
            BusyUntilMs = platform::Clock().NowMs() + Settings.ImmediateBusyMs;
            BusyClosing = true;
        }
        return TReply::Good();
    };
    if (TestWriteActive() && Simulates(p)) {
        SimulatedNext.reset();
        return done(std::nullopt);
    }
    const bool dvdPlusR = p == TProfile::DvdPlusR;
    const bool overwritable = !MediumTraits(p).Sequential;
    switch (function) {
    case kCloseTrack: return done(Disc->CloseTrack(number));
    case kCloseSession: {
        // CD and DVD-R/-RW: the multi-session field of the write parameters decides whether
        // another session may follow (11b) or the disc is closed.
        const bool appendable = dvdPlusR || overwritable || (CurrentWritePage()[3] >> 6) == 3;
        return done(Disc->CloseSession(appendable));
    }
    case kCloseStopFormat:
    case kCloseFormatDone:
        if (p != TProfile::DvdPlusRw) return TReply::Check(sense::InvalidFieldInCdb);
        return done(Disc->CloseSession(true));
    case kCloseFinalize: return done(overwritable ? Disc->CloseSession(true) : Disc->Finalize());
    case kCloseFinalizeCompatible:
    case kCloseFinalizeMinimal:
        if (!dvdPlusR) return TReply::Check(sense::InvalidFieldInCdb);
        return done(Disc->Finalize());
    default: return TReply::Check(sense::InvalidFieldInCdb);
    }
}

} // namespace emulator

#include "emulator/EmulatedDrive.h"

#include <algorithm>
#include <cstring>

#include "emulator/DataPhase.h"
#include "emulator/Opcodes.h"
#include "platform/Clock.h"

namespace emulator {

using platform::SCSI_IOCTL_DATA_IN;
using platform::SCSI_IOCTL_DATA_OUT;

TEmulatedDrive::TEmulatedDrive(TDriveConfig config)
    : Settings(std::move(config)), CommandLog(Settings.LogDataLimit) {}

TEmulatedDrive::~TEmulatedDrive() {
    std::string ignored;
    if (Disc) Disc->Flush(ignored);
}

const std::array<TEmulatedDrive::TEntry, 256>& TEmulatedDrive::Table() {
    static const std::array<TEntry, 256> table = [] {
        std::array<TEntry, 256> t{};
        //                                           handler                              CDB  medium
        t[op::TestUnitReady] = {&TEmulatedDrive::TestUnitReady, 6, true};
        t[op::RezeroUnit] = {&TEmulatedDrive::RezeroUnit, 6, false}; // readiness only where it is known
        t[op::RequestSense] = {&TEmulatedDrive::RequestSense, 6, false};
        t[op::FormatUnit] = {&TEmulatedDrive::FormatUnit, 6, true};
        t[op::ReadFormatCapacities] = {&TEmulatedDrive::ReadFormatCapacities, 10, false};
        t[op::Inquiry] = {&TEmulatedDrive::Inquiry, 6, false};
        t[op::StartStopUnit] = {&TEmulatedDrive::StartStopUnit, 6, false};
        t[op::PreventAllowMediumRemoval] = {&TEmulatedDrive::PreventAllow, 6, false};
        t[op::ReadCapacity] = {&TEmulatedDrive::ReadCapacity, 10, true};
        t[op::Read10] = {&TEmulatedDrive::Read10, 10, true};
        t[op::Write10] = {&TEmulatedDrive::Write10, 10, true};
        t[op::SynchronizeCache] = {&TEmulatedDrive::SynchronizeCache, 10, true};
        t[op::ReadTocPmaAtip] = {&TEmulatedDrive::ReadTocPmaAtip, 10, true};
        t[op::GetConfiguration] = {&TEmulatedDrive::GetConfiguration, 10, false};
        t[op::ReadDiscInformation] = {&TEmulatedDrive::ReadDiscInformation, 10, true};
        t[op::ReadTrackInformation] = {&TEmulatedDrive::ReadTrackInformation, 10, true};
        t[op::ReserveTrack] = {&TEmulatedDrive::ReserveTrack, 10, true};
        t[op::SendOpcInformation] = {&TEmulatedDrive::SendOpc, 10, true};
        t[op::ModeSelect10] = {&TEmulatedDrive::ModeSelect10, 10, false};
        t[op::ModeSense10] = {&TEmulatedDrive::ModeSense10, 10, false};
        t[op::CloseTrackSession] = {&TEmulatedDrive::CloseTrackSession, 10, true};
        t[op::ReadBufferCapacity] = {&TEmulatedDrive::ReadBufferCapacity, 10, false};
        t[op::Blank] = {&TEmulatedDrive::Blank, 12, true};
        t[op::Read12] = {&TEmulatedDrive::Read12, 12, true};
        t[op::SetStreaming] = {&TEmulatedDrive::SetStreaming, 12, false};
        t[op::SetCdSpeed] = {&TEmulatedDrive::SetCdSpeed, 12, false};
        t[op::SendDvdStructure] = {&TEmulatedDrive::SendDvdStructure, 12, true};
        t[op::ReadDvdStructure] = {&TEmulatedDrive::ReadDvdStructure, 12, true};
        t[op::ReportKey] = {&TEmulatedDrive::ReportKey, 12, false};
        return t;
    }();
    return table;
}

std::optional<TReply> TEmulatedDrive::Answer(const TCommand& cmd, bool& timedOut) {
    const uint8_t opcode = cmd.Cdb[0];
    TReply reply;
    auto fault = FaultList.Take(cmd.Cdb, cmd.CdbLength);
    if (fault && fault->Kind != TFaultKind::ShortReply && fault->Kind != TFaultKind::GarbageReply) {
        switch (fault->Kind) {
        case TFaultKind::Vanish: Vanished = true; return std::nullopt;
        case TFaultKind::NoCompletion: timedOut = true; return std::nullopt;
        case TFaultKind::Busy: reply.Status = kStatusBusy; break;
        case TFaultKind::CheckCondition: reply = TReply::Check(fault->Sense); break;
        default: break;
        }
        return reply;
    }
    const TEntry& entry = Table()[opcode];
    if (!entry.Handler) {
        reply = TReply::Check(sense::InvalidCommandOperationCode);
    } else if (cmd.CdbLength < entry.MinCdbLength) {
        reply = TReply::Check(sense::InvalidFieldInCdb);
    } else if (auto notReady = entry.NeedsMedium ? ReadinessFailure(true, opcode == op::TestUnitReady) : std::nullopt) {
        reply = TReply::Check(*notReady);
    } else {
        reply = (this->*entry.Handler)(cmd);
        if (Vanished) return std::nullopt; // gone in the middle of the command
    }
    if (fault) SpoilReply(*fault, reply.Data);
    return reply;
}

// The reply into the request as the pass-through hands it back: the data moved (and logged),
// the status, and the sense data where there is room for it (else kept for REQUEST SENSE).
// requested and senseRoom are the buffer sizes the request came with.
uint32_t TEmulatedDrive::Deliver(const TReply& reply, platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request,
                                 uint32_t requested, size_t senseRoom, TCommandRecord& record) {
    auto& spt = request.spt;
    uint32_t transferred = 0;
    if (reply.Status == kStatusGood && !reply.Data.empty()) {
        transferred = std::min<uint32_t>({uint32_t(reply.Data.size()), reply.AllocationLength, requested});
        if (transferred) std::memcpy(spt.DataBuffer, reply.Data.data(), transferred); // no buffer when nothing is asked for
        record.Data.assign(reply.Data.begin(), reply.Data.begin() + std::min<size_t>(transferred, CommandLog.DataLimitBytes()));
    } else if (reply.Status == kStatusGood && reply.OutTransferred) {
        transferred = std::min(reply.OutTransferred, requested);
    }
    if (spt.DataIn == SCSI_IOCTL_DATA_OUT && requested) {
        const auto* out = static_cast<const uint8_t*>(spt.DataBuffer);
        record.Data.assign(out, out + std::min<size_t>(requested, CommandLog.DataLimitBytes()));
    }
    spt.DataTransferLength = transferred;
    spt.ScsiStatus = reply.Status;
    if (reply.Status == kStatusCheckCondition) {
        uint8_t senseData[kFixedSenseLength];
        BuildFixedSense(reply.Sense, senseData);
        size_t n = std::min(senseRoom, sizeof senseData);
        std::memcpy(request.ucSenseBuf, senseData, n);
        spt.SenseInfoLength = uint8_t(n);
        if (n == 0) PendingSense = reply.Sense;
    }
    return transferred;
}

bool TEmulatedDrive::Execute(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request) {
    std::lock_guard lock(Mutex);
    auto& spt = request.spt;
    const uint8_t cdbLength = std::min<uint8_t>(spt.CdbLength, sizeof spt.Cdb);
    const uint32_t requested = spt.DataBuffer ? spt.DataTransferLength : 0;
    const size_t senseRoom = std::min<size_t>(spt.SenseInfoLength, sizeof request.ucSenseBuf);

    TCommandRecord record;
    record.Cdb.assign(spt.Cdb, spt.Cdb + cdbLength);
    record.Direction = spt.DataIn;
    record.Length = spt.DataTransferLength;

    spt.ScsiStatus = kStatusGood;
    spt.SenseInfoLength = 0;

    auto fail = [&](bool timedOut) {
        if (timedOut) platform::Clock().SleepMs(spt.TimeOutValue * 1000u);
        spt.DataTransferLength = 0;
        record.Completed = false;
        CommandLog.Add(std::move(record));
        return false;
    };
    if (Vanished || cdbLength == 0) return fail(false);
    // The host adapter's part: data moving the other way than the command moves it, or more
    // than the buffer holds, fails the request before the drive answers.
    if (auto phase = ExpectedDataPhase(spt.Cdb, cdbLength))
        if (spt.DataIn != phase->Direction || requested < phase->Length) return fail(false);
    SettleOperation();

    TCommand cmd{spt.Cdb, cdbLength, spt.DataIn, static_cast<uint8_t*>(spt.DataBuffer), requested};
    const uint8_t opcode = spt.Cdb[0];
    if (opcode != op::RequestSense) PendingSense.reset();

    bool timedOut = false;
    std::optional<TReply> answer = Answer(cmd, timedOut);
    if (!answer) return fail(timedOut);
    const TReply& reply = *answer;

    const uint32_t transferred = Deliver(reply, request, requested, senseRoom, record);
    record.Transferred = transferred;
    record.Status = reply.Status;
    record.Sense = reply.Sense;
    CommandLog.Add(std::move(record));
    return true;
}

std::optional<TSenseCode> TEmulatedDrive::ReadinessFailure(bool consume, bool forTestUnitReady) {
    if (Tray && SwapAtMs && platform::Clock().NowMs() >= *SwapAtMs) {
        SwapAtMs.reset();
        std::string ignored;
        if (Disc) Disc->Flush(ignored);
        Disc = std::move(SwapDisc);
        OperationDisc.reset();
        Tray = false;
        StartBecomingReady();
    }
    if (Tray) return sense::MediumNotPresentTrayOpen;
    if (!Disc) return sense::MediumNotPresent;
    uint64_t now = platform::Clock().NowMs();
    if (ReadyCommandsLeft > 0 || now < ReadyAtMs) {
        if (consume && ReadyCommandsLeft > 0) --ReadyCommandsLeft;
        return sense::BecomingReady;
    }
    if (auto op = OperationFailure()) return op;
    if (now < BusyUntilMs && !forTestUnitReady)
        return BusyClosing ? sense::OperationInProgress : sense::LongWriteInProgress;
    return std::nullopt;
}

void TEmulatedDrive::StartBecomingReady() {
    if (!Disc) return;
    ReadyCommandsLeft = Settings.BecomingReadyCommands;
    ReadyAtMs = platform::Clock().NowMs() + Settings.BecomingReadyMs;
}

void TEmulatedDrive::LoadMedium(std::shared_ptr<TDisc> disc) {
    std::lock_guard lock(Mutex);
    std::string ignored;
    if (Disc) Disc->Flush(ignored);
    Disc = std::move(disc);
    OperationDisc.reset(); // a disc taken out in the middle stays half erased
    Tray = false;
    SimulatedNext.reset();
    StartBecomingReady();
}

TDriveConfig TEmulatedDrive::Config() const {
    std::lock_guard lock(Mutex);
    return Settings;
}

std::shared_ptr<TDisc> TEmulatedDrive::Medium() const {
    std::lock_guard lock(Mutex);
    // A drive that is still there finishes its erase on its own, whether asked or not.
    if (!Vanished) const_cast<TEmulatedDrive*>(this)->SettleOperation();
    return Disc;
}

void TEmulatedDrive::SwapDiscOnEject(std::shared_ptr<TDisc> next, uint32_t afterMs) {
    std::lock_guard lock(Mutex);
    SwapDisc = std::move(next);
    SwapAfterMs = afterMs;
    SwapAtMs.reset();
}

bool TEmulatedDrive::TrayOpen() const {
    std::lock_guard lock(Mutex);
    return Tray;
}

bool TEmulatedDrive::RemovalPrevented() const {
    std::lock_guard lock(Mutex);
    return Prevented;
}

TProfile TEmulatedDrive::CurrentProfile() const {
    if (Tray || !Disc) return TProfile::None;
    return Disc->Profile();
}

std::vector<uint8_t> TEmulatedDrive::WriteParametersPage() const {
    std::lock_guard lock(Mutex);
    return CurrentWritePage();
}

bool TEmulatedDrive::TestWriteActive() const {
    std::lock_guard lock(Mutex);
    return (CurrentWritePage()[2] & 0x10) != 0;
}

} // namespace emulator

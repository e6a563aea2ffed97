#pragma once
// An emulated CD/DVD drive or recorder on the virtual drive bus. It answers the pass-through
// requests the engine sends exactly as a real MMC drive would: status, auto-sense, the bytes
// actually transferred. Commands go through one table indexed by opcode; each handler
// builds its reply field by field.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "emulator/CommandLog.h"
#include "emulator/Disc.h"
#include "emulator/DriveModel.h"
#include "emulator/Faults.h"
#include "emulator/ReadFaults.h"
#include "emulator/Sense.h"
#include "platform/virtual/VirtualBus.h"

namespace emulator {

struct TDriveConfig {
    TDriveModel Model = GenericRecorder();
    // After a load (START STOP UNIT with LoEj and Start) the drive reports NOT READY,
    // BECOMING READY (04h/01h) to this many medium commands, and for this many virtual
    // milliseconds (platform::Clock()), whichever lasts longer.
    uint32_t BecomingReadyCommands = 0;
    uint32_t BecomingReadyMs = 0;
    // After SYNCHRONIZE CACHE or CLOSE TRACK/SESSION with Immed, the drive reports LONG
    // WRITE IN PROGRESS (04h/08h) for this many virtual milliseconds.
    uint32_t ImmediateBusyMs = 0;
    // When not 0, every erase and format lasts this many virtual milliseconds instead of the
    // time a real drive takes for the medium.
    uint32_t OperationMs = 0;
    size_t LogDataLimit = 4096;
};

// What the initiator asked, as the handlers see it.
struct TCommand {
    const uint8_t* Cdb = nullptr;
    uint8_t CdbLength = 0;
    uint8_t Direction = 0;
    uint8_t* Buffer = nullptr;
    uint32_t BufferLength = 0;
};

// What the drive answers: a status, sense for CHECK CONDITION, and the data-in bytes.
struct TReply {
    uint8_t Status = kStatusGood;
    TSenseCode Sense;
    std::vector<uint8_t> Data;  // data in, before the allocation length cuts it
    uint32_t AllocationLength = 0;
    uint32_t OutTransferred = 0; // data out accepted

    static TReply Good() { return {}; }
    static TReply Check(const TSenseCode& s) { return {kStatusCheckCondition, s, {}, 0, 0}; }
    static TReply In(std::vector<uint8_t> data, uint32_t alloc) { return {kStatusGood, {}, std::move(data), alloc, 0}; }
};

class TEmulatedDrive : public platform::IScsiTarget {
public:
    explicit TEmulatedDrive(TDriveConfig config = {});
    ~TEmulatedDrive() override;

    bool Execute(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request) override;

    // The medium: loaded into the (closed) tray; nullptr empties the drive.
    void LoadMedium(std::shared_ptr<TDisc> disc);
    std::shared_ptr<TDisc> Medium() const;
    bool TrayOpen() const;
    bool RemovalPrevented() const;
    // A user changing the disc: afterMs (platform::Clock()) after the next eject the tray
    // closes on `next`.
    void SwapDiscOnEject(std::shared_ptr<TDisc> next, uint32_t afterMs);

    TCommandLog& Log() { return CommandLog; }
    TFaultList& Faults() { return FaultList; }
    TReadFaults& ReadFaults() { return ReadFaultList; }
    TDriveConfig Config() const;
    // Changes the model or the timings of a drive already on the bus (the log keeps its limit).
    // The write parameters page as last accepted (page code byte first).
    std::vector<uint8_t> WriteParametersPage() const;
    bool TestWriteActive() const;
    uint16_t CurrentWriteSpeed() const;
    uint16_t CurrentReadSpeed() const;

    using THandler = TReply (TEmulatedDrive::*)(const TCommand&);
    struct TEntry {
        THandler Handler = nullptr;
        uint8_t MinCdbLength = 0;
        // Commands that touch the medium: refused with NOT READY while there is none or it
        // is becoming ready.
        bool NeedsMedium = false;
    };

private:
    static const std::array<TEntry, 256>& Table();
    // The drive's reply to one command (faults applied), or none when no answer comes: gone,
    // or (timedOut) the host waits out its time-out.
    std::optional<TReply> Answer(const TCommand& cmd, bool& timedOut);
    uint32_t Deliver(const TReply& reply, platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request,
                     uint32_t requested, size_t senseRoom, TCommandRecord& record);
    // forTestUnitReady: an immediate flush or close under way leaves TEST UNIT READY GOOD, as
    // drives answer; the disc's queries report the operation instead.
    std::optional<TSenseCode> ReadinessFailure(bool consume, bool forTestUnitReady = false);
    void StartBecomingReady();
    TProfile CurrentProfile() const;
    uint16_t ClampSpeed(uint16_t requested, uint16_t max) const;
    void DrainBuffer();

    // Primary commands.
    TReply TestUnitReady(const TCommand&);
    TReply RequestSense(const TCommand&);
    TReply Inquiry(const TCommand&);
    TReply StartStopUnit(const TCommand&);
    TReply PreventAllow(const TCommand&);
    TReply RezeroUnit(const TCommand&);
    // Mode pages.
    TReply ModeSense10(const TCommand&);
    TReply ModeSelect10(const TCommand&);
    std::vector<uint8_t> CapabilitiesPage(bool defaults) const;
    std::vector<uint8_t> WritePage(bool defaults) const;
    std::vector<uint8_t> CurrentWritePage() const { return WritePage(false); }
    std::vector<uint8_t> VendorPage30() const;
    std::optional<TSenseCode> CheckWritePage(const uint8_t* page, size_t length) const;
    // Queries.
    TReply GetConfiguration(const TCommand&);
    TReply ReadDiscInformation(const TCommand&);
    TReply ReadTrackInformation(const TCommand&);
    TReply ReadTocPmaAtip(const TCommand&);
    TReply ReadCapacity(const TCommand&);
    TReply ReadBufferCapacity(const TCommand&);
    // Copy protection: READ DVD STRUCTURE (copyright information) and REPORT KEY (RPC state).
    TReply ReadDvdStructure(const TCommand&);
    TReply ReportKey(const TCommand&);
    // The refusal of a read that reaches scrambled sectors of a CSS disc (no authentication
    // is ever made here; a disc of another region is refused as such first).
    std::optional<TSenseCode> ProtectedReadFailure(uint32_t lba, uint32_t blocks) const;
    // Recording.
    TReply SetCdSpeed(const TCommand&);
    TReply SendOpc(const TCommand&);
    TReply SetStreaming(const TCommand&);
    TReply SendDvdStructure(const TCommand&);
    TReply ReserveTrack(const TCommand&);
    TReply Write10(const TCommand&);
    TReply Read10(const TCommand&);
    TReply Read12(const TCommand&);
    TReply ReadBlocks(const TCommand&, uint32_t lba, uint32_t blocks);
    TReply SynchronizeCache(const TCommand&);
    TReply CloseTrackSession(const TCommand&);
    TReply Blank(const TCommand&);
    // Erasing and formatting.
    TReply FormatUnit(const TCommand&);
    TReply ReadFormatCapacities(const TCommand&);
    // Starts a long operation on the loaded disc: it lasts ms of virtual time (NOT READY with
    // its progress meanwhile) unless Immed is clear, when the command itself takes that long.
    void StartOperation(uint32_t ms, bool format, bool immediate);
    // Marks the disc done once its operation's time has passed.
    void SettleOperation();
    std::optional<TSenseCode> OperationFailure() const;

    TDriveConfig Settings;
    TCommandLog CommandLog;
    TFaultList FaultList;
    TReadFaults ReadFaultList;

    mutable std::recursive_mutex Mutex;
    bool Vanished = false;
    std::shared_ptr<TDisc> Disc;
    bool Tray = false;     // open
    std::shared_ptr<TDisc> SwapDisc;
    uint32_t SwapAfterMs = 0;
    std::optional<uint64_t> SwapAtMs;
    bool Prevented = false;
    uint32_t ReadyCommandsLeft = 0;
    uint64_t ReadyAtMs = 0;
    uint64_t BusyUntilMs = 0;
    bool BusyClosing = false; // the immediate operation is a close (else a flush)
    // The erase or format under way, on this disc, from and until these virtual times.
    std::shared_ptr<TDisc> OperationDisc;
    uint64_t OperationStartMs = 0, OperationEndMs = 0;
    bool OperationIsFormat = false;
    // Sense of the last CHECK CONDITION that went without auto-sense, for REQUEST SENSE.
    std::optional<TSenseCode> PendingSense;

    // Page 05h as last accepted, page code first; empty until MODE SELECT sends one (the
    // drive's default for the loaded medium holds until then).
    std::vector<uint8_t> Page05;
    std::optional<uint32_t> SimulatedNext; // next address of a test write in progress
    uint16_t ReadSpeedSet = 0xFFFF;   // as SET CD SPEED gave them; FFFFh = maximum
    uint16_t WriteSpeedSet = 0xFFFF;
    bool WriteSpeedEverSet = false;
    uint64_t BufferFill = 0;          // bytes held in the write buffer
    uint64_t BufferCheckedMs = 0;
    std::vector<uint8_t> StreamingDescriptor;
};

} // namespace emulator

#pragma once
// The outcome of one SCSI command as data, beside the message texts: what the engine and its
// tests decide on instead of testing raw sense bytes.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/transport/Srb.h"

namespace tarnwick {

struct TCommandOutcome {
    uint8_t Opcode = 0;
    uint8_t Status = SS_PENDING; // the request's SRB status (SS_COMP, SS_ERR, SS_NO_TRANSPORT, ...)
    uint8_t HostStatus = 0;      // the adapter's status (HASTAT_*)
    uint8_t TargetStatus = 0;    // the SCSI status byte (0x02 CHECK CONDITION, 0x08 BUSY)
    uint8_t SenseKey = 0, Asc = 0, Ascq = 0; // from the returned sense data; 0 without any
    // The block the command addressed (READ/WRITE 10/12, VERIFY 10), or else the sense data's
    // valid information field.
    std::optional<uint32_t> Lba;
    // The sense area's response code and byte 12 as returned by a failed command, whatever
    // their format or status: what the engine's retry decisions read (engine/device/Decisions.h).
    uint8_t ReturnedCode = 0, ReturnedAsc = 0;
    // The progress indication of a long operation (out of 65536), when the sense carries one.
    std::optional<uint16_t> Progress;

    bool Completed() const { return Status == SS_COMP; }
    // The drive answered BUSY.
    bool Busy() const { return Status == SS_ERR && HostStatus == HASTAT_OK && TargetStatus == STATUS_BUSY; }
};

// Progress of an operation in progress (fixed-format sense with SKSV set, bytes 16-17 out of
// 65536); nullopt when the sense carries none.
std::optional<uint16_t> SenseProgress(const uint8_t* sense, size_t length);

// The outcome of a finished request; its sense area only when readSense (the transport is done
// with it).
TCommandOutcome OutcomeOf(const SRB_ExecSCSICmd& Request, bool readSense = true);

} // namespace tarnwick

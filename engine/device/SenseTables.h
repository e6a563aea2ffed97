#pragma once
// The SCSI status and sense texts of the engine's message table, keyed by request status,
// host-adapter status, target status, sense key and (ASC, ASCQ).
#include <cstdint>

#include "engine/device/Messages.h"
#include "engine/transport/Srb.h"

namespace tarnwick {

inline constexpr const char* kCheckCondition = "CHECK CONDITION";

struct TAdditionalSense {
    uint8_t Asc;
    uint8_t Ascq;
    const char* Text;
};

// The 256 known (ASC, ASCQ) pairs in ascending order.
// The text of a pair, or nullptr when the pair has none.
const char* AdditionalSenseText(uint8_t asc, uint8_t ascq);

// SRB_Status; SS_ERR and unknown codes give "UNKNOWN" (the caller refines SS_ERR).
const char* RequestStatusText(uint8_t status);
// SRB_HaStat for SS_ERR; HASTAT_OK and unknown codes give "UNKNOWN".
const char* HostAdapterStatusText(uint8_t haStat);
// SRB_TargStat for HASTAT_OK: GOOD and CHECK CONDITION both give "CHECK CONDITION".
const char* TargetStatusText(uint8_t targStat);
// Byte 2 of fixed-format sense data (flags and sense key).
const char* SenseKeyText(uint8_t byte2);

} // namespace tarnwick

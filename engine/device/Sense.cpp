// Turning a failed request into the engine's message text: request status, then host-adapter
// status, then target status; a CHECK CONDITION is refined by the sense key and the
// additional sense code and qualifier are appended in parentheses.
#include <algorithm>
#include <cstring>

#include "engine/device/ScsiDevice.h"
#include "engine/device/SenseTables.h"

namespace tarnwick {

std::string TSCSIDevice::StatusText(uint8_t Status, uint8_t HaStat, uint8_t TargStat) {
    TargetBusy = false;
    if (Status != SS_ERR) return RequestStatusText(Status);
    if (HaStat != HASTAT_OK) return HostAdapterStatusText(HaStat);
    if (TargStat == STATUS_BUSY) TargetBusy = true;
    return TargetStatusText(TargStat);
}

void TSCSIDevice::ErrorText(const SRB_ExecSCSICmd& Request) {
    std::string text = StatusText(Request.SRB_Status, Request.SRB_HaStat, Request.SRB_TargStat);
    if (text == kCheckCondition) {
        const uint8_t responseCode = Request.SenseArea[0];
        if (responseCode == 0x00) {
            text.clear(); // a CHECK CONDITION that brought no sense data
        } else if ((responseCode & 0x7E) == 0x70) {
            // Fixed format, current (70h) or deferred (71h), with or without the valid bit.
            text = SenseKeyText(Request.SenseArea[2]);
        } else {
            text = msg::Unknown; // descriptor format and vendor codes are not decoded
        }
    }
    LastCommandError = text;
    SenseText(Request);
}

void TSCSIDevice::SenseText(const SRB_ExecSCSICmd& Request) {
    static_assert(sizeof(Request.SenseArea) == std::tuple_size_v<decltype(LastSense)>);
    std::memcpy(LastSense.data(), Request.SenseArea, LastSense.size());
    const uint8_t asc = Request.SenseArea[12];
    const uint8_t ascq = Request.SenseArea[13];
    std::string additional;
    if (const char* known = AdditionalSenseText(asc, ascq)) {
        additional = known;
    } else {
        additional = std::to_string(asc) + "," + std::to_string(ascq);
    }
    if (Request.SenseArea[7] != 0) LastCommandError += " (" + additional + ")";
}

} // namespace tarnwick

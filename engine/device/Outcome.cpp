#include "engine/device/Outcome.h"

#include "engine/Bytes.h"

namespace tarnwick {

namespace {

// Commands whose bytes 2-5 hold the logical block they address.
bool AddressesBlock(uint8_t opcode) {
    switch (opcode) {
    case 0x28: // READ(10)
    case 0x2A: // WRITE(10)
    case 0x2F: // VERIFY(10)
    case 0xA8: // READ(12)
    case 0xAA: // WRITE(12)
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<uint16_t> SenseProgress(const uint8_t* sense, size_t length) {
    if (length < 18 || (sense[0] & 0x7E) != 0x70) return std::nullopt;
    if (sense[7] < 10 || !(sense[15] & 0x80)) return std::nullopt; // SKSV
    return GetBE16(&sense[16]);
}

TCommandOutcome OutcomeOf(const SRB_ExecSCSICmd& Request, bool readSense) {
    TCommandOutcome o;
    o.Opcode = Request.CDBByte[0];
    o.Status = Request.SRB_Status;
    o.HostStatus = Request.SRB_HaStat;
    o.TargetStatus = Request.SRB_TargStat;
    const uint8_t* sense = Request.SenseArea;
    const uint8_t code = sense[0] & 0x7F;
    if (readSense && o.Status != SS_COMP) {
        o.ReturnedCode = sense[0];
        o.ReturnedAsc = sense[12];
    }
    // Sense data belongs to a CHECK CONDITION; with any other status it is stale.
    const bool failed = readSense && o.Status != SS_COMP && o.TargetStatus == STATUS_CHKCOND;
    if (failed && (code == 0x70 || code == 0x71)) {
        // Fixed format: key in byte 2, ASC/ASCQ in bytes 12-13, information in bytes 3-6.
        o.SenseKey = sense[2] & 0x0F;
        o.Asc = sense[12];
        o.Ascq = sense[13];
        if (sense[0] & 0x80) o.Lba = GetBE32(sense + 3);
        o.Progress = SenseProgress(sense, sizeof(Request.SenseArea));
    } else if (failed && (code == 0x72 || code == 0x73)) {
        // Descriptor format: key, ASC and ASCQ in bytes 1-3.
        o.SenseKey = sense[1] & 0x0F;
        o.Asc = sense[2];
        o.Ascq = sense[3];
    }
    if (AddressesBlock(o.Opcode)) o.Lba = GetBE32(Request.CDBByte + 2);
    return o;
}

} // namespace tarnwick

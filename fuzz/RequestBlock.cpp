// A caller's ASPI request block handled by the pass-through emulation: any command code,
// address, flags, lengths and CDB, against a drive that answers with the remaining bytes.
// The caller's pointers are the one thing a caller must get right, so they are real here:
// a buffer of exactly SRB_BufLen bytes (bounded) and no completion event.
#include <vector>

#include "FuzzDrive.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& rig = fuzz::Rig();
    constexpr size_t kSrb = sizeof(SRB_ExecSCSICmd);
    if (size < kSrb) return 0;
    alignas(8) uint8_t block[kSrb];
    std::memcpy(block, data, kSrb);
    rig.Drive->Status = uint8_t(data[1] & 0x0A); // GOOD, CHECK CONDITION or BUSY
    rig.Drive->Sense = fuzz::Bytes(data + 64, 33);
    const std::vector<uint8_t> reply(data + kSrb, data + size);
    for (uint8_t op = 0; op < 0xFF; ++op) rig.Drive->Replies[op] = reply;
    rig.Drive->InquiryReply = reply;

    std::vector<uint8_t> buffer;
    if (block[0] == SC_EXEC_SCSI_CMD) {
        auto& srb = *reinterpret_cast<SRB_ExecSCSICmd*>(block);
        srb.SRB_BufLen = std::min<uint32_t>(srb.SRB_BufLen, 1u << 16);
        buffer.resize(srb.SRB_BufLen);
        srb.SRB_BufPointer = buffer.empty() ? nullptr : buffer.data();
        srb.SRB_PostProc = nullptr;
        // Aim at the drive most of the time so the command reaches it.
        if (data[2] & 1) srb.SRB_HaId = srb.SRB_Target = srb.SRB_Lun = 0;
    } else if (block[0] == SC_ABORT_SRB) {
        reinterpret_cast<SRB_Abort*>(block)->SRB_ToAbort = nullptr;
    }
    SPTISendASPI32Command(block);
    if (block[0] == SC_EXEC_SCSI_CMD) {
        const auto& srb = *reinterpret_cast<SRB_ExecSCSICmd*>(block);
        // The emulation never reports more moved than the caller's buffer holds.
        if (srb.SRB_BufLen > buffer.size()) __builtin_trap();
        if (srb.SRB_Status == SS_ERR) rig.Dev.ErrorText(srb);
    }
    return 0;
}

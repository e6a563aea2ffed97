// Sense data: a CHECK CONDITION with any sense bytes turned into the error text, and the
// REQUEST SENSE reply read back.
#include "engine/device/Replies.h"
#include "FuzzDrive.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& rig = fuzz::Rig();
    if (size == 0) return 0;
    // First byte: SCSI status of every command; the rest is both the sense and the REQUEST
    // SENSE data.
    rig.Drive->Status = data[0];
    rig.Drive->Sense = fuzz::Bytes(data + 1, size - 1);
    rig.Drive->Replies[0x03] = rig.Drive->Sense;
    rig.Dev.TestUnitReady(1000);
    fuzz::TFuzzRig::Sink += rig.Dev.LastCommandError.size();
    rig.Dev.WaitUnitReady(2000, 1000);
    uint8_t buf[32];
    if (rig.Dev.RequestSense(buf, uint8_t(data[0] % sizeof buf)))
        reply::SenseDeclared(TByteReader(buf, sizeof buf));

    SRB_ExecSCSICmd srb{};
    srb.SRB_Status = SS_ERR;
    srb.SRB_TargStat = STATUS_CHKCOND;
    std::memcpy(srb.SenseArea, data + 1, std::min(size - 1, sizeof srb.SenseArea));
    rig.Dev.ErrorText(srb);
    srb.SRB_Status = data[0];
    srb.SRB_HaStat = uint8_t(size > 2 ? data[2] : 0);
    srb.SRB_TargStat = uint8_t(size > 3 ? data[3] : 0);
    rig.Dev.ErrorText(srb);
    return 0;
}

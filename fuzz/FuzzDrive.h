#pragma once
// The drive every engine-side fuzz target talks to: each command is answered from the bytes
// the fuzzer gave, through the same virtual bus and pass-through emulation a real drive's
// replies take, so the engine's reply checks see exactly what a lying drive would send.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/device/ScsiDevice.h"
#include "engine/transport/Aspi.h"
#include "engine/transport/Spti.h"
#include "platform/Clock.h"
#include "platform/virtual/VirtualBus.h"

namespace tarnwick::fuzz {

class TFuzzDrive : public platform::IScsiTarget {
public:
    // Data-in of every command with this opcode; other commands get InquiryReply for INQUIRY
    // and an empty GOOD reply otherwise.
    std::map<uint8_t, std::vector<uint8_t>> Replies;
    std::vector<uint8_t> InquiryReply;
    uint8_t Status = 0;
    std::vector<uint8_t> Sense;
    // The data in moved may be reported longer than what was copied (a lying transport).
    bool OverstateMoved = false;

    bool Execute(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& r) override {
        std::lock_guard lock(Mutex);
        const uint8_t op = r.spt.CdbLength ? r.spt.Cdb[0] : 0xFF;
        const std::vector<uint8_t>* reply = nullptr;
        if (auto it = Replies.find(op); it != Replies.end()) reply = &it->second;
        else if (op == 0x12) reply = &InquiryReply;
        auto* data = static_cast<uint8_t*>(r.spt.DataBuffer);
        uint32_t n = 0;
        if (r.spt.DataIn == platform::SCSI_IOCTL_DATA_IN && data) {
            n = reply ? std::min<uint32_t>(r.spt.DataTransferLength, uint32_t(reply->size())) : 0;
            if (n) std::memcpy(data, reply->data(), n);
            if (OverstateMoved) n = r.spt.DataTransferLength;
        } else if (r.spt.DataIn == platform::SCSI_IOCTL_DATA_OUT) {
            n = r.spt.DataTransferLength;
        }
        r.spt.DataTransferLength = n;
        r.spt.ScsiStatus = Status;
        const size_t sense = std::min<size_t>({Sense.size(), r.spt.SenseInfoLength, sizeof r.ucSenseBuf});
        if (sense) std::memcpy(r.ucSenseBuf, Sense.data(), sense);
        r.spt.SenseInfoLength = uint8_t(Status == 0 ? 0 : sense);
        return true;
    }

private:
    std::mutex Mutex;
};

// One fuzz drive at E: (adapter 0, target 0, LUN 0), the transport loaded, the device current.
// Built once per process: loading the transport is the expensive part.
struct TFuzzRig {
    TFuzzRig() : Drive(std::make_shared<TFuzzDrive>()) {
        platform::SetClock(&Clock);
        Drive->InquiryReply = StandardInquiry();
        platform::RegisterVirtualDrive('E', Drive, platform::SCSI_ADDRESS{8, 0, 0, 0, 0});
        LoadASPI(true, "");
        Dev.HaId = Dev.Target = Dev.Lun = 0;
        // Messages are built (that is part of what is fuzzed) and dropped.
        Dev.OnDebugMessage = [](TComponent*, const std::string& m, uint8_t) { Sink += m.size(); };
    }
    static std::vector<uint8_t> StandardInquiry() {
        std::vector<uint8_t> v(96, ' ');
        v[0] = 0x05;
        v[1] = 0x80;
        v[2] = v[3] = 0x02;
        v[4] = 91;
        v[5] = v[6] = v[7] = 0;
        std::memcpy(&v[8], "TARNFUZZ", 8);
        std::memcpy(&v[16], "HOSTILE REPLIES ", 16);
        std::memcpy(&v[32], "1.00", 4);
        return v;
    }
    // Back to a well-behaved drive before the next input.
    void Reset() {
        Drive->Replies.clear();
        Drive->InquiryReply = StandardInquiry();
        Drive->Status = 0;
        Drive->Sense.clear();
        Drive->OverstateMoved = false;
    }

    platform::TVirtualClock Clock;
    std::shared_ptr<TFuzzDrive> Drive;
    TSCSIDevice Dev;
    static inline size_t Sink = 0;
};

inline TFuzzRig& Rig() {
    static TFuzzRig rig;
    rig.Reset();
    return rig;
}

inline std::vector<uint8_t> Bytes(const uint8_t* data, size_t size) { return {data, data + size}; }

} // namespace tarnwick::fuzz

#pragma once
// A drive for the virtual bus whose replies a test scripts per command (and per mode page),
// in sequence: each queued reply answers one command, the last one keeps answering. Records
// every command with its data, and the close-after-command switch as it stood meanwhile.
#include <array>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/device/ScsiDevice.h"
#include "engine/transport/Aspi.h"
#include "engine/transport/Spti.h"
#include "platform/Clock.h"
#include "platform/virtual/VirtualBus.h"

namespace tarnwick::test {

struct TReply {
    uint8_t Status = 0;         // SCSI status
    std::vector<uint8_t> Data;  // data in
    std::vector<uint8_t> Sense; // for CHECK CONDITION

    static TReply Good(std::vector<uint8_t> data = {}) { return {0, std::move(data), {}}; }
    static TReply Check(uint8_t key, uint8_t asc, uint8_t ascq = 0, uint8_t responseCode = 0x70) {
        std::vector<uint8_t> s(18, 0);
        s[0] = responseCode;
        s[2] = key;
        s[7] = 10;
        s[12] = asc;
        s[13] = ascq;
        return {0x02, {}, s};
    }
};

struct TRecord {
    std::vector<uint8_t> Cdb;
    uint8_t DataIn = 0;
    uint32_t Length = 0;
    std::vector<uint8_t> DataOut;
    bool CloseAfterCommand = false;
    uint64_t At = 0; // clock time when it arrived
    uint8_t Op() const { return Cdb.empty() ? 0xFF : Cdb[0]; }
};

class TScriptedDrive : public platform::IScsiTarget {
public:
    TScriptedDrive(uint8_t type = 0x05, const std::string& vendor = "TARNTEST", const std::string& product = "SCRIPTED",
                   const std::string& revision = "1.00") {
        Inquiry.fill(0);
        SetIdentity(type, vendor, product, revision);
    }
    void SetIdentity(uint8_t type, std::string vendor, std::string product, std::string revision) {
        Inquiry[0] = type;
        Inquiry[4] = 31;
        vendor.resize(8, ' ');
        product.resize(16, ' ');
        revision.resize(4, ' ');
        std::memcpy(&Inquiry[8], vendor.data(), 8);
        std::memcpy(&Inquiry[16], product.data(), 16);
        std::memcpy(&Inquiry[32], revision.data(), 4);
    }

    // Replies for an opcode; for MODE SENSE(10) use ModeSenseKey.
    void On(uint16_t key, std::vector<TReply> replies) {
        std::lock_guard lock(Mutex);
        Script[key] = std::deque<TReply>(replies.begin(), replies.end());
    }
    static uint16_t ModeSenseKey(uint8_t page, bool defaults) { return uint16_t(0x5A00 | page | (defaults ? 0x80 : 0)); }

    bool Execute(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& r) override {
        std::lock_guard lock(Mutex);
        TRecord rec;
        rec.Cdb.assign(r.spt.Cdb, r.spt.Cdb + r.spt.CdbLength);
        rec.DataIn = r.spt.DataIn;
        rec.Length = r.spt.DataTransferLength;
        auto* data = static_cast<uint8_t*>(r.spt.DataBuffer);
        if (r.spt.DataIn == platform::SCSI_IOCTL_DATA_OUT && data) rec.DataOut.assign(data, data + rec.Length);
        rec.CloseAfterCommand = SPTIState().SPTICloseAfterCommand;
        rec.At = platform::Clock().NowMs();
        Log.push_back(rec);

        TReply reply;
        if (rec.Op() == 0x12) {
            reply = TReply::Good(std::vector<uint8_t>(Inquiry.begin(), Inquiry.begin() + 96));
        } else {
            uint16_t key = rec.Op();
            if (rec.Op() == 0x5A) key = uint16_t(0x5A00 | rec.Cdb[2]);
            auto it = Script.find(key);
            if (it != Script.end() && !it->second.empty()) {
                reply = it->second.front();
                if (it->second.size() > 1) it->second.pop_front();
            } else if (rec.Op() == 0x5A || rec.Op() == 0x46 || rec.Op() == 0x51 || rec.Op() == 0x43 ||
                       rec.Op() == 0x5C) {
                reply = Unscripted; // queries the test did not set up
            }
        }
        uint32_t n = 0;
        if (r.spt.DataIn == platform::SCSI_IOCTL_DATA_IN && data) {
            n = std::min<uint32_t>(rec.Length, uint32_t(reply.Data.size()));
            if (n) std::memcpy(data, reply.Data.data(), n);
        } else if (r.spt.DataIn == platform::SCSI_IOCTL_DATA_OUT) {
            n = rec.Length;
        }
        r.spt.DataTransferLength = n;
        r.spt.ScsiStatus = reply.Status;
        const size_t sense = std::min<size_t>({reply.Sense.size(), r.spt.SenseInfoLength, sizeof r.ucSenseBuf});
        if (sense) std::memcpy(r.ucSenseBuf, reply.Sense.data(), sense);
        r.spt.SenseInfoLength = uint8_t(reply.Status == 0 ? 0 : sense);
        return true;
    }

    std::vector<TRecord> Commands() {
        std::lock_guard lock(Mutex);
        return Log;
    }
    std::vector<uint8_t> Opcodes() {
        std::lock_guard lock(Mutex);
        std::vector<uint8_t> v;
        for (auto& r : Log) v.push_back(r.Op());
        return v;
    }
    void Clear() {
        std::lock_guard lock(Mutex);
        Log.clear();
    }

    std::array<uint8_t, 128> Inquiry{};
    // Answer of a query nobody scripted: ILLEGAL REQUEST, invalid command operation code.
    TReply Unscripted = TReply::Check(0x05, 0x20);

private:
    std::mutex Mutex;
    std::map<uint16_t, std::deque<TReply>> Script;
    std::vector<TRecord> Log;
};

// A MODE SENSE(10) reply: header (data length), optional 8-byte block descriptor, the page.
// headerLength 7 gives the reply of drives that put the page one byte early.
inline std::vector<uint8_t> ModeReply(const std::vector<uint8_t>& page, bool blockDescriptor, size_t pad = 0,
                                      size_t headerLength = 8) {
    std::vector<uint8_t> r(headerLength, 0);
    if (blockDescriptor) {
        r[headerLength - 1] = 8;
        r.insert(r.end(), 8, 0);
        r[headerLength + 6] = 0x08; // block length 2048
    }
    r.insert(r.end(), page.begin(), page.end());
    r.insert(r.end(), pad, 0);
    const uint16_t len = uint16_t(r.size() - 2);
    r[0] = uint8_t(len >> 8);
    r[1] = uint8_t(len);
    return r;
}

// One scripted drive at E: on adapter 0, target 0, LUN 0, transport loaded, device current.
class TScriptedFixture {
public:
    explicit TScriptedFixture(std::shared_ptr<TScriptedDrive> drive = std::make_shared<TScriptedDrive>())
        : Drive(std::move(drive)) {
        platform::SetClock(&Clock);
        platform::RegisterVirtualDrive('E', Drive, platform::SCSI_ADDRESS{8, 0, 0, 0, 0});
        Loaded = LoadASPI(true, "");
        Dev.HaId = Dev.Target = Dev.Lun = 0;
        Dev.OnDebugMessage = [this](TComponent*, const std::string& m, uint8_t type) {
            Messages.push_back(std::to_string(type) + ":" + m);
        };
        Drive->Clear();
    }
    ~TScriptedFixture() {
        ResetTransportState();
        platform::ClearVirtualDrives();
        platform::SetClock(nullptr);
    }

    platform::TVirtualClock Clock;
    std::shared_ptr<TScriptedDrive> Drive;
    bool Loaded = false;
    TSCSIDevice Dev;
    std::vector<std::string> Messages;
};

} // namespace tarnwick::test

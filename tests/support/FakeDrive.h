#pragma once
// A small scripted drive for the virtual bus: answers INQUIRY with its identity, every other
// command with the reply the test set up, and records what it was sent.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/virtual/VirtualBus.h"

namespace tarnwick::test {

struct TSentCommand {
    std::array<uint8_t, 16> Cdb{};
    uint8_t CdbLength = 0;
    uint8_t DataIn = 0;
    uint32_t DataTransferLength = 0;
    uint8_t SenseInfoLength = 0;
    uint32_t TimeOutValue = 0;
    std::vector<uint8_t> DataOut; // the bytes sent to the drive
};

class TFakeDrive : public platform::IScsiTarget {
public:
    explicit TFakeDrive(const std::string& product = "FAKE DRIVE") {
        Inquiry.fill(0);
        Inquiry[0] = 0x05; // CD/DVD device
        Inquiry[4] = 31;
        std::memcpy(&Inquiry[8], "TARNTEST", 8);
        std::string p = product;
        p.resize(16, ' ');
        std::memcpy(&Inquiry[16], p.data(), 16);
        std::memcpy(&Inquiry[32], "1.00", 4);
    }

    bool Execute(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& r) override {
        std::lock_guard lock(Mutex);
        if (Vanished) return false;
        TSentCommand c;
        std::memcpy(c.Cdb.data(), r.spt.Cdb, sizeof r.spt.Cdb);
        c.CdbLength = r.spt.CdbLength;
        c.DataIn = r.spt.DataIn;
        c.DataTransferLength = r.spt.DataTransferLength;
        c.SenseInfoLength = r.spt.SenseInfoLength;
        c.TimeOutValue = r.spt.TimeOutValue;
        auto* data = static_cast<uint8_t*>(r.spt.DataBuffer);
        if (r.spt.DataIn == platform::SCSI_IOCTL_DATA_OUT && data)
            c.DataOut.assign(data, data + r.spt.DataTransferLength);
        Sent.push_back(c);

        std::vector<uint8_t> reply = r.spt.Cdb[0] == 0x12 ? std::vector<uint8_t>(Inquiry.begin(), Inquiry.end()) : Data;
        uint32_t n = 0;
        if (r.spt.DataIn == platform::SCSI_IOCTL_DATA_IN && data) {
            n = std::min<uint32_t>(r.spt.DataTransferLength, uint32_t(reply.size()));
            if (n) std::memcpy(data, reply.data(), n);
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

    // Reply with CHECK CONDITION and fixed-format sense data.
    void FailWith(uint8_t byte2, uint8_t asc, uint8_t ascq, uint8_t additionalLength = 10, uint8_t responseCode = 0x70) {
        std::lock_guard lock(Mutex);
        Status = 0x02;
        Sense.assign(18, 0);
        Sense[0] = responseCode;
        Sense[2] = byte2;
        Sense[7] = additionalLength;
        Sense[12] = asc;
        Sense[13] = ascq;
    }
    void Succeed() {
        std::lock_guard lock(Mutex);
        Status = 0;
        Sense.clear();
    }
    void SetStatus(uint8_t status) {
        std::lock_guard lock(Mutex);
        Status = status;
    }
    void SetVanished(bool v) {
        std::lock_guard lock(Mutex);
        Vanished = v;
    }
    void ClearCommands() {
        std::lock_guard lock(Mutex);
        Sent.clear();
    }
    std::vector<TSentCommand> Commands() {
        std::lock_guard lock(Mutex);
        return Sent;
    }

    std::array<uint8_t, 96> Inquiry{};
    std::vector<uint8_t> Data;

private:
    std::mutex Mutex;
    bool Vanished = false;
    uint8_t Status = 0;
    std::vector<uint8_t> Sense;
    std::vector<TSentCommand> Sent;
};

inline platform::SCSI_ADDRESS Address(uint8_t port, uint8_t target, uint8_t lun = 0) {
    return platform::SCSI_ADDRESS{sizeof(platform::SCSI_ADDRESS), port, 0, target, lun};
}

inline std::shared_ptr<TFakeDrive> AddDrive(char letter, std::optional<platform::SCSI_ADDRESS> address,
                                            const std::string& product = "FAKE DRIVE") {
    auto d = std::make_shared<TFakeDrive>(product);
    platform::RegisterVirtualDrive(letter, d, address);
    return d;
}

} // namespace tarnwick::test

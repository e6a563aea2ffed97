#pragma once
// Sends hand-built CDBs to an emulated drive through IScsiTarget::Execute, as the
// pass-through would, and collects what came back.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "emulator/Sense.h"
#include "platform/virtual/VirtualBus.h"

namespace emulator::test {

struct TResult {
    bool Completed = false;
    uint8_t Status = 0xFF;
    uint32_t Transferred = 0;
    std::vector<uint8_t> Data; // the whole buffer for data in (Transferred bytes are the reply)
    uint8_t SenseLength = 0;
    std::vector<uint8_t> SenseBytes;

    TSenseCode Sense() const {
        if (SenseBytes.size() < 14) return {};
        return {uint8_t(SenseBytes[2] & 0x0F), SenseBytes[12], SenseBytes[13]};
    }
    std::vector<uint8_t> Reply() const { return {Data.begin(), Data.begin() + Transferred}; }
    bool Good() const { return Completed && Status == kStatusGood; }
};

struct TRequest {
    std::vector<uint8_t> Cdb;
    uint8_t Direction = platform::SCSI_IOCTL_DATA_UNSPECIFIED;
    uint32_t Length = 0;
    std::vector<uint8_t> Out;
    uint8_t SenseRoom = 24;
    uint32_t TimeoutSeconds = 120;
};

TResult Send(platform::IScsiTarget& target, const TRequest& request);
// No data.
TResult NoData(platform::IScsiTarget& target, std::initializer_list<uint8_t> cdb);
// Data in, into a buffer of `length` bytes.
TResult In(platform::IScsiTarget& target, std::initializer_list<uint8_t> cdb, uint32_t length);
// Data out.
TResult Out(platform::IScsiTarget& target, std::initializer_list<uint8_t> cdb, const std::vector<uint8_t>& data);

// CDB builders for the commands the tests send often.
std::vector<uint8_t> Write10Cdb(uint32_t lba, uint16_t blocks);
TResult Write(platform::IScsiTarget& target, uint32_t lba, uint16_t blocks, uint8_t fill);
// MODE SELECT(10) of a page 05h built from the write type, track mode byte (byte 3 whole),
// data block type, with Test Write.
TResult SelectWritePage(platform::IScsiTarget& target, uint8_t byte2, uint8_t byte3, uint8_t blockType,
                        uint8_t linkSize = 0, uint32_t packetSize = 0);
// READ DISC INFORMATION, 34 bytes.
TResult DiscInfo(platform::IScsiTarget& target);

} // namespace emulator::test

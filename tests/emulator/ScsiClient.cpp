#include "ScsiClient.h"

#include <cstring>

#include "emulator/Wire.h"

namespace emulator::test {

TResult Send(platform::IScsiTarget& target, const TRequest& r) {
    platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER p{};
    std::vector<uint8_t> buffer(r.Direction == platform::SCSI_IOCTL_DATA_OUT ? r.Out : std::vector<uint8_t>(r.Length, 0xEE));
    p.spt.Length = sizeof(platform::SCSI_PASS_THROUGH_DIRECT);
    p.spt.CdbLength = uint8_t(r.Cdb.size());
    p.spt.SenseInfoLength = r.SenseRoom;
    p.spt.DataIn = r.Direction;
    p.spt.DataTransferLength = uint32_t(buffer.size());
    p.spt.TimeOutValue = r.TimeoutSeconds;
    p.spt.DataBuffer = buffer.empty() ? nullptr : buffer.data();
    p.spt.SenseInfoOffset = offsetof(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf);
    std::memcpy(p.spt.Cdb, r.Cdb.data(), r.Cdb.size());
    TResult result;
    result.Completed = target.Execute(p);
    result.Status = p.spt.ScsiStatus;
    result.Transferred = p.spt.DataTransferLength;
    result.Data = buffer;
    result.SenseLength = p.spt.SenseInfoLength;
    result.SenseBytes.assign(p.ucSenseBuf, p.ucSenseBuf + p.spt.SenseInfoLength);
    return result;
}

TResult NoData(platform::IScsiTarget& target, std::initializer_list<uint8_t> cdb) {
    return Send(target, {cdb, platform::SCSI_IOCTL_DATA_UNSPECIFIED, 0, {}});
}

TResult In(platform::IScsiTarget& target, std::initializer_list<uint8_t> cdb, uint32_t length) {
    return Send(target, {cdb, platform::SCSI_IOCTL_DATA_IN, length, {}});
}

TResult Out(platform::IScsiTarget& target, std::initializer_list<uint8_t> cdb, const std::vector<uint8_t>& data) {
    return Send(target, {cdb, platform::SCSI_IOCTL_DATA_OUT, uint32_t(data.size()), data});
}

std::vector<uint8_t> Write10Cdb(uint32_t lba, uint16_t blocks) {
    std::vector<uint8_t> cdb(10, 0);
    cdb[0] = 0x2A;
    PutBE32(&cdb[2], lba);
    PutBE16(&cdb[7], blocks);
    return cdb;
}

TResult Write(platform::IScsiTarget& target, uint32_t lba, uint16_t blocks, uint8_t fill) {
    return Send(target, {Write10Cdb(lba, blocks), platform::SCSI_IOCTL_DATA_OUT, blocks * 2048u,
                         std::vector<uint8_t>(blocks * 2048u, fill)});
}

TResult SelectWritePage(platform::IScsiTarget& target, uint8_t byte2, uint8_t byte3, uint8_t blockType,
                        uint8_t linkSize, uint32_t packetSize) {
    std::vector<uint8_t> list(8 + 52, 0);
    uint8_t* page = &list[8];
    page[0] = 0x05;
    page[1] = 0x32;
    page[2] = byte2;
    page[3] = byte3;
    page[4] = blockType;
    page[5] = linkSize;
    PutBE32(page + 10, packetSize);
    PutBE16(page + 14, 150);
    return Out(target, {0x55, 0x10, 0, 0, 0, 0, 0, 0, uint8_t(list.size()), 0}, list);
}

TResult DiscInfo(platform::IScsiTarget& target) { return In(target, {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, 34); }

} // namespace emulator::test

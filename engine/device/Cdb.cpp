#include "engine/device/Cdb.h"

#include "engine/Bytes.h"

namespace tarnwick::cdb {

TCdb6 TestUnitReady() { return {opTestUnitReady}; }

TCdb6 RezeroUnit() { return {opRezeroUnit}; }

TCdb6 RequestSense(uint8_t alloc) {
    TCdb6 c{opRequestSense};
    c[4] = alloc;
    return c;
}

TCdb6 Inquiry() {
    TCdb6 c{opInquiry};
    c[4] = kInquiryAlloc;
    return c;
}

TCdb6 LoadEject(bool eject) {
    TCdb6 c{opStartStopUnit};
    c[4] = eject ? 0x02 : 0x03; // LoEj alone ejects; LoEj with Start loads
    return c;
}

TCdb6 PreventAllowRemoval(bool allow) {
    TCdb6 c{opPreventAllow};
    c[4] = allow ? 0x00 : 0x01;
    return c;
}

TCdb10 ModeSense10(uint8_t pageCode, uint16_t alloc, bool defaultValues) {
    TCdb10 c{opModeSense10};
    c[2] = uint8_t(pageCode | (defaultValues ? 0x80 : 0x00)); // page control 10b: defaults
    PutBE16(&c[7], alloc);
    return c;
}

TCdb10 ModeSelect10(uint8_t listLength) {
    TCdb10 c{opModeSelect10};
    c[1] = 0x10; // PF: the list holds MMC mode pages
    c[8] = listLength;
    return c;
}

TCdb10 GetConfiguration(uint8_t rt, uint16_t startFeature, uint16_t alloc) {
    TCdb10 c{opGetConfiguration};
    c[1] = rt;
    c[3] = uint8_t(startFeature);
    c[8] = uint8_t(alloc);
    return c;
}

TCdb10 ReadBufferCapacity() {
    TCdb10 c{opReadBufferCapacity};
    c[8] = kBufferCapacityAlloc;
    return c;
}

TCdb10 ReadDiscInformation(uint8_t alloc) {
    TCdb10 c{opReadDiscInformation};
    c[8] = alloc;
    return c;
}

TCdb10 ReadTOC(uint8_t format, bool msf, uint8_t trackOrSession, uint8_t alloc, uint8_t control) {
    TCdb10 c{opReadTOC};
    c[1] = msf ? 0x02 : 0x00;
    c[2] = format;
    c[6] = trackOrSession;
    c[8] = alloc;
    c[9] = control;
    return c;
}

TCdb10 SendOPC() {
    TCdb10 c{opSendOPC};
    c[1] = 0x01; // DoOpc
    return c;
}

TCdb10 Write10(uint32_t lba, uint16_t blocks) {
    TCdb10 c{opWrite10};
    PutBE32(&c[2], lba);
    PutBE16(&c[7], blocks);
    return c;
}

TCdb10 Read10(uint32_t lba, uint16_t blocks) {
    TCdb10 c{opRead10};
    PutBE32(&c[2], lba);
    PutBE16(&c[7], blocks);
    return c;
}

TCdb12 Read12(uint32_t lba, uint32_t blocks) {
    TCdb12 c{opRead12};
    PutBE32(&c[2], lba);
    PutBE32(&c[6], blocks);
    return c;
}

TCdb10 ReadCapacity() { return {opReadCapacity}; }

TCdb10 ReadTrackInformation(uint8_t addressType, uint32_t address, uint16_t alloc) {
    TCdb10 c{opReadTrackInformation};
    c[1] = uint8_t(addressType & 0x03);
    PutBE32(&c[2], address);
    PutBE16(&c[7], alloc);
    return c;
}

TCdb10 SynchronizeCache(bool immed) {
    TCdb10 c{opSynchronizeCache};
    c[1] = immed ? 0x02 : 0x00;
    return c;
}

TCdb10 CloseTrackSession(bool closeTrack, bool immed, bool finalize) {
    TCdb10 c{opCloseTrackSession};
    c[1] = immed ? 0x01 : 0x00;
    c[2] = finalize ? 0x05 : closeTrack ? 0x01 : 0x02;
    if (closeTrack) c[5] = 0xFF; // the invisible/incomplete track
    return c;
}

TCdb10 CloseTrackSessionRaw(bool immed, uint8_t function, uint8_t b3, uint8_t b4, uint8_t b5) {
    TCdb10 c{opCloseTrackSession};
    c[1] = immed ? 0x01 : 0x00;
    c[2] = function;
    c[3] = b3;
    c[4] = b4;
    c[5] = b5;
    return c;
}

TCdb12 SetCDSpeed(uint16_t readKBs, uint16_t writeKBs) {
    TCdb12 c{opSetCDSpeed};
    PutBE16(&c[2], readKBs == 0 ? kMaxSpeed : readKBs);
    PutBE16(&c[4], writeKBs == 0 ? kMaxSpeed : writeKBs);
    return c;
}

TCdb12 SetStreaming(uint16_t descriptorLength) {
    TCdb12 c{opSetStreaming};
    PutBE16(&c[9], descriptorLength);
    return c;
}

TCdb12 SendDVDStructure(uint8_t format, uint16_t length) {
    TCdb12 c{opSendDVDStructure};
    c[7] = format;
    PutBE16(&c[8], length);
    return c;
}

TCdb12 ReadDVDStructure(uint8_t format, uint16_t alloc) {
    TCdb12 c{opReadDVDStructure};
    c[7] = format;
    PutBE16(&c[8], alloc);
    return c;
}

TCdb12 ReportKey(uint8_t keyFormat, uint16_t alloc) {
    TCdb12 c{opReportKey};
    PutBE16(&c[8], alloc);
    c[10] = keyFormat & 0x3F;
    return c;
}

TCdb12 ReserveTrack(uint32_t blocks) {
    TCdb12 c{opReserveTrack};
    PutBE32(&c[5], blocks);
    return c;
}

TCdb6 FormatUnit() {
    TCdb6 c{opFormatUnit};
    c[1] = 0x11; // FmtData, CmpList 0, format code 001b
    return c;
}

TCdb10 ReadFormatCapacities(uint16_t alloc) {
    TCdb10 c{opReadFormatCapacities};
    PutBE16(&c[7], alloc);
    return c;
}

TCdb12 Blank(uint8_t type, bool immed) {
    TCdb12 c{opBlank};
    c[1] = uint8_t((immed ? 0x10 : 0x00) | (type & 0x07));
    return c;
}

} // namespace tarnwick::cdb

// SPC commands of the emulated drive: identity, readiness, sense, tray and lock.
#include <algorithm>
#include <cstring>

#include "emulator/EmulatedDrive.h"
#include "emulator/Wire.h"
#include "platform/Clock.h"

namespace emulator {

namespace {

constexpr size_t kStandardInquiryLength = 36;

void PutPadded(uint8_t* p, const std::string& s, size_t width) {
    std::memset(p, ' ', width);
    std::memcpy(p, s.data(), std::min(s.size(), width));
}

} // namespace

TReply TEmulatedDrive::TestUnitReady(const TCommand&) { return TReply::Good(); }

TReply TEmulatedDrive::RezeroUnit(const TCommand&) {
    if (!Settings.Model.Rezero) return TReply::Check(sense::InvalidCommandOperationCode);
    if (auto notReady = ReadinessFailure(true)) return TReply::Check(*notReady);
    return TReply::Good();
}

TReply TEmulatedDrive::RequestSense(const TCommand& c) {
    const uint32_t alloc = c.Cdb[4];
    TSenseCode code = sense::NoSense;
    if (PendingSense) {
        code = *PendingSense;
        PendingSense.reset();
    } else if (auto notReady = ReadinessFailure(true)) {
        code = *notReady;
    }
    uint8_t data[kFixedSenseLength];
    BuildFixedSense(code, data);
    return TReply::In(std::vector<uint8_t>(data, data + sizeof data), alloc);
}

TReply TEmulatedDrive::Inquiry(const TCommand& c) {
    const bool evpd = c.Cdb[1] & 0x01;
    const uint8_t page = c.Cdb[2];
    const uint32_t alloc = GetBE16(c.Cdb + 3);
    const TDriveModel& m = Settings.Model;
    if (!evpd) {
        if (page != 0) return TReply::Check(sense::InvalidFieldInCdb);
        std::vector<uint8_t> d(kStandardInquiryLength, 0);
        d[0] = m.DeviceType & 0x1F;                // peripheral qualifier 0: connected
        d[1] = 0x80;                               // RMB: removable medium
        d[2] = 0x05;                               // version: SPC-3
        d[3] = 0x02;                               // response data format 2
        d[4] = uint8_t(kStandardInquiryLength - 5); // additional length
        PutPadded(&d[8], m.Vendor, 8);             // vendor identification
        PutPadded(&d[16], m.Product, 16);          // product identification
        PutPadded(&d[32], m.Revision, 4);          // product revision level
        return TReply::In(std::move(d), alloc);
    }
    std::vector<uint8_t> d(4, 0);
    d[0] = m.DeviceType & 0x1F; // peripheral device type
    d[1] = page;                // page code
    if (page == 0x00) {         // supported pages
        d.push_back(0x00);
        d.push_back(0x80);
    } else if (page == 0x80) { // unit serial number
        const std::string serial = "TW" + m.Revision + "0001";
        d.insert(d.end(), serial.begin(), serial.end());
    } else {
        return TReply::Check(sense::InvalidFieldInCdb);
    }
    PutBE16(&d[2], uint16_t(d.size() - 4)); // page length
    return TReply::In(std::move(d), alloc);
}

TReply TEmulatedDrive::StartStopUnit(const TCommand& c) {
    const bool loadEject = c.Cdb[4] & 0x02;
    const bool start = c.Cdb[4] & 0x01;
    if (loadEject && !start) {
        if (Prevented) return TReply::Check(sense::MediumRemovalPrevented);
        std::string ignored;
        if (Disc) Disc->Flush(ignored);
        Tray = true;
        SimulatedNext.reset();
        if (SwapDisc) SwapAtMs = platform::Clock().NowMs() + SwapAfterMs;
        return TReply::Good();
    }
    if (loadEject && start) {
        Tray = false;
        StartBecomingReady();
        return TReply::Good();
    }
    // Spin up or down: the medium must be there to spin up.
    if (start && (Tray || !Disc)) return TReply::Check(*ReadinessFailure(false));
    return TReply::Good();
}

TReply TEmulatedDrive::PreventAllow(const TCommand& c) {
    Prevented = c.Cdb[4] & 0x01;
    return TReply::Good();
}

} // namespace emulator

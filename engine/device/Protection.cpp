// The copy protection a DVD and its drive report: the disc's copyright information and the
// drive's region. Read only; the engine authenticates and decrypts nothing.
#include <algorithm>
#include <array>

#include "engine/device/Cdb.h"
#include "engine/device/Replies.h"
#include "engine/device/ScsiDevice.h"

namespace tarnwick {

namespace {

constexpr uint8_t kFlagsIn = SRB_EVENT_NOTIFY | SRB_DIR_IN;
constexpr uint8_t kFormatCopyright = 0x01;
constexpr uint8_t kKeyFormatRpcState = 0x08;
constexpr size_t kReplyLength = 8;

// One 8-byte reply whose bytes 0-1 give its length, read as far as the drive returned it.
bool ReadSmallReply(TSCSIDevice& d, const cdb::TCdb12& c, std::array<uint8_t, kReplyLength>& out, size_t& valid) {
    out.fill(0);
    uint32_t moved = 0;
    if (!d.RunCdb(c.data(), uint8_t(c.size()), kFlagsIn, out.data(), uint32_t(out.size()), 10000, &moved)) return false;
    const size_t got = std::min<size_t>(moved, out.size());
    valid = reply::Valid(got, reply::DiscInfoDeclared(TByteReader(out.data(), got)));
    reply::ClearBeyond(out.data(), out.size(), valid);
    return true;
}

} // namespace

bool TSCSIDevice::ReadCopyrightInformation(reply::TCopyrightInformation& Info) {
    std::array<uint8_t, kReplyLength> r{};
    size_t valid = 0;
    if (!ReadSmallReply(*this, cdb::ReadDVDStructure(kFormatCopyright, uint16_t(r.size())), r, valid)) return false;
    Info = reply::ParseCopyrightInformation(r.data(), valid);
    return true;
}

bool TSCSIDevice::ReadDriveRegion(uint8_t& RegionMask) {
    std::array<uint8_t, kReplyLength> r{};
    size_t valid = 0;
    if (!ReadSmallReply(*this, cdb::ReportKey(kKeyFormatRpcState, uint16_t(r.size())), r, valid)) return false;
    RegionMask = reply::DriveRegionMask(r.data(), valid);
    return true;
}

} // namespace tarnwick

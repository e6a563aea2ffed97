// MODE SENSE(10) and MODE SELECT(10): the write parameters page 05h, the capabilities page
// 2Ah and the vendor page 30h.
#include <algorithm>
#include <cstring>

#include "emulator/EmulatedDrive.h"
#include "emulator/Wire.h"

namespace emulator {

namespace {

constexpr uint8_t kPageWriteParameters = 0x05;
constexpr uint8_t kPageCapabilities = 0x2A;
constexpr uint8_t kPageVendor30 = 0x30;
constexpr uint8_t kPageAll = 0x3F;

// Page control (byte 2 bits 7-6): 0, the current values, is what every other value is not.
constexpr uint8_t kPageControlChangeable = 1;
constexpr uint8_t kPageControlDefault = 2;
constexpr uint8_t kPageControlSaved = 3;

constexpr size_t kModeHeaderLength = 8;
constexpr size_t kBlockDescriptorLength = 8;
constexpr uint8_t kWritePageLength = 0x32;   // MMC: 32h (or 36h with the vendor bytes)
constexpr uint8_t kWritePageLongLength = 0x36;

// Write types (page 05h byte 2 bits 3-0).
constexpr uint8_t kWriteTypePacket = 0; // packet / incremental
constexpr uint8_t kWriteTypeTao = 1;
constexpr uint8_t kWriteTypeSao = 2;
constexpr uint8_t kWriteTypeRaw = 3;

// Data block types (page 05h byte 4 bits 3-0).
constexpr uint8_t kBlockRaw2352 = 0;
constexpr uint8_t kBlockMode1 = 8; // 2048 bytes of user data

// Multi-session field (byte 3 bits 7-6): 00b closed, 01b and 11b another session may follow.
constexpr uint8_t kMultiSessionReserved = 2;
// Session formats (byte 8).
constexpr uint8_t kSessionCdRom = 0x00, kSessionCdi = 0x10, kSessionCdRomXa = 0x20;
constexpr uint8_t kDvdLinkSize = 16;  // DVD-R/-RW incremental: one ECC block
constexpr uint32_t kDvdEccBlockSectors = 16;
constexpr uint8_t kCdMaxLinkSize = 7; // CD: run-in 4, link 1, run-out 2

} // namespace

uint16_t TEmulatedDrive::ClampSpeed(uint16_t requested, uint16_t max) const {
    if (requested == 0xFFFF || requested > max) return max;
    return requested;
}

uint16_t TEmulatedDrive::CurrentWriteSpeed() const {
    std::lock_guard lock(Mutex);
    return ClampSpeed(WriteSpeedSet, Settings.Model.MaxWriteSpeed(CurrentProfile()));
}

uint16_t TEmulatedDrive::CurrentReadSpeed() const {
    std::lock_guard lock(Mutex);
    return ClampSpeed(ReadSpeedSet, Settings.Model.MaxReadSpeed(CurrentProfile()));
}

std::vector<uint8_t> TEmulatedDrive::WritePage(bool defaults) const {
    if (!defaults && !Page05.empty()) return Page05;
    const TProfile p = CurrentProfile();
    const bool dvdSequential = p == TProfile::DvdR || p == TProfile::DvdRwSequential;
    std::vector<uint8_t> d(2 + kWritePageLength, 0);
    d[0] = kPageWriteParameters;                                // PS 0, page code
    d[1] = kWritePageLength;                                    // page length
    d[2] = dvdSequential ? kWriteTypePacket : kWriteTypeTao;    // BUFE, LS_V, Test Write off
    d[3] = dvdSequential ? 0x05 : 0x04;                         // single session, data track mode
    d[4] = kBlockMode1;                                         // data block type
    d[5] = dvdSequential ? 0x10 : 0x00;                         // link size
    d[8] = 0x00;                                                // session format: CD-DA / CD-ROM
    PutBE16(&d[14], 150);                                       // audio pause length
    return d;
}

std::vector<uint8_t> TEmulatedDrive::CapabilitiesPage(bool defaults) const {
    const TDriveModel& m = Settings.Model;
    const TProfile p = CurrentProfile();
    const uint16_t maxRead = m.MaxReadSpeed(p);
    const uint16_t maxWrite = m.MaxWriteSpeed(p);
    const bool anyWrite = m.WritesCdR || m.WritesCdRw || m.WritesDvdR || m.WritesDvdRam;
    uint16_t readSpeed = defaults ? maxRead : ClampSpeed(ReadSpeedSet, maxRead);
    uint16_t writeSpeed = defaults ? maxWrite : ClampSpeed(WriteSpeedSet, maxWrite);
    if (!defaults && m.ZeroCurrentWriteSpeed && !WriteSpeedEverSet) writeSpeed = 0;
    if (!anyWrite) writeSpeed = 0;

    std::vector<uint8_t> d(36, 0);
    d[0] = kPageCapabilities;                                   // PS 0, page code
    d[1] = uint8_t(d.size() - 2);                               // page length
    d[2] = uint8_t((m.ReadsCdR ? 0x01 : 0) |                    // CD-R read
                   (m.ReadsCdRw ? 0x02 : 0) |                   // CD-RW read
                   0x04 |                                       // Method 2
                   (m.ReadsDvdRom ? 0x08 : 0) |                 // DVD-ROM read
                   (m.ReadsDvdR ? 0x10 : 0) |                   // DVD-R read
                   (m.ReadsDvdRam ? 0x20 : 0));                 // DVD-RAM read
    d[3] = uint8_t((m.WritesCdR ? 0x01 : 0) |                   // CD-R write
                   (m.WritesCdRw ? 0x02 : 0) |                  // CD-RW write
                   (m.TestWrite && anyWrite ? 0x04 : 0) |       // Test Write
                   (m.WritesDvdR ? 0x10 : 0) |                  // DVD-R write
                   (m.WritesDvdRam ? 0x20 : 0));                // DVD-RAM write
    d[4] = uint8_t((m.Buf ? 0x80 : 0) | 0x70);                  // BUF, multi-session, Mode 2 Form 1/2
    d[5] = 0x01;                                                // CD-DA commands supported
    d[6] = uint8_t(0x20 | 0x08 | 0x01 | (Prevented ? 0x02 : 0)); // tray, Eject, Lock, Lock state
    PutBE16(&d[8], maxRead);                                    // maximum read speed
    PutBE16(&d[10], 256);                                       // number of volume levels
    PutBE16(&d[12], m.BufferKB);                                // buffer size in KB
    PutBE16(&d[14], readSpeed);                                 // current read speed
    PutBE16(&d[18], anyWrite ? maxWrite : 0);                   // maximum write speed
    PutBE16(&d[20], writeSpeed);                                // current write speed
    d[27] = 0x00;                                               // rotation control: CLV
    PutBE16(&d[28], writeSpeed);                                // current write speed selected
    PutBE16(&d[30], 1);                                         // write speed descriptors
    PutBE16(&d[34], anyWrite ? maxWrite : 0);                   // descriptor 1: write speed
    return d;
}

std::vector<uint8_t> TEmulatedDrive::VendorPage30() const {
    std::vector<uint8_t> d(16, 0);
    d[0] = kPageVendor30;         // page code
    d[1] = uint8_t(d.size() - 2); // page length
    d[2] = 0x01;                  // underrun protection on
    return d;
}

TReply TEmulatedDrive::ModeSense10(const TCommand& c) {
    const bool dbd = c.Cdb[1] & 0x08;
    const uint8_t control = c.Cdb[2] >> 6;
    const uint8_t page = c.Cdb[2] & 0x3F;
    const uint8_t subpage = c.Cdb[3];
    const uint32_t alloc = GetBE16(c.Cdb + 7);
    if (control == kPageControlSaved) return TReply::Check(sense::SavingParametersNotSupported);
    if (subpage != 0 && !(page == kPageAll && subpage == 0xFF)) return TReply::Check(sense::InvalidFieldInCdb);

    auto pageBytes = [&](uint8_t code) -> std::vector<uint8_t> {
        std::vector<uint8_t> bytes;
        if (code == kPageWriteParameters) bytes = WritePage(control == kPageControlDefault);
        else if (code == kPageCapabilities) bytes = CapabilitiesPage(control == kPageControlDefault);
        else if (code == kPageVendor30 && Settings.Model.Page30) bytes = VendorPage30();
        else return {};
        if (control == kPageControlChangeable) {
            // Only the write parameters can be changed, from byte 2 on.
            for (size_t i = 2; i < bytes.size(); ++i) bytes[i] = code == kPageWriteParameters ? 0xFF : 0x00;
        }
        return bytes;
    };

    std::vector<uint8_t> pages;
    if (page == kPageAll) {
        for (uint8_t code : {kPageWriteParameters, kPageCapabilities, kPageVendor30}) {
            auto b = pageBytes(code);
            pages.insert(pages.end(), b.begin(), b.end());
        }
    } else {
        pages = pageBytes(page);
        if (pages.empty()) return TReply::Check(sense::InvalidFieldInCdb);
    }

    const bool withDescriptor = Settings.Model.BlockDescriptor && !dbd;
    std::vector<uint8_t> d(kModeHeaderLength + (withDescriptor ? kBlockDescriptorLength : 0), 0);
    if (withDescriptor) {
        d[8] = 0x00;                       // density code
        PutBE24(&d[9], 0);                 // number of blocks: all of the medium
        PutBE24(&d[13], kSectorSize);      // block length
    }
    d.insert(d.end(), pages.begin(), pages.end());
    PutBE16(&d[0], uint16_t(d.size() - 2));                            // mode data length
    d[2] = 0x00;                                                       // medium type
    d[3] = 0x00;                                                       // device-specific parameter
    PutBE16(&d[6], withDescriptor ? uint16_t(kBlockDescriptorLength) : 0); // block descriptor length
    return TReply::In(std::move(d), alloc);
}

std::optional<TSenseCode> TEmulatedDrive::CheckWritePage(const uint8_t* page, size_t length) const {
    const uint8_t pageLength = page[1];
    if (pageLength != kWritePageLength && pageLength != kWritePageLongLength) return sense::InvalidFieldInParameterList;
    if (length < 2u + pageLength) return sense::ParameterListLengthError;
    const uint8_t writeType = page[2] & 0x0F;
    const bool testWrite = page[2] & 0x10;
    const bool linkSizeValid = page[2] & 0x20;
    const uint8_t multiSession = page[3] >> 6;
    const uint8_t trackMode = page[3] & 0x0F;
    const bool fixedPackets = page[3] & 0x20;
    const uint8_t blockType = page[4] & 0x0F;
    const uint8_t linkSize = page[5];
    const uint8_t sessionFormat = page[8];
    const uint32_t packetSize = GetBE32(page + 10);
    const bool dataTrack = trackMode & 0x04;
    const auto invalid = sense::InvalidFieldInParameterList;

    if (testWrite && !Settings.Model.TestWrite) return invalid;
    switch (CurrentProfile()) {
    case TProfile::DvdR:
    case TProfile::DvdRwSequential:
        if (writeType != kWriteTypePacket && writeType != kWriteTypeSao) return invalid;
        if (blockType != kBlockMode1) return invalid;
        if (trackMode != 4 && trackMode != 5) return invalid;
        if (multiSession == kMultiSessionReserved) return invalid;
        if (writeType == kWriteTypePacket) {
            // Incremental recording links whole ECC blocks, and fixed packets are whole ECC blocks.
            if (linkSizeValid && linkSize != kDvdLinkSize) return invalid;
            if (fixedPackets && (packetSize == 0 || packetSize % kDvdEccBlockSectors != 0)) return invalid;
        }
        return std::nullopt;
    case TProfile::DvdRwRestricted:
    case TProfile::DvdRam:
    case TProfile::DvdPlusR:
    case TProfile::DvdPlusRw:
        // No simulation on these media; the drive writes them in its own way.
        if (testWrite) return invalid;
        if (writeType != kWriteTypePacket && writeType != kWriteTypeSao) return invalid;
        if (blockType != kBlockMode1) return invalid;
        return std::nullopt;
    default:
        break;
    }
    // CD rules, also used with no medium or a pressed disc in the drive.
    if (writeType > kWriteTypeRaw) return invalid;
    if (multiSession == kMultiSessionReserved) return invalid;
    if (sessionFormat != kSessionCdRom && sessionFormat != kSessionCdi && sessionFormat != kSessionCdRomXa) return invalid;
    // The link blocks between track-at-once or packet writes: run-in, link, run-out at most.
    if (linkSizeValid && linkSize > kCdMaxLinkSize && (writeType == kWriteTypeTao || writeType == kWriteTypePacket))
        return invalid;
    if (writeType == kWriteTypeRaw) return (blockType >= 1 && blockType <= 3) ? std::nullopt : std::optional(invalid);
    if (writeType == kWriteTypePacket && fixedPackets && packetSize == 0) return invalid;
    if (blockType == kBlockRaw2352) return dataTrack ? std::optional(invalid) : std::nullopt;
    if (blockType >= 1 && blockType <= 3) return writeType == kWriteTypeSao ? std::nullopt : std::optional(invalid);
    if (blockType == kBlockMode1 || blockType == 10 || blockType == 12 || blockType == 13)
        return dataTrack ? std::nullopt : std::optional(invalid);
    return invalid;
}

TReply TEmulatedDrive::ModeSelect10(const TCommand& c) {
    const bool savePages = c.Cdb[1] & 0x01;
    const uint32_t listLength = GetBE16(c.Cdb + 7);
    if (savePages) return TReply::Check(sense::InvalidFieldInCdb);
    // MMC pages only: a list without PF is a vendor format this drive does not know.
    if (!(c.Cdb[1] & 0x10)) return TReply::Check(sense::InvalidFieldInCdb);
    if (listLength == 0) return TReply::Good();
    if (c.Direction != platform::SCSI_IOCTL_DATA_OUT || !c.Buffer || c.BufferLength < listLength ||
        listLength < kModeHeaderLength)
        return TReply::Check(sense::ParameterListLengthError);
    const uint8_t* list = c.Buffer;
    size_t offset = kModeHeaderLength + GetBE16(list + 6);
    std::vector<uint8_t> newPage05;
    while (offset + 2 <= listLength) {
        const uint8_t code = list[offset] & 0x3F;
        // PS is reserved in MODE SELECT: a page sent back as MODE SENSE gave it is refused.
        if (list[offset] & 0x80) return TReply::Check(sense::InvalidFieldInParameterList);
        const size_t size = 2u + list[offset + 1];
        if (offset + size > listLength) return TReply::Check(sense::ParameterListLengthError);
        if (code == kPageWriteParameters) {
            if (auto bad = CheckWritePage(list + offset, listLength - offset)) return TReply::Check(*bad);
            newPage05.assign(list + offset, list + offset + size);
        } else if (code != kPageCapabilities && !(code == kPageVendor30 && Settings.Model.Page30)) {
            return TReply::Check(sense::InvalidFieldInParameterList);
        }
        offset += size;
    }
    if (!newPage05.empty()) {
        Page05 = std::move(newPage05);
        SimulatedNext.reset();
    }
    TReply r;
    r.OutTransferred = listLength;
    return r;
}

} // namespace emulator

#include "engine/write/DiscExtent.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/device/Decisions.h"
#include "engine/device/Messages.h"
#include "engine/device/Reading.h"
#include "engine/write/DiscProtection.h"
#include "engine/write/DiscRecorder.h"
#include "engine/write/VornBurner.h"
#include "platform/Clock.h"

namespace tarnwick {

namespace {

constexpr uint32_t kReadyStepMs = 500;
constexpr uint32_t kReadyBudgetMs = 30000;
// UDF: the anchor volume descriptor pointer sits at sector 256; the main volume descriptor
// sequence it points to is at most this many sectors worth looking at.
constexpr uint32_t kUdfAnchor = 256;
constexpr uint32_t kUdfMaxDescriptors = 64;
constexpr uint16_t kUdfTagAnchor = 2;
constexpr uint16_t kUdfTagPartition = 5;
constexpr uint16_t kUdfTagTerminator = 8;
// The volume ends with the last anchor (at N and/or N - 256), past the partition and the
// reserve sequence: the sectors after those are searched this far for it.
constexpr uint32_t kUdfEndSearch = 512;

bool Overwritable(uint8_t t) { return t == dtDVDRAM || t == dtDVDRWRestricted || t == dtDVDPlusRW; }
bool IsCd(uint8_t t) { return t == dtCDROM || t == dtCDR || t == dtCDRW; }

std::string DriveFailure(TVornBurner& e) {
    return msg::BracketedOrNoDevice(msg::ReaderError, e.LastCommandError);
}

// Whether the first track of a CD is an audio track (TOC control bit 2 clear).
bool FirstTrackIsAudio(TVornBurner& e) {
    alignas(4) std::array<uint8_t, 12> toc{};
    if (!e.ReadTOC(0, toc.data(), false, 1, uint8_t(toc.size()), 0)) return false;
    const reply::TTocTrack first = reply::ParseFirstTocTrack(toc.data(), toc.size());
    return first.Given && !first.Data();
}

// End of what is recorded, from the last track that holds data; 0 when unknown.
uint32_t RecordedTrackEnd(TVornBurner& e) {
    uint16_t last = e.LastDiscInformation().LastTrack;
    for (int tries = 0; last > 0 && tries < 2; ++tries, --last) {
        reply::TTrackInformation t;
        if (!reading::ReadTrackInformation(e, last, t)) return 0;
        if (t.Blank) continue; // the invisible track after the recorded ones
        if (t.LastRecordedValid) return t.LastRecorded + 1;
        return t.Start + t.Size;
    }
    return 0;
}

} // namespace

bool WaitDriveReadyToRead(TVornBurner& e, uint32_t BudgetMs, const std::function<bool()>& Aborted,
                          std::string& Error) {
    auto& clock = platform::Clock();
    const uint64_t start = clock.NowMs();
    for (;;) {
        if (Aborted && Aborted()) {
            Error = msg::OperationAborted;
            return false;
        }
        if (e.TestUnitReady(10000)) return true;
        const TDecision decision = Decide(TDecisionPoint::ReadyToRead, e.LastOutcome);
        if (decision == TDecision::NoDisc) {
            Error = msg::NoDisc;
            return false;
        }
        if (decision == TDecision::Fail) {
            Error = DriveFailure(e);
            return false;
        }
        if (clock.NowMs() - start >= BudgetMs) {
            Error = DriveFailure(e);
            return false;
        }
        clock.SleepMs(kReadyStepMs);
    }
}

uint32_t DeclaredFileSystemSectors(const std::function<bool(uint32_t, uint8_t*)>& ReadSector) {
    alignas(4) std::array<uint8_t, 2048> s{};
    uint32_t declared = 0;
    if (ReadSector(16, s.data()) && s[0] == 1 && std::memcmp(&s[1], "CD001", 5) == 0)
        declared = GetLE32(&s[80]); // volume space size
    if (ReadSector(kUdfAnchor, s.data()) && GetLE16(&s[0]) == kUdfTagAnchor) {
        alignas(4) std::array<uint8_t, 16> extents{}; // main and reserve sequence
        std::memcpy(extents.data(), &s[16], extents.size());
        const uint32_t length = GetLE32(&s[16]) / 2048;
        const uint32_t location = GetLE32(&s[20]);
        const uint64_t reserveEnd = uint64_t(GetLE32(&s[28])) + GetLE32(&s[24]) / 2048;
        uint64_t end = std::max<uint64_t>(uint64_t(location) + length, reserveEnd);
        for (uint32_t i = 0; i < std::min(length, kUdfMaxDescriptors); ++i) {
            if (!ReadSector(location + i, s.data())) break;
            const uint16_t tag = GetLE16(&s[0]);
            if (tag == kUdfTagTerminator) break;
            if (tag == kUdfTagPartition) {
                end = std::max<uint64_t>(end, uint64_t(GetLE32(&s[188])) + GetLE32(&s[192]));
            }
        }
        // A closing anchor names its own sector and the same sequences as the first one.
        uint64_t lastAnchor = 0;
        const uint64_t from = std::max<uint64_t>(end, kUdfAnchor + 1);
        for (uint64_t lba = from; lba < from + kUdfEndSearch && lba < 0xFFFFFFFFu; ++lba) {
            if (!ReadSector(uint32_t(lba), s.data())) break;
            if (GetLE16(&s[0]) == kUdfTagAnchor && GetLE32(&s[12]) == lba &&
                std::memcmp(&s[16], extents.data(), extents.size()) == 0)
                lastAnchor = lba + 1;
        }
        end = std::max(end, lastAnchor);
        declared = uint32_t(std::min<uint64_t>(std::max<uint64_t>(declared, end), 0xFFFFFFFFu));
    }
    return declared;
}

std::string MeasureDiscToRead(TVornBurner& e, TDiscExtent& x, const std::function<bool()>& Aborted) {
    std::string error;
    if (!WaitDriveReadyToRead(e, kReadyBudgetMs, Aborted, error)) return error;
    x.DiscType = e.GetDiscType();
    if (e.UpdateDiscInformation() && e.LastDiscInformation().Blank()) return msg::BlankDisc;
    if (IsCd(x.DiscType) && FirstTrackIsAudio(e)) return msg::AudioDisc;
    if (std::string refusal = ProtectedDiscRefusal(e, uint8_t(x.DiscType)); !refusal.empty()) return refusal;
    uint32_t last = 0, blockLength = 0;
    if (!reading::ReadCapacity(e, last, blockLength)) return DriveFailure(e);
    // Audio CDs answer with their 2352-byte frames.
    if (blockLength != 0 && blockLength != 2048) return IsCd(x.DiscType) ? std::string(msg::AudioDisc) : DriveFailure(e);
    x.Capacity = last + 1;
    if (last == 0) return msg::BlankDisc;
    if (Overwritable(x.DiscType)) {
        const uint32_t declared = DeclaredFileSystemSectors([&](uint32_t lba, uint8_t* sector) {
            return lba < x.Capacity && reading::ReadSectors(e, lba, 1, sector);
        });
        x.Sectors = declared ? std::min(declared, x.Capacity) : x.Capacity;
    } else {
        const uint32_t end = RecordedTrackEnd(e);
        x.Sectors = end ? std::min(end, x.Capacity) : x.Capacity;
        // A DVD's track ends on an ECC block: the zeros a burner padded its last block with
        // are not part of the copy when the file system ends before them.
        const uint32_t ecc = EccBlockSectors(x.DiscType);
        if (ecc > 1 && x.Sectors % ecc == 0) {
            const uint32_t declared = DeclaredFileSystemSectors([&](uint32_t lba, uint8_t* sector) {
                return lba < x.Sectors && reading::ReadSectors(e, lba, 1, sector);
            });
            if (declared && declared < x.Sectors && x.Sectors - declared < ecc) x.Sectors = declared;
        }
    }
    return std::string();
}

} // namespace tarnwick

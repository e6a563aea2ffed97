// What the drive tells about itself and its disc: GET CONFIGURATION, READ DISC INFORMATION,
// READ TRACK INFORMATION, READ TOC/PMA/ATIP, READ CAPACITY, READ BUFFER CAPACITY.
#include <algorithm>

#include "emulator/EmulatedDrive.h"
#include "emulator/Wire.h"
#include "platform/Clock.h"

namespace emulator {

namespace {

constexpr TProfile kAllProfiles[] = {
    TProfile::DvdPlusR, TProfile::DvdPlusRw, TProfile::DvdRwSequential, TProfile::DvdRwRestricted,
    TProfile::DvdRam,   TProfile::DvdR,      TProfile::DvdRom,          TProfile::CdRw,
    TProfile::CdR,      TProfile::CdRom,
};

struct TFeature {
    uint16_t Code;
    std::vector<uint8_t> Bytes; // the whole descriptor
    bool Current;
};

// Feature descriptor header: code, version, persistent and current bits, additional length.
TFeature MakeFeature(uint16_t code, uint8_t version, bool persistent, bool current, std::vector<uint8_t> data) {
    std::vector<uint8_t> d(4, 0);
    PutBE16(&d[0], code);                                                          // feature code
    d[2] = uint8_t((version << 2) | (persistent ? 0x02 : 0) | (current ? 0x01 : 0)); // version, persistent, current
    d[3] = uint8_t(data.size());                                                   // additional length
    d.insert(d.end(), data.begin(), data.end());
    return {code, std::move(d), current};
}

// A CD address as minutes, seconds and frames, in the 4-byte form 00 M S F.
uint32_t LbaToMsf(int64_t lba) {
    int64_t frames = lba + 150;
    if (frames < 0) frames += 450000; // negative addresses wrap to the lead-in minutes (90 and up)
    uint32_t m = uint32_t(frames / (60 * 75)), s = uint32_t(frames / 75 % 60), f = uint32_t(frames % 75);
    return (m << 16) | (s << 8) | f;
}

void PutAddress(uint8_t* p, uint32_t lba, bool msf) { PutBE32(p, msf ? LbaToMsf(lba) : lba); }

// The lead-in start an 80-minute CD-R announces in its ATIP (97:26:66).
constexpr uint8_t kAtipLeadInMinute = 97, kAtipLeadInSecond = 26, kAtipLeadInFrame = 66;

} // namespace

namespace {
// The features the drive reports with the medium of profile p in it (None: no medium), in
// feature-code order.
std::vector<TFeature> DriveFeatures(const TDriveModel& m, TProfile p, const TDisc* disc) {
    const bool present = p != TProfile::None;
    const bool cd = present && MediumTraits(p).Cd;
    const bool cdWritable = p == TProfile::CdR || p == TProfile::CdRw;
    const bool dvdMinusSequential = p == TProfile::DvdR || p == TProfile::DvdRwSequential;

    std::vector<TFeature> features;
    {
        std::vector<uint8_t> list;
        for (TProfile each : kAllProfiles) {
            if (!m.CanRead(each)) continue;
            uint8_t d[4] = {};
            PutBE16(d, uint16_t(each));     // profile number
            d[2] = each == p ? 0x01 : 0x00; // CurrentP
            list.insert(list.end(), d, d + 4);
        }
        features.push_back(MakeFeature(0x0000, 0, true, true, list)); // Profile List
    }
    features.push_back(MakeFeature(0x0001, 1, true, true, {0, 0, 0, 2, 0, 0, 0, 0})); // Core: ATAPI
    features.push_back(MakeFeature(0x0002, 1, true, true, {0x00, 0, 0, 0}));          // Morphing
    features.push_back(MakeFeature(0x0003, 0, true, true, {0x29, 0, 0, 0}));          // Removable Medium: tray, Eject, Lock
    {
        std::vector<uint8_t> d(8, 0);
        PutBE32(&d[0], kSectorSize);         // logical block size
        PutBE16(&d[4], IsDvd(p) ? 16 : 1);   // blocking
        features.push_back(MakeFeature(0x0010, 0, false, present, d)); // Random Readable
    }
    features.push_back(MakeFeature(0x001E, 2, false, cd, {0, 0, 0, 0})); // CD Read
    if (m.ReadsDvdRom) features.push_back(MakeFeature(0x001F, 0, false, IsDvd(p), {})); // DVD Read
    if (m.WritesDvdRam || m.WritesDvdPlus) {
        std::vector<uint8_t> d(12, 0);
        const bool random = p == TProfile::DvdRam || p == TProfile::DvdPlusRw || p == TProfile::DvdRwRestricted;
        PutBE32(&d[0], random && disc ? disc->Capacity() - 1 : 0); // last LBA
        PutBE32(&d[4], kSectorSize);                                // logical block size
        PutBE16(&d[8], 16);                                         // blocking
        features.push_back(MakeFeature(0x0020, 0, false, random, d)); // Random Writable
    }
    if (m.WritesCdR || m.WritesDvdR) {
        std::vector<uint8_t> d(8, 0);
        PutBE16(&d[0], 0x0100);            // data block types: Mode 1 (8)
        d[2] = m.Buf ? 0x01 : 0x00;        // BUF
        d[3] = 1;                          // number of link sizes
        d[4] = IsDvd(p) ? 16 : 7;          // link size
        features.push_back(MakeFeature(0x0021, 1, false, cdWritable || dvdMinusSequential, d)); // Incremental Streaming Writable
    }
    if (m.WritesDvdPlus || m.CanRead(TProfile::DvdPlusRw)) {
        features.push_back(MakeFeature(0x002A, 0, false, p == TProfile::DvdPlusRw,
                                       {uint8_t(m.WritesDvdPlus ? 0x01 : 0x00), 0, 0, 0})); // DVD+RW: Write
        features.push_back(MakeFeature(0x002B, 0, false, p == TProfile::DvdPlusR,
                                       {uint8_t(m.WritesDvdPlus ? 0x01 : 0x00), 0, 0, 0})); // DVD+R: Write
    }
    if (m.WritesCdR || m.WritesCdRw) {
        const uint8_t flags = uint8_t((m.Buf ? 0x40 : 0) | (m.TestWrite ? 0x04 : 0) | (m.WritesCdRw ? 0x02 : 0));
        features.push_back(MakeFeature(0x002D, 2, false, cdWritable, {flags, 0, 0x00, 0x3F})); // CD Track at Once
        features.push_back(MakeFeature(0x002E, 1, false, cdWritable, {uint8_t(flags | 0x20 | 0x08), 0, 0x10, 0})); // CD Mastering
    }
    if (m.Feature2FData)
        features.push_back(MakeFeature(0x002F, 1, false, dvdMinusSequential, {*m.Feature2FData, 0, 0, 0})); // DVD-R/-RW Write

    return features;
}
} // namespace

TReply TEmulatedDrive::GetConfiguration(const TCommand& c) {
    const uint8_t rt = c.Cdb[1] & 0x03;
    const uint16_t start = GetBE16(c.Cdb + 2);
    const uint32_t alloc = GetBE16(c.Cdb + 7);
    if (rt == 3) return TReply::Check(sense::InvalidFieldInCdb);
    const TProfile p = CurrentProfile();
    std::vector<uint8_t> d(8, 0);
    for (const auto& f : DriveFeatures(Settings.Model, p, Disc.get())) {
        bool wanted = rt == 2 ? f.Code == start : f.Code >= start && (rt == 0 || f.Current);
        if (wanted) d.insert(d.end(), f.Bytes.begin(), f.Bytes.end());
    }
    PutBE32(&d[0], uint32_t(d.size() - 4)); // data length
    PutBE16(&d[6], uint16_t(p));            // current profile
    return TReply::In(std::move(d), alloc);
}

TReply TEmulatedDrive::ReadDiscInformation(const TCommand& c) {
    const uint8_t dataType = c.Cdb[1] & 0x07;
    const uint32_t alloc = GetBE16(c.Cdb + 7);
    if (dataType != 0) return TReply::Check(sense::InvalidFieldInCdb);
    const TDisc& disc = *Disc;
    const auto traits = MediumTraits(disc.Profile());
    const uint16_t sessions = disc.SessionCount();
    const uint16_t firstTrack = disc.FirstTrackInLastSession();
    const uint16_t lastTrack = disc.LastTrackInLastSession();
    const auto next = disc.NextWritable();
    const bool cd = traits.Cd;

    std::vector<uint8_t> d(34, 0);
    PutBE16(&d[0], uint16_t(d.size() - 2));                        // disc information length
    d[2] = uint8_t((traits.Erasable ? 0x10 : 0) |                  // Erasable
                   (disc.LastSessionState() << 2) |                // state of last session
                   disc.DiscStatus());                             // disc status
    d[3] = 1;                                                      // number of first track on disc
    d[4] = uint8_t(sessions);                                      // number of sessions, LSB
    d[5] = uint8_t(firstTrack);                                    // first track in last session, LSB
    d[6] = uint8_t(lastTrack);                                     // last track in last session, LSB
    d[7] = 0x20;                                                   // URU: unrestricted use
    d[8] = 0x00;                                                   // disc type: CD-DA or CD-ROM
    d[9] = uint8_t(sessions >> 8);                                 // number of sessions, MSB
    d[10] = uint8_t(firstTrack >> 8);                              // first track in last session, MSB
    d[11] = uint8_t(lastTrack >> 8);                               // last track in last session, MSB
    if (next && traits.Sequential) {
        // Last session lead-in start: the ATIP's lead-in on a blank CD; else where it goes.
        if (cd && disc.SessionCount() == 1)
            PutBE32(&d[16], (kAtipLeadInMinute << 16) | (kAtipLeadInSecond << 8) | kAtipLeadInFrame);
        else
            PutAddress(&d[16], cd ? *next - 4500 - 150 : *next, cd);
        PutAddress(&d[20], disc.Capacity(), cd);                   // last possible lead-out start
    } else {
        PutBE32(&d[16], 0xFFFFFFFF);
        PutBE32(&d[20], 0xFFFFFFFF);
    }
    return TReply::In(std::move(d), alloc);
}

TReply TEmulatedDrive::ReadTrackInformation(const TCommand& c) {
    const uint8_t addressType = c.Cdb[1] & 0x03;
    const uint32_t address = GetBE32(c.Cdb + 2);
    const uint32_t alloc = GetBE16(c.Cdb + 7);
    const TDisc& disc = *Disc;
    uint16_t number = 0;
    if (addressType == 1) {
        number = address == 0xFF ? disc.TrackCount() : uint16_t(std::min<uint32_t>(address, 0xFFFF));
    } else if (addressType == 0) {
        for (uint16_t n = 1; n <= disc.TrackCount(); ++n) {
            auto t = disc.Track(n);
            uint32_t end = t->Reserved || t->Closed ? t->End() : disc.Capacity();
            if (address >= t->Start && address < end) number = n;
        }
    } else {
        return TReply::Check(sense::InvalidFieldInCdb);
    }
    auto track = disc.Track(number);
    if (!track) return TReply::Check(sense::InvalidFieldInCdb);
    const bool dvd = IsDvd(disc.Profile());
    const bool open = !track->Closed && disc.Writable();
    const uint32_t size = (track->Reserved || track->Closed) ? track->Size : disc.Capacity() - track->Start;
    const uint32_t used = track->Next - track->Start;

    std::vector<uint8_t> d(36, 0);
    PutBE16(&d[0], uint16_t(d.size() - 2));                          // data length
    d[2] = uint8_t(number);                                          // track number, LSB
    d[3] = uint8_t(track->Session);                                  // session number, LSB
    d[5] = 0x04;                                                     // track mode: data
    d[6] = uint8_t((track->Reserved ? 0x80 : 0) |                    // RT: reserved track
                   (used == 0 && open ? 0x40 : 0) |                  // Blank
                   (open ? 0x20 : 0) |                               // Packet/Inc
                   0x01);                                            // data mode 1
    d[7] = uint8_t((used ? 0x02 : 0) | (open ? 0x01 : 0));           // LRA_V, NWA_V
    PutBE32(&d[8], track->Start);                                    // track start address
    PutBE32(&d[12], open ? track->Next : 0);                         // next writable address
    PutBE32(&d[16], open ? size - used : 0);                         // free blocks
    PutBE32(&d[20], dvd ? 16 : 0);                                   // fixed packet size / blocking
    PutBE32(&d[24], size);                                           // track size
    PutBE32(&d[28], used ? track->Next - 1 : 0);                     // last recorded address
    d[32] = uint8_t(number >> 8);                                    // track number, MSB
    d[33] = uint8_t(track->Session >> 8);                            // session number, MSB
    return TReply::In(std::move(d), alloc);
}

namespace {

// READ TOC/PMA/ATIP format 4: the ATIP of a recordable CD.
TReply AtipReply(const TDisc& disc, uint32_t alloc) {
    const TProfile p = disc.Profile();
    if (IsDvd(p)) return TReply::Check(sense::InvalidFieldInCdb);
    if (p == TProfile::CdRom) {
        std::vector<uint8_t> d(4, 0);
        PutBE16(&d[0], 2); // a pressed disc has no ATIP: header only
        return TReply::In(std::move(d), alloc);
    }
    const uint32_t leadOut = LbaToMsf(disc.Capacity());
    std::vector<uint8_t> d(28, 0);
    PutBE16(&d[0], uint16_t(d.size() - 2));           // data length
    d[4] = 0x50 | 0x01;                               // writing power 5, reference speed 1
    d[5] = 0x40;                                      // URU
    d[6] = uint8_t(0x80 |                             // always one
                   (p == TProfile::CdRw ? 0x40 : 0)); // disc type: 1 = CD-RW
    d[8] = kAtipLeadInMinute;                         // start time of lead-in
    d[9] = kAtipLeadInSecond;
    d[10] = kAtipLeadInFrame;
    d[12] = uint8_t(leadOut >> 16);                   // last possible start of lead-out
    d[13] = uint8_t(leadOut >> 8);
    d[14] = uint8_t(leadOut);
    return TReply::In(std::move(d), alloc);
}

struct TTocEntry {
    uint16_t Number;
    uint16_t Session;
    uint32_t Start;
};

// The recorded tracks: those holding data (a pressed or overwritable disc is one track), and
// where the lead-out starts.
std::vector<TTocEntry> RecordedTracks(const TDisc& disc, uint32_t& leadOut) {
    const TProfile p = disc.Profile();
    std::vector<TTocEntry> entries;
    leadOut = disc.RecordedEnd();
    for (uint16_t n = 1; n <= disc.TrackCount(); ++n) {
        auto t = disc.Track(n);
        if (MediumTraits(p).Sequential && t->Empty()) continue;
        entries.push_back({n, t->Session, t->Start});
        if (MediumTraits(p).Sequential) leadOut = std::max(leadOut, t->End());
    }
    return entries;
}

// Format 0: the TOC from track number on (0xAA: the lead-out alone).
TReply TocReply(const std::vector<TTocEntry>& entries, uint32_t leadOut, uint8_t number, bool msf, uint32_t alloc) {
    if (number > entries.back().Number && number != 0xAA) return TReply::Check(sense::InvalidFieldInCdb);
    std::vector<uint8_t> d(4, 0);
    auto add = [&](uint8_t track, uint32_t lba) {
        uint8_t e[8] = {};
        e[1] = 0x14;  // ADR 1, control: data track, recorded uninterrupted
        e[2] = track; // track number
        PutAddress(e + 4, lba, msf);
        d.insert(d.end(), e, e + 8);
    };
    for (const auto& e : entries)
        if (e.Number >= number && number != 0xAA) add(uint8_t(e.Number), e.Start);
    add(0xAA, leadOut);
    PutBE16(&d[0], uint16_t(d.size() - 2)); // data length
    d[2] = uint8_t(entries.front().Number); // first track number
    d[3] = uint8_t(entries.back().Number);  // last track number
    return TReply::In(std::move(d), alloc);
}

// Format 1: session information, the first track of the last session.
TReply SessionInfoReply(const std::vector<TTocEntry>& entries, bool msf, uint32_t alloc) {
    const TTocEntry* last = &entries.front();
    for (const auto& e : entries)
        if (e.Session >= last->Session && e.Session != last->Session) last = &e;
    std::vector<uint8_t> d(12, 0);
    PutBE16(&d[0], 10);                  // data length
    d[2] = 1;                            // first complete session
    d[3] = uint8_t(last->Session);       // last complete session
    d[5] = 0x14;                         // ADR 1, data track
    d[6] = uint8_t(last->Number);        // first track in the last session
    PutAddress(&d[8], last->Start, msf); // its start address
    return TReply::In(std::move(d), alloc);
}

} // namespace

TReply TEmulatedDrive::ReadTocPmaAtip(const TCommand& c) {
    const bool msf = c.Cdb[1] & 0x02;
    const uint8_t format = c.Cdb[2] & 0x0F;
    const uint8_t number = c.Cdb[6];
    const uint32_t alloc = GetBE16(c.Cdb + 7);
    const TDisc& disc = *Disc;
    if (format == 4) return AtipReply(disc, alloc);
    uint32_t leadOut = 0;
    const std::vector<TTocEntry> entries = RecordedTracks(disc, leadOut);
    if (entries.empty() || disc.RecordedEnd() == 0) return TReply::Check(sense::InvalidFieldInCdb);
    if (format == 0) return TocReply(entries, leadOut, number, msf, alloc);
    if (format == 1) return SessionInfoReply(entries, msf, alloc);
    return TReply::Check(sense::InvalidFieldInCdb);
}

TReply TEmulatedDrive::ReadCapacity(const TCommand&) {
    // Overwritable media answer with their whole formatted size (the file system tells how much
    // of it is used); pressed and write-once media with what is recorded.
    const bool overwritable = MediumTraits(Disc->Profile()).Writable && !MediumTraits(Disc->Profile()).Sequential;
    const uint32_t end = overwritable && Disc->DiscStatus() != 0 ? Disc->Capacity() : Disc->RecordedEnd();
    std::vector<uint8_t> d(8, 0);
    PutBE32(&d[0], end ? end - 1 : 0); // last logical block address
    PutBE32(&d[4], kSectorSize);       // block length
    return TReply::In(std::move(d), 8);
}

void TEmulatedDrive::DrainBuffer() {
    const uint64_t now = platform::Clock().NowMs();
    // A speed of S KB/s moves S bytes per millisecond.
    const uint64_t drained = (now - std::min(now, BufferCheckedMs)) * std::max<uint16_t>(CurrentWriteSpeed(), 1);
    BufferFill = drained >= BufferFill ? 0 : BufferFill - drained;
    BufferCheckedMs = now;
}

TReply TEmulatedDrive::ReadBufferCapacity(const TCommand& c) {
    const bool block = c.Cdb[1] & 0x01;
    const uint32_t alloc = GetBE16(c.Cdb + 7);
    DrainBuffer();
    const uint32_t size = uint32_t(Settings.Model.BufferKB) * 1024;
    const uint32_t blank = size - uint32_t(std::min<uint64_t>(BufferFill, size));
    std::vector<uint8_t> d(12, 0);
    PutBE16(&d[0], uint16_t(d.size() - 2)); // data length
    if (!block) {
        PutBE32(&d[4], size);                                                   // length of buffer
        PutBE32(&d[8], Settings.Model.UnknownFreeBuffer ? 0xFFFFFFFF : blank); // blank length of buffer
    } else {
        d[3] = 0x01;                                   // Block
        PutBE32(&d[8], blank / kSectorSize);           // available length of buffer, in blocks
    }
    return TReply::In(std::move(d), alloc);
}

} // namespace emulator

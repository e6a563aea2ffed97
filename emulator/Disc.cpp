#include "emulator/Disc.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace emulator {

namespace {

// Space between the end of a closed CD track and the next one: two run-out blocks and the
// next track's 2-second pregap (150 blocks).
constexpr uint32_t kCdTrackGap = 152;
// Space a closed CD session takes after its last track: lead-out (90 s for the first
// session, 30 s after) plus the next lead-in (60 s) and pregap (2 s), at 75 blocks a second.
constexpr uint32_t kCdFirstSessionGap = 6750 + 4500 + 150;
constexpr uint32_t kCdLaterSessionGap = 2250 + 4500 + 150;
// A DVD border (border-out and the next border-in); its real size depends on the radius,
// this is of the right order.
constexpr uint32_t kDvdBorderBlocks = 0x3000;
// DVD-R/-RW tracks are reserved in whole ECC blocks.
constexpr uint32_t kDvdEccBlocks = 16;

const char* const kStateHeader = "# Tarnwick emulated disc";

std::string ProfileHex(TProfile p) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", unsigned(p));
    return buf;
}

} // namespace

TDisc::TDisc(TProfile profile, uint32_t capacity)
    : Medium(profile), CapacityBlocks(capacity ? capacity : MediumTraits(profile).Capacity) {
    ResetBlank();
}

TDisc::~TDisc() {
    std::string ignored;
    Flush(ignored);
    if (Hold != platform::kInvalidFileHandle) platform::FileClose(Hold);
}

void TDisc::ResetBlank() {
    TrackList.clear();
    ClosedSessions = 0;
    IsFinalized = false;
    Formatted = false;
    Unfinished = false;
    HighestWritten = 0;
    TimestampDigits.clear();
    if (MediumTraits(Medium).Sequential) OpenInvisibleTrack(0);
}

void TDisc::OpenInvisibleTrack(uint32_t start) {
    TTrack t;
    t.Session = uint16_t(ClosedSessions + 1);
    t.Start = t.Next = start;
    TrackList.push_back(t);
}

std::shared_ptr<TDisc> TDisc::InMemory(TProfile profile, uint32_t capacity) {
    std::shared_ptr<TDisc> d(new TDisc(profile, capacity));
    if (!MediumTraits(profile).Writable) d->HighestWritten = d->CapacityBlocks;
    return d;
}

std::shared_ptr<TDisc> TDisc::Discarding(TProfile profile, uint32_t capacity) {
    auto d = InMemory(profile, capacity);
    d->DropData = true;
    return d;
}

std::shared_ptr<TDisc> TDisc::OpenBacking(const std::string& path, TProfile profile, std::string& error,
                                          uint32_t capacity) {
    namespace fs = std::filesystem;
    std::shared_ptr<TDisc> d(new TDisc(profile, capacity));
    d->Backing = path;
    std::error_code ec;
    bool exists = fs::exists(path, ec);
    bool hasState = fs::exists(d->StatePath(), ec);
    if (exists && !hasState && fs::file_size(path, ec) != 0) {
        error = "disc file \"" + path + "\" has no state file \"" + d->StatePath() + "\"";
        return nullptr;
    }
    if (!exists) {
        std::ofstream create(path, std::ios::binary);
        if (!create) {
            error = "cannot create disc file \"" + path + "\"";
            return nullptr;
        }
    }
    d->File.open(path, std::ios::in | std::ios::out | std::ios::binary);
    if (!d->File.is_open()) {
        error = "cannot open disc file \"" + path + "\"";
        return nullptr;
    }
    d->Hold = platform::FileOpen(path, 0x40); // read, shared: only the hold is exclusive
    if (d->Hold == platform::kInvalidFileHandle || !platform::FileTryLock(d->Hold)) {
        error = "disc file \"" + path + "\" is in use by another virtual drive (in this or another program)";
        return nullptr;
    }
    if (hasState) {
        if (!d->LoadState(error)) return nullptr;
        // Formatting turns a sequential DVD-RW into a restricted-overwrite one and blanking back.
        const auto dvdRw = [](TProfile p) { return p == TProfile::DvdRwSequential || p == TProfile::DvdRwRestricted; };
        if (d->Medium != profile && !(dvdRw(d->Medium) && dvdRw(profile))) {
            error = "disc file \"" + path + "\" holds a " + KindName(d->Medium) + " disc, not " + KindName(profile);
            return nullptr;
        }
    } else if (!d->SaveState(error)) {
        return nullptr;
    }
    return d;
}

std::shared_ptr<TDisc> TDisc::PressedFromImage(const std::string& path, TProfile profile, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    uint64_t bytes = fs::file_size(path, ec);
    if (ec) {
        error = "cannot read image \"" + path + "\"";
        return nullptr;
    }
    uint64_t sectors = (bytes + kSectorSize - 1) / kSectorSize;
    if (sectors == 0 || sectors > 0xFFFFFFFFull) {
        error = "image \"" + path + "\" is empty or too large for a disc";
        return nullptr;
    }
    std::shared_ptr<TDisc> d(new TDisc(profile, uint32_t(sectors)));
    d->File.open(path, std::ios::in | std::ios::binary);
    if (!d->File.is_open()) {
        error = "cannot open image \"" + path + "\"";
        return nullptr;
    }
    d->ReadOnly = true;
    d->HighestWritten = uint32_t(sectors);
    return d;
}

uint16_t TDisc::CurrentSession() const { return uint16_t(ClosedSessions + 1); }

bool TDisc::SessionHasData(uint16_t session) const {
    for (const auto& t : TrackList)
        if (t.Session == session && !t.Empty()) return true;
    return false;
}

uint8_t TDisc::DiscStatus() const {
    std::lock_guard lock(Mutex);
    auto traits = MediumTraits(Medium);
    if (!traits.Writable) return 2;
    if (!traits.Sequential) return (Medium == TProfile::DvdPlusRw && !Formatted) ? 0 : 3;
    if (IsFinalized) return 2;
    if (Unfinished) return 1; // half erased: neither blank nor appendable
    if (ClosedSessions == 0 && !SessionHasData(1)) return 0;
    return 1;
}

uint8_t TDisc::LastSessionState() const {
    std::lock_guard lock(Mutex);
    auto traits = MediumTraits(Medium);
    if (!traits.Writable) return 3;
    if (!traits.Sequential) return (Medium == TProfile::DvdPlusRw && !Formatted) ? 0 : 3;
    if (IsFinalized) return 3;
    return SessionHasData(CurrentSession()) ? 1 : 0;
}

uint16_t TDisc::SessionCount() const {
    std::lock_guard lock(Mutex);
    if (!MediumTraits(Medium).Sequential) return 1;
    return IsFinalized ? ClosedSessions : uint16_t(ClosedSessions + 1);
}

uint16_t TDisc::TrackCount() const {
    std::lock_guard lock(Mutex);
    return MediumTraits(Medium).Sequential ? uint16_t(TrackList.size()) : 1;
}

uint16_t TDisc::FirstTrackInLastSession() const {
    std::lock_guard lock(Mutex);
    if (!MediumTraits(Medium).Sequential) return 1;
    uint16_t last = SessionCount();
    for (size_t i = 0; i < TrackList.size(); ++i)
        if (TrackList[i].Session == last) return uint16_t(i + 1);
    return uint16_t(TrackList.size());
}

uint16_t TDisc::LastTrackInLastSession() const { return TrackCount(); }

std::optional<TTrack> TDisc::Track(uint16_t number) const {
    std::lock_guard lock(Mutex);
    if (!MediumTraits(Medium).Sequential) {
        if (number != 1) return std::nullopt;
        TTrack whole;
        whole.Size = CapacityBlocks;
        whole.Next = Writable() ? 0 : CapacityBlocks;
        whole.Closed = !Writable();
        whole.Reserved = true;
        return whole;
    }
    if (number == 0 || number > TrackList.size()) return std::nullopt;
    return TrackList[number - 1];
}

uint32_t TDisc::RecordedEnd() const {
    std::lock_guard lock(Mutex);
    return HighestWritten;
}

bool TDisc::Recorded(uint32_t lba, uint32_t blocks) const {
    std::lock_guard lock(Mutex);
    if (!MediumTraits(Medium).Writable || !MediumTraits(Medium).Sequential) return true;
    uint64_t at = lba;
    const uint64_t end = uint64_t(lba) + blocks;
    for (const auto& t : TrackList) {
        if (at >= end) break;
        if (at < t.Start) return false; // a gap before this track
        if (at < t.Next) at = t.Next;
    }
    return at >= end;
}

std::optional<uint32_t> TDisc::NextWritable() const {
    std::lock_guard lock(Mutex);
    if (!Writable()) return std::nullopt;
    if (!MediumTraits(Medium).Sequential) return 0;
    for (const auto& t : TrackList)
        if (!t.Closed && t.Next < (t.Reserved ? t.End() : CapacityBlocks)) return t.Next;
    return std::nullopt;
}

std::string TDisc::Timestamp() const {
    std::lock_guard lock(Mutex);
    return TimestampDigits;
}

int TDisc::OpenTrackIndexFor(uint32_t lba) const {
    for (size_t i = 0; i < TrackList.size(); ++i) {
        const auto& t = TrackList[i];
        if (!t.Closed && t.Next == lba) return int(i);
    }
    return -1;
}

TFailure TDisc::CheckWrite(uint32_t lba, uint32_t blocks) const {
    std::lock_guard lock(Mutex);
    if (!Writable()) return sense::CannotWriteIncompatibleFormat;
    if (Unfinished) return sense::MediumFormatCorrupted;
    if (FormatRequired) return sense::MediumNotFormatted;
    if (uint64_t(lba) + blocks > CapacityBlocks) return sense::LbaOutOfRange;
    if (!MediumTraits(Medium).Sequential) return std::nullopt;
    if (IsFinalized) return sense::InvalidAddressForWrite;
    int i = OpenTrackIndexFor(lba);
    if (i < 0) return sense::InvalidAddressForWrite;
    const auto& t = TrackList[size_t(i)];
    if (t.Reserved && uint64_t(lba) + blocks > t.End()) return sense::InvalidAddressForWrite;
    return std::nullopt;
}

bool TDisc::StoreSectors(uint32_t lba, uint32_t blocks, const uint8_t* data) {
    if (DropData) return true;
    if (Backing.empty()) {
        for (uint32_t i = 0; i < blocks; ++i)
            MemorySectors[lba + i].assign(data + size_t(i) * kSectorSize, data + size_t(i + 1) * kSectorSize);
        return true;
    }
    File.clear();
    File.seekp(std::streamoff(lba) * kSectorSize);
    File.write(reinterpret_cast<const char*>(data), std::streamsize(blocks) * kSectorSize);
    File.flush();
    return bool(File);
}

TFailure TDisc::Write(uint32_t lba, uint32_t blocks, const uint8_t* data) {
    std::lock_guard lock(Mutex);
    if (auto f = CheckWrite(lba, blocks)) return f;
    if (blocks == 0) return std::nullopt;
    if (!StoreSectors(lba, blocks, data)) return sense::WriteError;
    HighestWritten = std::max(HighestWritten, lba + blocks);
    if (MediumTraits(Medium).Sequential) TrackList[size_t(OpenTrackIndexFor(lba))].Next = lba + blocks;
    if (Medium == TProfile::DvdPlusRw && !Formatted) {
        Formatted = true;
        Changed();
    }
    Dirty = true;
    return std::nullopt;
}

TFailure TDisc::Read(uint32_t lba, uint32_t blocks, uint8_t* out) const {
    std::lock_guard lock(Mutex);
    if (uint64_t(lba) + blocks > CapacityBlocks) return sense::LbaOutOfRange;
    std::memset(out, 0, size_t(blocks) * kSectorSize);
    if (Backing.empty() && !File.is_open()) {
        for (uint32_t i = 0; i < blocks; ++i) {
            auto it = MemorySectors.find(lba + i);
            if (it != MemorySectors.end()) std::memcpy(out + size_t(i) * kSectorSize, it->second.data(), kSectorSize);
        }
        return std::nullopt;
    }
    // Sectors past the end of the file are unwritten: they stay zero.
    File.clear();
    File.seekg(std::streamoff(lba) * kSectorSize);
    File.read(reinterpret_cast<char*>(out), std::streamsize(blocks) * kSectorSize);
    File.clear();
    return std::nullopt;
}

TFailure TDisc::Reserve(uint32_t blocks) {
    std::lock_guard lock(Mutex);
    if (!Writable() || !MediumTraits(Medium).Sequential) return sense::CannotWriteIncompatibleFormat;
    if (IsFinalized) return sense::CommandSequenceError;
    TTrack& open = TrackList.back();
    if (!open.Empty()) return sense::CommandSequenceError;
    if (blocks == 0) return sense::InvalidFieldInCdb;
    if (IsDvd(Medium)) blocks = (blocks + kDvdEccBlocks - 1) / kDvdEccBlocks * kDvdEccBlocks;
    if (uint64_t(open.Start) + blocks > CapacityBlocks) return sense::InvalidFieldInCdb;
    open.Reserved = true;
    open.Size = blocks;
    OpenInvisibleTrack(open.Start + blocks);
    Changed();
    return std::nullopt;
}

TFailure TDisc::CloseTrack(uint16_t number) {
    std::lock_guard lock(Mutex);
    if (!MediumTraits(Medium).Sequential || !Writable()) return std::nullopt; // nothing to close
    if (IsFinalized) return sense::CommandSequenceError;
    size_t index;
    if (number == 0x00FF) {
        // The incomplete track: the first open track that holds data or a reservation.
        auto it = std::find_if(TrackList.begin(), TrackList.end(), [](const TTrack& t) { return !t.Closed && !t.Empty(); });
        if (it == TrackList.end()) return std::nullopt;
        index = size_t(it - TrackList.begin());
    } else {
        if (number == 0 || number > TrackList.size()) return sense::InvalidFieldInCdb;
        index = number - 1u;
    }
    TTrack& t = TrackList[index];
    if (t.Closed || t.Empty()) return std::nullopt;
    bool wasInvisible = !t.Reserved;
    // A reserved track closed before it is full is padded by the drive; the padding reads
    // as zeros, so nothing is stored for it.
    if (t.Reserved) t.Next = t.End();
    t.Reserved = true;
    t.Size = t.Next - t.Start;
    t.Closed = true;
    if (wasInvisible && index + 1 == TrackList.size()) {
        uint32_t next = t.End() + (MediumTraits(Medium).Cd ? kCdTrackGap : 0);
        if (next < CapacityBlocks) OpenInvisibleTrack(next);
    }
    Changed();
    return std::nullopt;
}

TFailure TDisc::CloseSession(bool appendable) {
    std::lock_guard lock(Mutex);
    auto traits = MediumTraits(Medium);
    if (!Writable()) return std::nullopt;
    if (!traits.Sequential) {
        if (Medium == TProfile::DvdPlusRw && HighestWritten > 0) Formatted = true;
        Changed();
        return std::nullopt;
    }
    if (IsFinalized) return sense::CommandSequenceError;
    uint16_t session = CurrentSession();
    if (!SessionHasData(session)) {
        // An empty session cannot be closed; on a disc with closed sessions, a request to
        // close the disc still finalizes it.
        if (ClosedSessions == 0) return sense::CommandSequenceError;
        if (!appendable) return Finalize();
        return std::nullopt;
    }
    // A drive closes no track on its own: every track of the session must have been closed
    // by CLOSE TRACK first. DVD-R/-RW tell a reserved track apart from the incomplete one.
    for (auto& t : TrackList) {
        if (t.Session != session || t.Closed || t.Empty()) continue;
        if (t.Reserved && t.Next == t.End()) { // a reserved track written to its end is complete
            t.Closed = true;
            continue;
        }
        const bool dvdMinus = Medium == TProfile::DvdR || Medium == TProfile::DvdRwSequential;
        return dvdMinus && t.Reserved ? sense::EmptyOrPartiallyWrittenReservedTrack : sense::IncompleteTrackInSession;
    }
    uint32_t end = 0;
    for (const auto& t : TrackList)
        if (!t.Empty()) end = std::max(end, t.End());
    TrackList.erase(std::remove_if(TrackList.begin(), TrackList.end(), [](const TTrack& t) { return t.Empty(); }),
                    TrackList.end());
    ++ClosedSessions;
    uint32_t gap = traits.Cd ? (ClosedSessions == 1 ? kCdFirstSessionGap : kCdLaterSessionGap) : kDvdBorderBlocks;
    if (!appendable || uint64_t(end) + gap >= CapacityBlocks)
        IsFinalized = true;
    else
        OpenInvisibleTrack(end + gap);
    Changed();
    return std::nullopt;
}

TFailure TDisc::Finalize() {
    std::lock_guard lock(Mutex);
    if (!Writable() || !MediumTraits(Medium).Sequential) return CloseSession(false);
    if (IsFinalized) return std::nullopt;
    if (SessionHasData(CurrentSession())) return CloseSession(false);
    if (ClosedSessions == 0) return sense::CommandSequenceError;
    TrackList.erase(std::remove_if(TrackList.begin(), TrackList.end(), [](const TTrack& t) { return t.Empty(); }),
                    TrackList.end());
    IsFinalized = true;
    Changed();
    return std::nullopt;
}

TFailure TDisc::Erase() {
    std::lock_guard lock(Mutex);
    if (!Writable() || !MediumTraits(Medium).Erasable) return sense::CannotWriteIncompatibleFormat;
    ResetBlank();
    MemorySectors.clear();
    if (!Backing.empty()) {
        File.close();
        File.open(Backing, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
        if (!File.is_open()) return sense::WriteError;
    }
    Changed();
    return std::nullopt;
}

TFailure TDisc::BeginErase() {
    std::lock_guard lock(Mutex);
    const bool blankable = MediumTraits(Medium).Sequential || Medium == TProfile::DvdRwRestricted;
    if (!Writable() || !MediumTraits(Medium).Erasable || !blankable) return sense::CannotWriteIncompatibleFormat;
    // A blanked DVD-RW is a sequential disc again, whatever it was formatted to.
    if (Medium == TProfile::DvdRwRestricted) Medium = TProfile::DvdRwSequential;
    if (auto f = Erase()) return f;
    Unfinished = true;
    Changed();
    return std::nullopt;
}

TFailure TDisc::BeginFormat() {
    std::lock_guard lock(Mutex);
    if (!Writable() || !MediumTraits(Medium).Erasable) return sense::CannotFormatIncompatibleMedium;
    if (Medium == TProfile::DvdRwSequential) Medium = TProfile::DvdRwRestricted;
    else if (Medium != TProfile::DvdRwRestricted && Medium != TProfile::DvdPlusRw && Medium != TProfile::DvdRam)
        return sense::CannotFormatIncompatibleMedium;
    if (auto f = Erase()) return f;
    FormatRequired = false;
    Formatted = Medium == TProfile::DvdPlusRw;
    Unfinished = true;
    Changed();
    return std::nullopt;
}

void TDisc::FinishOperation() {
    std::lock_guard lock(Mutex);
    if (!Unfinished) return;
    Unfinished = false;
    Changed();
}

bool TDisc::OperationUnfinished() const {
    std::lock_guard lock(Mutex);
    return Unfinished;
}

void TDisc::SetNeedsFormat(bool v) {
    std::lock_guard lock(Mutex);
    FormatRequired = v;
    Changed();
}

bool TDisc::NeedsFormat() const {
    std::lock_guard lock(Mutex);
    return FormatRequired;
}

void TDisc::SetTimestamp(const std::string& digits) {
    std::lock_guard lock(Mutex);
    TimestampDigits = digits;
    Changed();
}

void TDisc::Changed() {
    Dirty = true;
    std::string ignored;
    SaveState(ignored);
    Dirty = false;
}

bool TDisc::Flush(std::string& error) {
    std::lock_guard lock(Mutex);
    if (!Dirty) return true;
    if (!SaveState(error)) return false;
    Dirty = false;
    return true;
}

// The state file: one fact per line, "key value...", '#' lines ignored.
bool TDisc::SaveState(std::string& error) const {
    if (Backing.empty()) return true;
    std::string tmp = StatePath() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        if (!out) {
            error = "cannot write \"" + tmp + "\"";
            return false;
        }
        out << kStateHeader << " (" << KindName(Medium) << ")\n";
        out << "profile " << ProfileHex(Medium) << "\n";
        out << "capacity " << CapacityBlocks << "\n";
        out << "closed-sessions " << ClosedSessions << "\n";
        out << "finalized " << (IsFinalized ? 1 : 0) << "\n";
        out << "formatted " << (Formatted ? 1 : 0) << "\n";
        if (FormatRequired) out << "needs-format 1\n";
        if (Unfinished) out << "unfinished 1\n";
        out << "recorded-end " << HighestWritten << "\n";
        if (!TimestampDigits.empty()) out << "timestamp " << TimestampDigits << "\n";
        out << "# track session start size next closed reserved\n";
        for (const auto& t : TrackList)
            out << "track " << t.Session << ' ' << t.Start << ' ' << t.Size << ' ' << t.Next << ' ' << (t.Closed ? 1 : 0)
                << ' ' << (t.Reserved ? 1 : 0) << "\n";
        if (!out) {
            error = "cannot write \"" + tmp + "\"";
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(tmp, StatePath(), ec);
    if (ec) {
        error = "cannot replace \"" + StatePath() + "\"";
        return false;
    }
    return true;
}

namespace {
// "track SESSION START SIZE NEXT CLOSED RESERVED"; false when a field is missing or out of range.
bool ParseTrackLine(std::istringstream& fields, TTrack& t) {
    uint64_t session, start, size, next, closed, reserved;
    if (!(fields >> session >> start >> size >> next >> closed >> reserved)) return false;
    if (session == 0 || session > 0xFFFF || next < start || start > 0xFFFFFFFFull || size > 0xFFFFFFFFull ||
        next > 0xFFFFFFFFull)
        return false;
    t.Session = uint16_t(session);
    t.Start = uint32_t(start);
    t.Size = uint32_t(size);
    t.Next = uint32_t(next);
    t.Closed = closed != 0;
    t.Reserved = reserved != 0;
    return true;
}
} // namespace

std::string TDisc::ApplyStateLine(const std::string& line, bool& sawProfile) {
    std::istringstream fields(line);
    std::string key;
    fields >> key;
    if (key == "profile") {
        std::string hex;
        fields >> hex;
        unsigned long v = 0;
        try {
            v = std::stoul(hex, nullptr, 16);
        } catch (...) {
            return "bad profile \"" + hex + "\"";
        }
        auto p = TProfile(uint16_t(v));
        if (MediumTraits(p).Capacity == 0) return "unknown profile " + hex;
        Medium = p;
        sawProfile = true;
        return {};
    }
    if (key == "timestamp") {
        fields >> TimestampDigits;
        return {};
    }
    if (key == "track") {
        TTrack t;
        if (!ParseTrackLine(fields, t)) return "bad track line";
        TrackList.push_back(t);
        return {};
    }
    if (key != "capacity" && key != "closed-sessions" && key != "finalized" && key != "formatted" &&
        key != "recorded-end" && key != "needs-format" && key != "unfinished")
        return "unknown key \"" + key + "\"";
    uint64_t a = 0;
    if (!(fields >> a) || a > 0xFFFFFFFFull) return "bad value for \"" + key + "\"";
    if (key == "capacity") CapacityBlocks = uint32_t(a);
    else if (key == "closed-sessions") ClosedSessions = uint16_t(a);
    else if (key == "finalized") IsFinalized = a != 0;
    else if (key == "formatted") Formatted = a != 0;
    else if (key == "needs-format") FormatRequired = a != 0;
    else if (key == "unfinished") Unfinished = a != 0;
    else HighestWritten = uint32_t(a);
    return {};
}

bool TDisc::LoadState(std::string& error) {
    std::ifstream in(StatePath());
    if (!in) {
        error = "cannot read \"" + StatePath() + "\"";
        return false;
    }
    TrackList.clear();
    std::string line;
    int lineNo = 0;
    bool sawProfile = false;
    auto bad = [&](const std::string& why) {
        error = StatePath() + ":" + std::to_string(lineNo) + ": " + why;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (line.empty() || line[0] == '#') continue;
        if (const std::string why = ApplyStateLine(line, sawProfile); !why.empty()) return bad(why);
    }
    if (!sawProfile) return bad("no profile");
    if (CapacityBlocks == 0) return bad("no capacity");
    for (const auto& t : TrackList)
        if (t.End() > CapacityBlocks) return bad("track beyond the capacity");
    if (MediumTraits(Medium).Sequential && !IsFinalized && TrackList.empty()) return bad("no open track");
    return true;
}

void TDisc::SetCss(uint32_t protectedFrom, uint8_t regionMask) {
    std::lock_guard lock(Mutex);
    CssProtected = true;
    ProtectedFrom = protectedFrom;
    Regions = regionMask;
}

} // namespace emulator

#pragma once
// One emulated disc: its medium profile, its tracks and sessions as MMC describes them, and
// its sectors. A disc with a backing file keeps every written sector at byte offset
// LBA x 2048 of that file (sparse: unwritten sectors are holes and read as zeros), so the
// file can be compared with an image by cmp, and keeps its state in "<backing>.state".
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "emulator/Profiles.h"
#include "emulator/Sense.h"
#include "platform/Files.h"

namespace emulator {

constexpr uint32_t kSectorSize = 2048;

struct TTrack {
    uint16_t Session = 1;
    uint32_t Start = 0;
    uint32_t Size = 0;   // reserved size in blocks; for a track without reservation, 0
    uint32_t Next = 0;   // next writable address inside the track
    bool Closed = false;
    bool Reserved = false;

    // First address after the track as it stands.
    uint32_t End() const { return Reserved ? Start + Size : Next; }
    bool Empty() const { return !Reserved && Next == Start; }
};

using TFailure = std::optional<TSenseCode>;

class TDisc {
public:
    // A blank (or, for pressed profiles, zero-filled) disc held in memory.
    static std::shared_ptr<TDisc> InMemory(TProfile profile, uint32_t capacity = 0);
    // A disc that keeps its layout (tracks, sessions, next writable address) but drops the
    // bytes written and reads zeros: a recorder that costs nothing, for throughput benchmarks.
    static std::shared_ptr<TDisc> Discarding(TProfile profile, uint32_t capacity = 0);
    // The disc in a backing file: its state file is read when it exists; a new or empty file
    // gives a blank disc (state file written at once). A state of another profile is an error.
    static std::shared_ptr<TDisc> OpenBacking(const std::string& path, TProfile profile, std::string& error,
                                              uint32_t capacity = 0);
    // A pressed disc whose sectors are an image file, read-only.
    static std::shared_ptr<TDisc> PressedFromImage(const std::string& path, TProfile profile, std::string& error);
    ~TDisc();

    TProfile Profile() const {
        std::lock_guard lock(Mutex);
        return Medium;
    }
    uint32_t Capacity() const { return CapacityBlocks; }
    bool Writable() const { return MediumTraits(Medium).Writable && !ReadOnly; }
    const std::string& BackingPath() const { return Backing; }
    std::string StatePath() const { return Backing.empty() ? std::string() : Backing + ".state"; }

    // READ DISC INFORMATION fields.
    uint8_t DiscStatus() const;       // 0 empty, 1 incomplete, 2 complete, 3 others
    uint8_t LastSessionState() const; // 0 empty, 1 incomplete, 3 complete
    uint16_t SessionCount() const;    // including an empty or incomplete last session
    uint16_t FirstTrackInLastSession() const;
    uint16_t LastTrackInLastSession() const;
    bool Finalized() const { return IsFinalized; }
    // Track descriptors as READ TRACK INFORMATION shows them (pressed and overwritable media
    // have one track over the whole disc).
    std::optional<TTrack> Track(uint16_t number) const;
    uint16_t TrackCount() const;
    // One past the highest sector written (READ CAPACITY's last block + 1).
    uint32_t RecordedEnd() const;
    // Whether every sector of [lba, lba + blocks) holds recorded data. Always true on pressed
    // and overwritable media; on write-once media only the tracks' written parts (a closed
    // reserved track is padded to its end).
    bool Recorded(uint32_t lba, uint32_t blocks) const;
    // The next writable address of the open track; nullopt when nothing can be appended.
    std::optional<uint32_t> NextWritable() const;
    std::string Timestamp() const;

    // Whether a write of blocks at lba is allowed here, without writing.
    TFailure CheckWrite(uint32_t lba, uint32_t blocks) const;
    TFailure Write(uint32_t lba, uint32_t blocks, const uint8_t* data);
    TFailure Read(uint32_t lba, uint32_t blocks, uint8_t* out) const;
    TFailure Reserve(uint32_t blocks);
    // number: 1-based; 00FFh means the incomplete track.
    TFailure CloseTrack(uint16_t number);
    // appendable: another session may follow (multi-session); otherwise the disc is closed.
    TFailure CloseSession(bool appendable);
    TFailure Finalize();
    TFailure Erase();
    // An erase or format the drive has begun: the old contents are gone at once, but the disc
    // is usable only once FinishOperation marks it done. A drive that never gets that far
    // (it vanished) leaves a disc that must be erased again.
    TFailure BeginErase();
    // Formats a DVD+RW, a DVD-RW (to restricted overwrite) or a DVD-RAM.
    TFailure BeginFormat();
    void FinishOperation();
    bool OperationUnfinished() const;
    // A DVD+RW or restricted-overwrite DVD-RW the drive will not write before FORMAT UNIT.
    void SetNeedsFormat(bool v);
    bool NeedsFormat() const;
    void SetTimestamp(const std::string& digits);
    // A pressed DVD-Video with CSS: its sectors from protectedFrom on are scrambled, readable
    // only after an authentication; regionMask as the disc's copyright information gives it
    // (a set bit: not playable in that region, bit 0 = region 1).
    void SetCss(uint32_t protectedFrom, uint8_t regionMask);
    bool Css() const { return CssProtected; }
    uint32_t CssProtectedFrom() const { return ProtectedFrom; }
    uint8_t RegionMask() const { return Regions; }

    // Writes the state file (nothing for a disc in memory). Also done by every state change
    // except WRITE, which only marks the state dirty for the next Flush.
    bool Flush(std::string& error);

private:
    explicit TDisc(TProfile profile, uint32_t capacity);
    void ResetBlank();
    void OpenInvisibleTrack(uint32_t start);
    uint16_t CurrentSession() const;
    bool SessionHasData(uint16_t session) const;
    int OpenTrackIndexFor(uint32_t lba) const;
    bool SaveState(std::string& error) const;
    bool LoadState(std::string& error);
    // One line of the state file applied; the reason when it is bad, else empty.
    std::string ApplyStateLine(const std::string& line, bool& sawProfile);
    bool StoreSectors(uint32_t lba, uint32_t blocks, const uint8_t* data);
    void Changed();

    mutable std::recursive_mutex Mutex;
    TProfile Medium;
    uint32_t CapacityBlocks;
    std::vector<TTrack> TrackList; // sequential media: the open (invisible) track last
    uint16_t ClosedSessions = 0;
    bool IsFinalized = false;
    bool Formatted = false;        // DVD+RW: written at least once
    bool FormatRequired = false;   // refuses writes until FORMAT UNIT
    bool Unfinished = false;       // an erase or format begun and not (yet) done
    uint32_t HighestWritten = 0;   // one past the highest written sector
    std::string TimestampDigits;
    bool CssProtected = false;
    uint32_t ProtectedFrom = 0;
    uint8_t Regions = 0;
    bool ReadOnly = false;
    bool Dirty = false;
    bool DropData = false;

    std::string Backing;
    mutable std::fstream File;
    // Held while the disc file is in a drive: a second drive, in this process or another, is
    // refused the file instead of writing over the first one's disc.
    platform::TFileHandle Hold = platform::kInvalidFileHandle;
    std::map<uint32_t, std::vector<uint8_t>> MemorySectors;
};

} // namespace emulator

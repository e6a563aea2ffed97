#pragma once
// Files and folders as the engine needs them: 64-bit file handles in the open modes of the
// stream layer, and a find-first / find-next folder listing with Windows semantics
// (8.3 alternate names, attributes, DOS date-times, wildcard masks).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

#ifdef _WIN32
constexpr char PathDelim = '\\';
#else
constexpr char PathDelim = '/';
#endif

// The delimiter inside path: '\\' in a drive-letter path on every system (the platform maps the
// drive to a folder), the system's own in any other.
inline char DelimiterOf(const std::string& path) { return path.size() >= 2 && path[1] == ':' ? '\\' : PathDelim; }

// Windows file attributes (the listing reports them on every platform).
enum : uint32_t {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faAnyFile = 0x3F,
};

using TFileHandle = std::intptr_t;
constexpr TFileHandle kInvalidFileHandle = -1;

// Opens an existing file. Mode bits 0-1: 0 read, 1 write, 2 read and write; bits 4-7: sharing
// (0/1 none, 2 deny write = others may read, 3 deny read = others may write, 4 deny none).
// Returns kInvalidFileHandle on failure (LastErrorText() says why).
TFileHandle FileOpen(const std::string& path, uint16_t mode);
// Creates a file, replacing an existing one, with read and write access and no sharing.
TFileHandle FileCreate(const std::string& path);
// Both return the count moved, or -1 when the platform call failed.
int32_t FileRead(TFileHandle h, void* buffer, int32_t count);
int32_t FileWrite(TFileHandle h, const void* buffer, int32_t count);
// origin: 0 begin, 1 current, 2 end. Returns the new position, or -1 on failure.
int64_t FileSeek(TFileHandle h, int64_t offset, int origin);
bool FileSetEndOfFile(TFileHandle h);
// Tells the system the file will be read once from start to end (more read-ahead). A hint
// only: nothing fails when it is not taken.
void FileAdviseSequential(TFileHandle h);
bool FileClose(TFileHandle h);
// Text of the last failed file call on this thread (errno / GetLastError).
std::string LastErrorText();

// Creates a file that must not exist yet (read and write access, no sharing); fails when it
// does, so two writers never share one file.
TFileHandle FileCreateNew(const std::string& path);
// Renames a file, replacing a file of the new name in one step.
bool FileRename(const std::string& from, const std::string& to);
bool FileDelete(const std::string& path);
// Takes an exclusive hold on an open file until its handle is closed (or the process ends,
// however it ends): a second hold on the same file, by another handle or process, is
// refused. Advisory: reads and writes are not stopped. False when another holds it.
bool FileTryLock(TFileHandle h);

// Identity of a file: the same for every path that leads to it (links, other spellings).
struct TFileId {
    uint64_t Volume = 0;
    uint64_t Index = 0;
    bool operator==(const TFileId&) const = default;
};
// False when the file cannot be reached.
bool FileIdOf(const std::string& path, TFileId& id);
// True for a path that exists and is neither a regular file nor a folder (a device, a FIFO).
bool IsSpecialFile(const std::string& path);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// One listing result: the Windows find data the compilation needs.
struct TSearchRec {
    std::string Name;          // long name
    std::string AlternateName; // 8.3 name; empty when Name is already a valid upper-case 8.3 name
    uint32_t Attr = 0;         // fa* bits
    uint32_t Time = 0;         // last write, DOS date-time (date in the high word)
    int64_t Size = 0;
};

struct TFindState;
struct TFindHandle {
    TFindHandle();
    ~TFindHandle();
    TFindHandle(TFindHandle&&) noexcept;
    TFindHandle& operator=(TFindHandle&&) noexcept;
    std::unique_ptr<TFindState> State;
};

// pathAndMask is a folder path followed by a Windows wildcard mask ("C:\Data\*.*"; "*.*"
// matches every name, also one without a dot). attr filters as FindFirst does: entries with
// the hidden, system, volume or directory attribute are returned only when attr includes it.
// Returns 0 when an entry was found, else an error code.
int FindFirst(const std::string& pathAndMask, uint32_t attr, TSearchRec& rec, TFindHandle& h);
int FindNext(TFindHandle& h, TSearchRec& rec);
void FindClose(TFindHandle& h);

// Windows wildcard match of a name against a mask (case-insensitive, '*' and '?').
bool MatchesMask(const std::string& name, const std::string& mask);

// Receives one line for every entry a listing on the calling thread leaves out although it
// is there (a link to a folder, a special file, an entry or folder that cannot be read).
// An empty function removes the hook. Returns the previous hook.
using TListingWarningHook = std::function<void(const std::string&)>;
TListingWarningHook SetListingWarningHook(TListingWarningHook hook);

} // namespace platform

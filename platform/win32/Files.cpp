// Files and folder listings with the Win32 API. Paths go through ResolvePath first, so a
// letter that tests or a virtual DVD-ROM drive registered reads from its folder.
#include "platform/Files.h"

#include "platform/Drives.h"
#include "platform/win32/Win32.h"

namespace platform {

using win32::Widen;

namespace {

// The failed call's code, kept per thread because later successful calls may overwrite
// GetLastError before the caller asks for the text.
thread_local DWORD LastFileError = 0;

template <typename T>
T Fail(T result) {
    LastFileError = GetLastError();
    return result;
}

HANDLE ToHandle(TFileHandle h) { return reinterpret_cast<HANDLE>(h); }

// Sharing of the mode's bits 4-7; false for values the stream layer does not define.
bool ShareMode(uint16_t mode, DWORD& share) {
    switch ((mode >> 4) & 0x0F) {
    case 0: // compatibility: no sharing, as on Win32
    case 1: share = 0; return true;
    case 2: share = FILE_SHARE_READ; return true;
    case 3: share = FILE_SHARE_WRITE; return true;
    case 4: share = FILE_SHARE_READ | FILE_SHARE_WRITE; return true;
    default: return false;
    }
}

bool AccessMode(uint16_t mode, DWORD& access) {
    switch (mode & 0x03) {
    case 0: access = GENERIC_READ; return true;
    case 1: access = GENERIC_WRITE; return true;
    case 2: access = GENERIC_READ | GENERIC_WRITE; return true;
    default: return false;
    }
}

} // namespace

TFileHandle FileOpen(const std::string& path, uint16_t mode) {
    DWORD access = 0, share = 0;
    if (!AccessMode(mode, access) || !ShareMode(mode, share)) {
        LastFileError = ERROR_INVALID_PARAMETER;
        return kInvalidFileHandle;
    }
    HANDLE h = CreateFileW(win32::FilePath(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(kInvalidFileHandle);
    return reinterpret_cast<TFileHandle>(h);
}

TFileHandle FileCreate(const std::string& path) {
    HANDLE h = CreateFileW(win32::FilePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(kInvalidFileHandle);
    return reinterpret_cast<TFileHandle>(h);
}

TFileHandle FileCreateNew(const std::string& path) {
    HANDLE h = CreateFileW(win32::FilePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(kInvalidFileHandle);
    return reinterpret_cast<TFileHandle>(h);
}

bool FileRename(const std::string& from, const std::string& to) {
    return MoveFileExW(win32::FilePath(from).c_str(), win32::FilePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? true
               : Fail(false);
}

bool FileDelete(const std::string& path) { return DeleteFileW(win32::FilePath(path).c_str()) ? true : Fail(false); }

bool FileIdOf(const std::string& path, TFileId& id) {
    // Opened for no access at all: an image being written (no sharing) can still be asked.
    HANDLE h = CreateFileW(win32::FilePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(false);
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info);
    if (!ok) Fail(false);
    CloseHandle(h);
    if (!ok) return false;
    id.Volume = info.dwVolumeSerialNumber;
    id.Index = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

// Devices have no attributes to read through a plain path on Windows: only files and folders.
bool IsSpecialFile(const std::string&) { return false; }

int32_t FileRead(TFileHandle h, void* buffer, int32_t count) {
    if (count < 0) {
        LastFileError = ERROR_INVALID_PARAMETER;
        return -1;
    }
    DWORD done = 0;
    if (!ReadFile(ToHandle(h), buffer, DWORD(count), &done, nullptr)) return Fail(int32_t(-1));
    return int32_t(done);
}

int32_t FileWrite(TFileHandle h, const void* buffer, int32_t count) {
    if (count < 0) {
        LastFileError = ERROR_INVALID_PARAMETER;
        return -1;
    }
    DWORD done = 0;
    if (!WriteFile(ToHandle(h), buffer, DWORD(count), &done, nullptr)) return Fail(int32_t(-1));
    return int32_t(done);
}

int64_t FileSeek(TFileHandle h, int64_t offset, int origin) {
    static constexpr DWORD kMethods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    if (origin < 0 || origin > 2) {
        LastFileError = ERROR_INVALID_PARAMETER;
        return -1;
    }
    LARGE_INTEGER distance, position;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(ToHandle(h), distance, &position, kMethods[origin])) return Fail(int64_t(-1));
    return position.QuadPart;
}

bool FileTryLock(TFileHandle h) {
    // One byte far past any data: the hold never stops this handle's own reads and writes.
    OVERLAPPED at{};
    at.Offset = 0xFFFFFFFEu;
    at.OffsetHigh = 0x7FFFFFFFu;
    return LockFileEx(ToHandle(h), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) ? true
                                                                                                   : Fail(false);
}

bool FileSetEndOfFile(TFileHandle h) { return SetEndOfFile(ToHandle(h)) ? true : Fail(false); }

// The cache manager detects sequential reads by itself; a handle would have to be opened with
// FILE_FLAG_SEQUENTIAL_SCAN to say so, which the sharing-mode open does not offer.
void FileAdviseSequential(TFileHandle) {}

bool FileClose(TFileHandle h) {
    if (h == kInvalidFileHandle) return false;
    return CloseHandle(ToHandle(h)) ? true : Fail(false);
}

std::string LastErrorText() { return win32::ErrorText(LastFileError); }

bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesW(win32::FilePath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    DWORD a = GetFileAttributesW(win32::FilePath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// ---- Folder listing -------------------------------------------------------------------------

namespace {

thread_local TListingWarningHook WarningHook;

void Warn(const std::string& text) {
    if (WarningHook) WarningHook(text);
}

std::string FolderOf(const std::string& pathAndMask) {
    size_t cut = pathAndMask.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : pathAndMask.substr(0, cut + 1);
}

} // namespace

TListingWarningHook SetListingWarningHook(TListingWarningHook hook) {
    TListingWarningHook old = std::move(WarningHook);
    WarningHook = std::move(hook);
    return old;
}

struct TFindState {
    HANDLE Handle = INVALID_HANDLE_VALUE;
    std::string Folder; // for warnings
    // Entries with any of these attributes are passed over (those the caller did not ask for).
    DWORD ExcludeAttr = 0;
};

TFindHandle::TFindHandle() = default;
TFindHandle::~TFindHandle() { FindClose(*this); }
TFindHandle::TFindHandle(TFindHandle&&) noexcept = default;
TFindHandle& TFindHandle::operator=(TFindHandle&& other) noexcept {
    if (this != &other) {
        FindClose(*this);
        State = std::move(other.State);
    }
    return *this;
}

namespace {

void FillSearchRec(const WIN32_FIND_DATAW& data, TSearchRec& rec) {
    rec.Name = win32::Narrow(data.cFileName);
    rec.AlternateName = win32::Narrow(data.cAlternateFileName);
    rec.Attr = data.dwFileAttributes & faAnyFile;
    rec.Size = int64_t((uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    // Local time, as the DOS date-time of a listing always is. Dates a DOS date-time cannot
    // hold (before 1980, after 2107) give 0, which the compilation takes as "no date".
    FILETIME local;
    WORD date = 0, time = 0;
    if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) && FileTimeToDosDateTime(&local, &date, &time))
        rec.Time = (uint32_t(date) << 16) | time;
    else
        rec.Time = 0;
}

// A folder that is a junction or a symbolic link may lead back up the tree (or to another
// volume); like a link to a folder elsewhere, it is listed as absent.
bool IsLinkToFolder(const WIN32_FIND_DATAW& data) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool Skipped(const TFindState& state, const WIN32_FIND_DATAW& data) {
    if (data.dwFileAttributes & state.ExcludeAttr) return true;
    if (IsLinkToFolder(data)) {
        Warn("LINK TO A FOLDER NOT FOLLOWED: \"" + state.Folder + win32::Narrow(data.cFileName) + "\"");
        return true;
    }
    return false;
}

// Reads entries until one passes the attribute filter; false at the end of the listing.
bool NextMatching(TFindState& state, WIN32_FIND_DATAW& data, bool haveFirst) {
    if (!haveFirst && !FindNextFileW(state.Handle, &data)) return false;
    while (Skipped(state, data))
        if (!FindNextFileW(state.Handle, &data)) return false;
    return true;
}

} // namespace

int FindFirst(const std::string& pathAndMask, uint32_t attr, TSearchRec& rec, TFindHandle& h) {
    FindClose(h);
    auto state = std::make_unique<TFindState>();
    state->ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
    const std::string resolved = ResolvePath(pathAndMask);
    state->Folder = FolderOf(resolved);
    WIN32_FIND_DATAW data;
    state->Handle = FindFirstFileW(win32::ExtendedPath(Widen(resolved)).c_str(), &data);
    if (state->Handle == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        // No match and no such folder are ordinary answers; anything else means the folder is
        // there but could not be read.
        if (e != ERROR_FILE_NOT_FOUND && e != ERROR_PATH_NOT_FOUND && e != ERROR_NO_MORE_FILES)
            Warn("CANNOT READ FOLDER \"" + state->Folder + "\": " + win32::ErrorText(e));
        return e ? int(e) : int(ERROR_FILE_NOT_FOUND);
    }
    if (!NextMatching(*state, data, true)) {
        DWORD e = GetLastError();
        ::FindClose(state->Handle);
        return e ? int(e) : int(ERROR_NO_MORE_FILES);
    }
    FillSearchRec(data, rec);
    h.State = std::move(state);
    return 0;
}

int FindNext(TFindHandle& h, TSearchRec& rec) {
    if (!h.State || h.State->Handle == INVALID_HANDLE_VALUE) return int(ERROR_INVALID_HANDLE);
    WIN32_FIND_DATAW data;
    if (!NextMatching(*h.State, data, false)) {
        DWORD e = GetLastError();
        return e ? int(e) : int(ERROR_NO_MORE_FILES);
    }
    FillSearchRec(data, rec);
    return 0;
}

void FindClose(TFindHandle& h) {
    if (h.State && h.State->Handle != INVALID_HANDLE_VALUE) ::FindClose(h.State->Handle);
    h.State.reset();
}

} // namespace platform

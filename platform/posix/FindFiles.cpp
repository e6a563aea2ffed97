// Folder listings on Linux with the semantics of FindFirstFile / FindNextFile: the folder is
// read once, sorted by the bytes of the names (so the same tree always lists the same way),
// and every entry carries an 8.3 alternate name, Windows attributes and a DOS date-time.
// Links to folders are not followed (a loop or a second copy of a tree), special files are
// not listed (reading a FIFO would never end); both are reported through the warning hook.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/Time.h"
#include "platform/posix/ShortNames.h"

namespace platform {

constexpr int kErrorNoMoreFiles = 18; // Windows' ERROR_NO_MORE_FILES

struct TFindState {
    std::vector<TSearchRec> Entries;
    size_t Next = 0;
};

TFindHandle::TFindHandle() = default;
TFindHandle::~TFindHandle() = default;
TFindHandle::TFindHandle(TFindHandle&&) noexcept = default;
TFindHandle& TFindHandle::operator=(TFindHandle&&) noexcept = default;

namespace {

thread_local TListingWarningHook WarningHook;

void Warn(const std::string& text) {
    if (WarningHook) WarningHook(text);
}

uint32_t DosTime(time_t t) {
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return 0;
    return DateTimeToDosDateTime(
        EncodeDateTime({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0}));
}

TSearchRec FromStat(const std::string& name, const struct stat& st) {
    TSearchRec r;
    r.Name = name;
    const bool dir = S_ISDIR(st.st_mode);
    r.Attr = dir ? faDirectory : faArchive;
    if (name.size() > 0 && name[0] == '.' && name != "." && name != "..") r.Attr |= faHidden;
    if (!(st.st_mode & S_IWUSR)) r.Attr |= faReadOnly;
    r.Time = DosTime(st.st_mtime);
    r.Size = dir ? 0 : int64_t(st.st_size);
    return r;
}

std::string Joined(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// Whether a folder's entry is listed: a file or a folder, a link to a file read as that file.
// Anything else is named in a warning and left out.
bool Listable(int fd, const std::string& folder, const std::string& name, struct stat& st) {
    if (fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        Warn("CANNOT READ \"" + Joined(folder, name) + "\": " + std::strerror(errno));
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        if (fstatat(fd, name.c_str(), &st, 0) != 0) {
            Warn("CANNOT READ \"" + Joined(folder, name) + "\": " + std::strerror(errno));
            return false;
        }
        if (S_ISDIR(st.st_mode)) {
            Warn("LINK TO A FOLDER NOT FOLLOWED: \"" + Joined(folder, name) + "\"");
            return false;
        }
    }
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) {
        Warn("NOT A REGULAR FILE: \"" + Joined(folder, name) + "\"");
        return false;
    }
    return true;
}

// Reads a whole folder; false with errno set when it cannot be opened.
bool ReadFolder(const std::string& folder, std::vector<TSearchRec>& out) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    DIR* d = fdopendir(fd);
    if (!d) {
        int e = errno;
        ::close(fd);
        errno = e;
        return false;
    }
    std::vector<TSearchRec> entries;
    struct stat self {};
    bool haveSelf = fstat(fd, &self) == 0;
    errno = 0;
    while (dirent* de = readdir(d)) {
        std::string name = de->d_name;
        if (name == "." || name == "..") continue; // listed once, below, in Windows' place
        struct stat st {};
        if (Listable(fd, folder, name, st)) entries.push_back(FromStat(name, st));
    }
    closedir(d);
    std::sort(entries.begin(), entries.end(), [](const TSearchRec& a, const TSearchRec& b) { return a.Name < b.Name; });

    std::vector<std::string> names;
    names.reserve(entries.size());
    for (const auto& e : entries) names.push_back(e.Name);
    auto shortNames = MakeShortNames(names);
    for (size_t i = 0; i < entries.size(); ++i) entries[i].AlternateName = std::move(shortNames[i]);

    // Windows lists "." and ".." first in every folder but a drive's root.
    TSearchRec dot;
    if (haveSelf) dot = FromStat(".", self);
    dot.Name = ".";
    dot.Attr = faDirectory;
    TSearchRec dotdot = dot;
    dotdot.Name = "..";
    out.clear();
    out.reserve(entries.size() + 2);
    out.push_back(dot);
    out.push_back(dotdot);
    for (auto& e : entries) out.push_back(std::move(e));
    return true;
}

bool Included(const TSearchRec& r, uint32_t attr, const std::string& mask) {
    constexpr uint32_t kSpecial = faHidden | faSysFile | faVolumeID | faDirectory;
    if (r.Attr & ~attr & kSpecial) return false;
    return MatchesMask(r.Name, mask);
}

} // namespace

TListingWarningHook SetListingWarningHook(TListingWarningHook hook) {
    TListingWarningHook old = std::move(WarningHook);
    WarningHook = std::move(hook);
    return old;
}

int FindFirst(const std::string& pathAndMask, uint32_t attr, TSearchRec& rec, TFindHandle& h) {
    std::string resolved = ResolvePath(pathAndMask);
    std::string folder, mask;
    size_t cut = resolved.find_last_of('/');
    if (cut == std::string::npos) {
        folder = ".";
        mask = resolved;
    } else {
        folder = resolved.substr(0, cut + 1);
        mask = resolved.substr(cut + 1);
    }
    if (mask.empty()) mask = "*";

    std::vector<TSearchRec> all;
    if (!ReadFolder(folder, all)) {
        int e = errno ? errno : ENOENT;
        Warn("CANNOT READ FOLDER \"" + folder + "\": " + std::strerror(e));
        h.State.reset();
        return e;
    }
    auto state = std::make_unique<TFindState>();
    for (auto& r : all)
        if (Included(r, attr, mask)) state->Entries.push_back(std::move(r));
    h.State = std::move(state);
    return FindNext(h, rec);
}

int FindNext(TFindHandle& h, TSearchRec& rec) {
    if (!h.State || h.State->Next >= h.State->Entries.size()) return kErrorNoMoreFiles;
    rec = h.State->Entries[h.State->Next++];
    return 0;
}

void FindClose(TFindHandle& h) { h.State.reset(); }

} // namespace platform

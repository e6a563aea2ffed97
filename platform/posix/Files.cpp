// File handles on Linux: descriptors with 64-bit offsets. Sharing modes have no meaning here
// and are ignored; drive-letter paths are resolved through the drive table first.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Drives.h"
#include "platform/FileFaults.h"
#include "platform/Files.h"

namespace platform {

namespace {
thread_local int LastError = 0;

int Fail() {
    LastError = errno;
    return -1;
}

// The injected failure of a call on an open descriptor (tests only): its path and position.
int InjectedFault(TFileCall call, TFileHandle h) {
    if (!FileFaultHookSet()) return 0;
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", int(h));
    char target[4096];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    const std::string path = n > 0 ? std::string(target, size_t(n)) : std::string();
    return FileFault(call, path, int64_t(::lseek(int(h), 0, SEEK_CUR)));
}
} // namespace

TFileHandle FileOpen(const std::string& path, uint16_t mode) {
    int flags = O_CLOEXEC;
    switch (mode & 3) {
    case 1: flags |= O_WRONLY; break;
    case 2: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    if (int e = FileFault(TFileCall::Open, path, 0)) {
        errno = e;
        Fail();
        return kInvalidFileHandle;
    }
    int fd;
    do {
        fd = ::open(ResolvePath(path).c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        Fail();
        return kInvalidFileHandle;
    }
    return fd;
}

TFileHandle FileCreate(const std::string& path) {
    if (int e = FileFault(TFileCall::Create, path, 0)) {
        errno = e;
        Fail();
        return kInvalidFileHandle;
    }
    int fd;
    do {
        fd = ::open(ResolvePath(path).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        Fail();
        return kInvalidFileHandle;
    }
    return fd;
}

TFileHandle FileCreateNew(const std::string& path) {
    int fd;
    do {
        fd = ::open(ResolvePath(path).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        Fail();
        return kInvalidFileHandle;
    }
    return fd;
}

bool FileRename(const std::string& from, const std::string& to) {
    if (::rename(ResolvePath(from).c_str(), ResolvePath(to).c_str()) < 0) return Fail(), false;
    return true;
}

bool FileDelete(const std::string& path) {
    if (::unlink(ResolvePath(path).c_str()) < 0) return Fail(), false;
    return true;
}

bool FileIdOf(const std::string& path, TFileId& id) {
    struct stat st {};
    if (::stat(ResolvePath(path).c_str(), &st) != 0) return Fail(), false;
    id.Volume = uint64_t(st.st_dev);
    id.Index = uint64_t(st.st_ino);
    return true;
}

bool IsSpecialFile(const std::string& path) {
    struct stat st {};
    return ::stat(ResolvePath(path).c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

int32_t FileRead(TFileHandle h, void* buffer, int32_t count) {
    if (count < 0) {
        errno = EINVAL;
        return Fail();
    }
    if (int e = InjectedFault(TFileCall::Read, h)) {
        errno = e;
        return Fail();
    }
    auto* p = static_cast<char*>(buffer);
    int32_t done = 0;
    while (done < count) {
        ssize_t n = ::read(int(h), p + done, size_t(count - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail();
            return done > 0 ? done : -1;
        }
        if (n == 0) break; // end of file
        done += int32_t(n);
    }
    return done;
}

int32_t FileWrite(TFileHandle h, const void* buffer, int32_t count) {
    if (count < 0) {
        errno = EINVAL;
        return Fail();
    }
    if (int e = InjectedFault(TFileCall::Write, h)) {
        errno = e;
        return Fail();
    }
    const auto* p = static_cast<const char*>(buffer);
    int32_t done = 0;
    while (done < count) {
        ssize_t n = ::write(int(h), p + done, size_t(count - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail();
            return done > 0 ? done : -1; // the short count tells the caller the write failed
        }
        if (n == 0) {
            errno = ENOSPC;
            Fail();
            return done > 0 ? done : -1;
        }
        done += int32_t(n);
    }
    return done;
}

int64_t FileSeek(TFileHandle h, int64_t offset, int origin) {
    int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
    off_t r = ::lseek(int(h), off_t(offset), whence);
    if (r < 0) return Fail();
    return int64_t(r);
}

bool FileTryLock(TFileHandle h) {
    // flock holds per open file: two opens in one process exclude each other as well.
    int r;
    do {
        r = ::flock(int(h), LOCK_EX | LOCK_NB);
    } while (r < 0 && errno == EINTR);
    return r == 0 ? true : (Fail(), false);
}

bool FileSetEndOfFile(TFileHandle h) {
    off_t pos = ::lseek(int(h), 0, SEEK_CUR);
    if (pos < 0) return Fail(), false;
    int r;
    do {
        r = ::ftruncate(int(h), pos);
    } while (r < 0 && errno == EINTR);
    if (r < 0) return Fail(), false;
    return true;
}

void FileAdviseSequential(TFileHandle h) {
    // Doubles the read-ahead window of the descriptor.
    if (h != kInvalidFileHandle) (void)::posix_fadvise(int(h), 0, 0, POSIX_FADV_SEQUENTIAL);
}

bool FileClose(TFileHandle h) {
    if (h == kInvalidFileHandle) return false;
    // close is not retried on EINTR: on Linux the descriptor is already gone.
    if (::close(int(h)) < 0) return Fail(), false;
    return true;
}

std::string LastErrorText() { return std::strerror(LastError); }

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(ResolvePath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return ::stat(ResolvePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace platform

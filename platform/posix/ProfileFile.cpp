// The settings file's text. A regular file is read fresh on every call (it is read-only) and
// only its first kMaxProfileBytes; a pipe or FIFO (`--settings <(...)`) is read once, bounded
// in size and time, and its text kept for the later readers; anything else (a device such as
// /dev/zero, a socket) is not read at all.
#include "platform/Profile.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

struct TPipeText {
    bool Read = false;
    std::string Text;
    std::string Problem;
};

std::mutex PipeMutex;
// By device and inode: the same pipe under another name (/dev/fd/N, /proc/self/fd/N) is one.
std::map<std::pair<dev_t, ino_t>, TPipeText> PipeTexts;

TPipeText ReadPipe(const std::string& path) {
    TPipeText out;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        out.Problem = std::string("cannot be opened: ") + std::strerror(errno);
        return out;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kProfilePipeWaitMs);
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            out.Problem = "gave no end of its text within " + std::to_string(kProfilePipeWaitMs / 1000) + " seconds";
            break;
        }
        // A FIFO nobody has opened for writing yet is not readable (and not at its end) until a
        // writer comes, so the wait covers that too.
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left));
        if (ready < 0 && errno != EINTR) {
            out.Problem = std::string("cannot be read: ") + std::strerror(errno);
            break;
        }
        if (ready <= 0) continue;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) {
            out.Read = true;
            break;
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            out.Problem = std::string("cannot be read: ") + std::strerror(errno);
            break;
        }
        if (out.Text.size() + size_t(n) > kMaxProfileBytes) {
            out.Problem = "holds more than " + std::to_string(kMaxProfileBytes) + " bytes";
            break;
        }
        out.Text.append(buffer, size_t(n));
    }
    ::close(fd);
    if (!out.Read) out.Text.clear();
    return out;
}

// The text of the pipe at path, read on first use.
const TPipeText& PipeText(const std::string& path, const struct stat& st) {
    std::lock_guard<std::mutex> lock(PipeMutex);
    auto [it, fresh] = PipeTexts.try_emplace({st.st_dev, st.st_ino});
    if (fresh) it->second = ReadPipe(path);
    return it->second;
}

} // namespace

std::optional<std::string> ReadProfileString(const std::string& fileName, const std::string& section,
                                             const std::string& key) {
    const std::string path = ProfilePath(fileName);
    if (path.empty()) return std::nullopt;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    if (S_ISFIFO(st.st_mode)) {
        const TPipeText& pipe = PipeText(path, st);
        return pipe.Read ? ParseProfileString(pipe.Text, section, key) : std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) return std::nullopt;
    std::ifstream f(path, std::ios::binary);
    if (!f) return std::nullopt;
    std::string text(kMaxProfileBytes, '\0');
    f.read(text.data(), std::streamsize(text.size()));
    text.resize(size_t(f.gcount()));
    return ParseProfileString(text, section, key);
}

std::string ProfileFileProblem(const std::string& fileName) {
    struct stat st {};
    const std::string path = ProfilePath(fileName);
    if (path.empty()) {
        const bool folder = fileName.find('/') != std::string::npos && ::stat(fileName.c_str(), &st) == 0 &&
                            S_ISDIR(st.st_mode);
        return folder ? "is a folder" : "not found";
    }
    if (::stat(path.c_str(), &st) != 0) return std::string("cannot be read: ") + std::strerror(errno);
    if (S_ISFIFO(st.st_mode)) return PipeText(path, st).Problem;
    if (!S_ISREG(st.st_mode)) return "is neither a file nor a pipe";
    if (::access(path.c_str(), R_OK) != 0) return std::string("cannot be read: ") + std::strerror(errno);
    return {};
}

} // namespace platform

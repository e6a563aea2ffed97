// The drive table on Linux: registered folder roots, virtual drives at their own letters, and
// the real optical drives (/dev/srN) at the free letters from D on, in device order.
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/Drives.h"
#include "platform/virtual/VirtualBus.h"

namespace platform {

namespace {

struct TRegisteredRoots {
    std::mutex Mutex;
    std::array<std::string, 26> Folders;
};
TRegisteredRoots& Roots() {
    static TRegisteredRoots r;
    return r;
}

int Index(char letter) {
    int c = std::toupper(static_cast<unsigned char>(letter));
    return (c >= 'A' && c <= 'Z') ? c - 'A' : -1;
}

std::string RegisteredRoot(int i) {
    std::lock_guard lock(Roots().Mutex);
    return Roots().Folders[size_t(i)];
}

bool LetterTaken(int i) {
    char letter = char('A' + i);
    return !RegisteredRoot(i).empty() || VirtualDrive(letter) != nullptr || !VirtualDriveRoot(letter).empty();
}

// The sr devices in numeric order (sr2 before sr10).
std::vector<std::string> OpticalDevices() {
    std::vector<std::pair<long, std::string>> found;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/sys/block", ec)) {
        std::string name = e.path().filename().string();
        if (name.size() < 3 || name.compare(0, 2, "sr") != 0) continue;
        char* end = nullptr;
        long n = std::strtol(name.c_str() + 2, &end, 10);
        if (!end || *end != '\0') continue;
        found.emplace_back(n, "/dev/" + name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> out;
    for (auto& f : found) out.push_back(f.second);
    return out;
}

// Letter index -> device path of the real drives, computed afresh (drives come and go).
std::array<std::string, 26> RealDriveTable() {
    std::array<std::string, 26> table;
    auto devices = OpticalDevices();
    size_t next = 0;
    for (int i = 'D' - 'A'; i < 26 && next < devices.size(); ++i) {
        if (LetterTaken(i)) continue;
        table[size_t(i)] = devices[next++];
    }
    return table;
}

// /proc/self/mounts escapes blanks and backslashes as \ooo.
std::string UnescapeMountField(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            const char a = s[i + 1], b = s[i + 2], c = s[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out.push_back(char((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

std::string CanonicalDevice(const std::string& path) {
    char buf[PATH_MAX];
    if (realpath(path.c_str(), buf)) return buf;
    return path;
}

std::string MountPointOf(const std::string& device) {
    std::ifstream mounts("/proc/self/mounts");
    std::string line;
    const std::string want = CanonicalDevice(device);
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string dev, dir;
        if (!(fields >> dev >> dir)) continue;
        dev = UnescapeMountField(dev);
        if (dev.empty() || dev[0] != '/') continue;
        if (dev == device || CanonicalDevice(dev) == want) return UnescapeMountField(dir);
    }
    return {};
}

// Every file opened through a drive letter resolves its path here, so the table of real
// drives and their mount points is kept for a moment instead of being read again for each
// file; a second later it is read afresh (discs are inserted and drives come and go), and a
// change of the registered or virtual letters rebuilds it at once.
struct TRealDrives {
    std::array<std::string, 26> Devices;
    std::array<std::string, 26> MountPoints;
};

std::array<bool, 26> TakenLetters() {
    std::array<bool, 26> taken{};
    for (int i = 0; i < 26; ++i) taken[size_t(i)] = LetterTaken(i);
    return taken;
}

TRealDrives CachedRealDrives() {
    static std::mutex mutex;
    static TRealDrives cached;
    static std::array<bool, 26> cachedTaken{};
    static std::chrono::steady_clock::time_point readAt{};
    static bool valid = false;
    const auto now = std::chrono::steady_clock::now();
    const auto taken = TakenLetters();
    std::lock_guard lock(mutex);
    if (!valid || taken != cachedTaken || now - readAt > std::chrono::seconds(1)) {
        TRealDrives fresh;
        fresh.Devices = RealDriveTable();
        for (size_t i = 0; i < 26; ++i)
            if (!fresh.Devices[i].empty()) fresh.MountPoints[i] = MountPointOf(fresh.Devices[i]);
        cached = std::move(fresh);
        cachedTaken = taken;
        readAt = now;
        valid = true;
    }
    return cached;
}

} // namespace

void RegisterDriveRoot(char letter, const std::string& folder) {
    int i = Index(letter);
    if (i < 0) return;
    std::lock_guard lock(Roots().Mutex);
    Roots().Folders[size_t(i)] = folder;
}

void UnregisterDriveRoot(char letter) {
    int i = Index(letter);
    if (i < 0) return;
    std::lock_guard lock(Roots().Mutex);
    Roots().Folders[size_t(i)].clear();
}

std::string RealDriveDevice(char letter) {
    int i = Index(letter);
    if (i < 0) return {};
    return CachedRealDrives().Devices[size_t(i)];
}

std::string DriveRootFolder(char letter) {
    int i = Index(letter);
    if (i < 0) return {};
    std::string registered = RegisteredRoot(i);
    if (!registered.empty()) return registered;
    std::string virtualRoot = VirtualDriveRoot(letter);
    if (!virtualRoot.empty()) return virtualRoot;
    std::string device = RealDriveDevice(letter);
    if (device.empty()) return {};
    return CachedRealDrives().MountPoints[size_t(i)];
}

unsigned GetDriveType(const std::string& rootPath) {
    if (rootPath.size() < 2 || rootPath[1] != ':') return DRIVE_NO_ROOT_DIR;
    int i = Index(rootPath[0]);
    if (i < 0) return DRIVE_NO_ROOT_DIR;
    char letter = char('A' + i);
    if (VirtualDrive(letter) != nullptr || !VirtualDriveRoot(letter).empty()) return DRIVE_CDROM;
    if (!RegisteredRoot(i).empty()) return DRIVE_FIXED;
    if (!RealDriveDevice(letter).empty()) return DRIVE_CDROM;
    return DRIVE_NO_ROOT_DIR;
}

std::string ResolvePath(const std::string& path) {
    if (path.size() < 2 || path[1] != ':' || Index(path[0]) < 0) return path;
    if (path.size() > 2 && path[2] != '\\' && path[2] != '/') return path; // "C:rel" is not a root path
    std::string root = DriveRootFolder(path[0]);
    if (root.empty()) return path;
    std::string rest = path.substr(2);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    if (rest.empty()) return root;
    if (root == "/") return rest;
    return root + rest;
}

} // namespace platform

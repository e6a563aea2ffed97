// The OS pass-through on Linux: SG_IO on the /dev/srN device behind a drive letter.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <scsi/scsi.h>
#include <scsi/scsi_ioctl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <mutex>
#include <set>

#include "platform/Drives.h"
#include "platform/posix/SgIo.h"

namespace platform {

namespace {

std::string GroupOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    if (const group* g = ::getgrgid(st.st_gid)) return g->gr_name;
    return std::to_string(st.st_gid);
}

std::string UserName() {
    if (const passwd* pw = ::getpwuid(::geteuid())) return pw->pw_name;
    return {};
}

// One hint per device and process: the read-only retry of the same open must not repeat it.
void HintPermission(const std::string& path) {
    static std::mutex mutex;
    static std::set<std::string> hinted;
    {
        std::lock_guard lock(mutex);
        if (!hinted.insert(path).second) return;
    }
    PassThroughMessage(sgio::PermissionHint(path, GroupOf(path), UserName()));
}

std::optional<SCSI_ADDRESS> AddressFromSysfs(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISBLK(st.st_mode)) return std::nullopt;
    const std::string link = "/sys/dev/block/" + std::to_string(major(st.st_rdev)) + ":" +
                             std::to_string(minor(st.st_rdev)) + "/device";
    char target[PATH_MAX];
    ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) return std::nullopt;
    std::string path(target, size_t(n));
    return sgio::ParseAddressName(path.substr(path.find_last_of('/') + 1));
}

} // namespace

namespace os {

TDriveHandle OpenDrive(char letter, bool readWrite) {
    const std::string path = RealDriveDevice(letter);
    if (path.empty()) return kInvalidDriveHandle;
    // Non-blocking: an sr device without a disc must still open for its commands.
    int fd = ::open(path.c_str(), (readWrite ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM) HintPermission(path);
        return kInvalidDriveHandle;
    }
    return fd;
}

bool CloseDrive(TDriveHandle h) { return h >= 0 && ::close(int(h)) == 0; }

bool PassThroughDirect(TDriveHandle h, SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request) {
    if (h < 0) return false;
    sg_io_hdr_t hdr;
    if (!sgio::BuildHeader(request, hdr)) return false;
    int rc;
    do {
        rc = ::ioctl(int(h), SG_IO, &hdr);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) return false;
    return sgio::ApplyReply(hdr, request);
}

bool GetScsiAddress(TDriveHandle h, SCSI_ADDRESS& address) {
    if (h < 0) return false;
    const int fd = int(h);
    if (auto a = AddressFromSysfs(fd)) {
        address = *a;
        return true;
    }
    struct sg_scsi_id id {};
    if (::ioctl(fd, SG_GET_SCSI_ID, &id) == 0) {
        address = SCSI_ADDRESS{sizeof(SCSI_ADDRESS), uint8_t(id.host_no), uint8_t(id.channel),
                               uint8_t(id.scsi_id), uint8_t(id.lun)};
        return true;
    }
    uint32_t idLun[2] = {0, 0};
    int hostNumber = 0;
    if (::ioctl(fd, SCSI_IOCTL_GET_IDLUN, idLun) == 0 && ::ioctl(fd, SCSI_IOCTL_GET_BUS_NUMBER, &hostNumber) == 0) {
        address = sgio::AddressFromIdLun(idLun[0], uint32_t(hostNumber));
        return true;
    }
    return false;
}

} // namespace os

} // namespace platform

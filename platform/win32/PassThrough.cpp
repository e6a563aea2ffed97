// SCSI pass-through with DeviceIoControl on the drive-letter device "\\.\X:".
#include "platform/PassThrough.h"

#include <cctype>
#include <cstddef>

#include "platform/win32/Win32.h"

namespace platform::os {

TDriveHandle OpenDrive(char letter, bool readWrite) {
    int c = std::toupper(static_cast<unsigned char>(letter));
    if (c < 'A' || c > 'Z') return kInvalidDriveHandle;
    wchar_t path[] = L"\\\\.\\A:";
    path[4] = wchar_t(c);
    HANDLE h = readWrite ? CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                         : CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    return h == INVALID_HANDLE_VALUE ? kInvalidDriveHandle : reinterpret_cast<TDriveHandle>(h);
}

bool CloseDrive(TDriveHandle h) {
    if (h == kInvalidDriveHandle) return false;
    return CloseHandle(reinterpret_cast<HANDLE>(h)) != 0;
}

bool PassThroughDirect(TDriveHandle h, SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request) {
    if (h == kInvalidDriveHandle) return false;
    // The driver checks Length against its own structure and writes the sense where
    // SenseInfoOffset points; both follow this build's layout (they differ on 64-bit Windows,
    // where the data pointer widens), whatever a caller copied from the 32-bit layout.
    request.spt.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    request.spt.SenseInfoOffset = offsetof(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf);
    if (request.spt.SenseInfoLength > sizeof request.ucSenseBuf) request.spt.SenseInfoLength = sizeof request.ucSenseBuf;
    DWORD returned = 0;
    return DeviceIoControl(reinterpret_cast<HANDLE>(h), IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request,
                           &request, sizeof request, &returned, nullptr) != 0;
}

bool GetScsiAddress(TDriveHandle h, SCSI_ADDRESS& address) {
    if (h == kInvalidDriveHandle) return false;
    address = SCSI_ADDRESS{};
    address.Length = sizeof(SCSI_ADDRESS);
    DWORD returned = 0;
    if (!DeviceIoControl(reinterpret_cast<HANDLE>(h), IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address,
                         &returned, nullptr))
        return false;
    return returned >= sizeof address;
}

} // namespace platform::os

// The pass-through dispatch: a letter with a virtual drive is served by the virtual bus,
// every other letter by the OS. Virtual handles come from a table of their own, numbered
// where no OS handle lies (far below the invalid value), so a handle alone tells the two
// apart. It sits beside the bus it asks first: platform's root declares the functions and
// includes nothing of its sub-folders.
#include "platform/PassThrough.h"

#include <cctype>
#include <iostream>
#include <map>
#include <mutex>

#include "platform/virtual/VirtualBus.h"

namespace platform {

namespace {

constexpr TDriveHandle kFirstVirtualHandle = -0x10000;

struct TVirtualHandles {
    std::mutex Mutex;
    std::map<TDriveHandle, char> Letters;
    TDriveHandle Next = kFirstVirtualHandle;
    std::function<void(const std::string&)> Hook;
};

TVirtualHandles& Handles() {
    static auto* handles = new TVirtualHandles; // lives to the end: finalizers close handles
    return *handles;
}

bool IsVirtualHandle(TDriveHandle h) { return h <= kFirstVirtualHandle; }

// The letter of a virtual handle, or 0 when the handle is not open.
char VirtualLetter(TDriveHandle h) {
    auto& t = Handles();
    std::lock_guard lock(t.Mutex);
    auto it = t.Letters.find(h);
    return it == t.Letters.end() ? 0 : it->second;
}

} // namespace

TDriveHandle OpenDrive(char letter, bool readWrite) {
    letter = char(std::toupper(static_cast<unsigned char>(letter)));
    if (VirtualDrive(letter)) {
        auto& t = Handles();
        std::lock_guard lock(t.Mutex);
        TDriveHandle h = t.Next--;
        t.Letters[h] = letter;
        return h;
    }
    if (letter < 'A' || letter > 'Z') return kInvalidDriveHandle;
    return os::OpenDrive(letter, readWrite);
}

bool CloseDrive(TDriveHandle h) {
    if (h == kInvalidDriveHandle) return false;
    if (!IsVirtualHandle(h)) return os::CloseDrive(h);
    auto& t = Handles();
    std::lock_guard lock(t.Mutex);
    return t.Letters.erase(h) == 1;
}

bool PassThroughDirect(TDriveHandle h, SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request) {
    if (h == kInvalidDriveHandle) return false;
    if (!IsVirtualHandle(h)) return os::PassThroughDirect(h, request);
    // A drive unregistered while a handle is open behaves like a vanished device.
    const char letter = VirtualLetter(h);
    auto target = letter ? VirtualDrive(letter) : nullptr;
    if (!target) return false;
    return target->Execute(request);
}

bool GetScsiAddress(TDriveHandle h, SCSI_ADDRESS& address) {
    if (h == kInvalidDriveHandle) return false;
    if (!IsVirtualHandle(h)) return os::GetScsiAddress(h, address);
    const char letter = VirtualLetter(h);
    if (!letter || !VirtualDrive(letter)) return false;
    auto reported = VirtualDriveAddress(letter);
    if (!reported) return false;
    address = *reported;
    address.Length = sizeof(SCSI_ADDRESS);
    return true;
}

void SetPassThroughMessageHook(std::function<void(const std::string&)> hook) {
    auto& t = Handles();
    std::lock_guard lock(t.Mutex);
    t.Hook = std::move(hook);
}

void PassThroughMessage(const std::string& message) {
    std::function<void(const std::string&)> hook;
    {
        auto& t = Handles();
        std::lock_guard lock(t.Mutex);
        hook = t.Hook;
    }
    if (hook) {
        hook(message);
    } else {
        std::cerr << message << '\n';
    }
}

} // namespace platform

#include "platform/Shell.h"

#include <mutex>
#include <thread>

#include "platform/win32/Win32.h"
#include <objbase.h>
#include <shellapi.h>

namespace platform {

void os::SystemBeep(unsigned type) {
    ::MessageBeep(type);
}

void os::SystemOpenURL(const std::string& url) {
    // ShellExecute may start a browser or wait on a shell extension; a thread of its own keeps
    // the caller (the window, a job start) from waiting for it. Shell extensions expect COM.
    std::thread([wide = win32::Widen(url)] {
        HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        ShellExecuteW(nullptr, nullptr, wide.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
        if (SUCCEEDED(com)) CoUninitialize();
    }).detach();
}

} // namespace platform

#include "platform/Shell.h"

#include <mutex>
#include <thread>

#include "platform/win32/Win32.h"
#include <objbase.h>
#include <shellapi.h>

namespace platform {

namespace {

struct THooks {
    std::mutex Mutex;
    std::function<void(unsigned)> Beep;
    std::function<void(const std::string&)> OpenURL;
};

THooks& Hooks() {
    static THooks h;
    return h;
}

} // namespace

void MessageBeep(unsigned type) {
    std::function<void(unsigned)> hook;
    {
        std::lock_guard lock(Hooks().Mutex);
        hook = Hooks().Beep;
    }
    if (hook)
        hook(type);
    else
        ::MessageBeep(type);
}

void SetBeepHook(std::function<void(unsigned)> hook) {
    std::lock_guard lock(Hooks().Mutex);
    Hooks().Beep = std::move(hook);
}

void OpenURL(const std::string& url) {
    std::function<void(const std::string&)> hook;
    {
        std::lock_guard lock(Hooks().Mutex);
        hook = Hooks().OpenURL;
    }
    if (hook) {
        hook(url);
        return;
    }
    // ShellExecute may start a browser or wait on a shell extension; a thread of its own keeps
    // the caller (the window, a job start) from waiting for it. Shell extensions expect COM.
    std::thread([wide = win32::Widen(url)] {
        HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        ShellExecuteW(nullptr, nullptr, wide.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
        if (SUCCEEDED(com)) CoUninitialize();
    }).detach();
}

void SetOpenURLHook(std::function<void(const std::string&)> hook) {
    std::lock_guard lock(Hooks().Mutex);
    Hooks().OpenURL = std::move(hook);
}

} // namespace platform

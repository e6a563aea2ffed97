// Run-time library loading with dlopen. A Windows library name is mapped to the shared object
// that takes its place ("WNASPI32.DLL" -> "libwnaspi32.so"), keeping its folder, so that the
// caller's search order (a given path, the current folder, the system's search) holds.
#include <dlfcn.h>

#include <algorithm>
#include <atomic>

#include "platform/Library.h"
#include "platform/Text.h"

namespace platform {

namespace {

std::atomic<unsigned> CurrentErrorMode{0};

} // namespace

std::string SharedObjectName(const std::string& name) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (EndsWith(LowerCase(base), ".dll")) {
        base = LowerCase(base.substr(0, base.size() - 4));
        if (base.compare(0, 3, "lib") != 0) base = "lib" + base;
        base += ".so";
    }
    return folder + base;
}

TLibraryHandle LoadLibrary(const std::string& name) {
    if (name.empty()) return 0;
    // A name without a folder goes through the system's search; "./x" stays relative to the
    // current folder, exactly as the Windows loader treats ".\x".
    void* h = ::dlopen(SharedObjectName(name).c_str(), RTLD_NOW | RTLD_LOCAL);
    return reinterpret_cast<TLibraryHandle>(h);
}

void* GetProcAddress(TLibraryHandle lib, const char* name) {
    if (lib == 0 || name == nullptr) return nullptr;
    return ::dlsym(reinterpret_cast<void*>(lib), name);
}

void FreeLibrary(TLibraryHandle lib) {
    if (lib != 0) ::dlclose(reinterpret_cast<void*>(lib));
}

unsigned SetErrorMode(unsigned mode) { return CurrentErrorMode.exchange(mode); }

unsigned ErrorMode() { return CurrentErrorMode.load(); }

} // namespace platform

#include "platform/Library.h"

#include "platform/win32/Win32.h"

namespace platform {

// The name goes to LoadLibraryW unchanged, so the system applies its own rules: a relative
// path (".\WNASPI32.DLL") is taken from the current folder, a bare name by the library
// search order (program folder, system folders, current folder, PATH).
TLibraryHandle LoadLibrary(const std::string& name) {
    if (name.empty()) return 0;
    return reinterpret_cast<TLibraryHandle>(LoadLibraryW(win32::Widen(name).c_str()));
}

void* GetProcAddress(TLibraryHandle lib, const char* name) {
    if (!lib || !name) return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(lib), name));
}

void FreeLibrary(TLibraryHandle lib) {
    if (lib) ::FreeLibrary(reinterpret_cast<HMODULE>(lib));
}

unsigned SetErrorMode(unsigned mode) { return ::SetErrorMode(mode); }

unsigned ErrorMode() { return ::GetErrorMode(); }

} // namespace platform

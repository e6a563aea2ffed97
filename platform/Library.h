#pragma once
// Run-time library loading. On Linux a Windows library name maps to a shared object:
// "WNASPI32.DLL" -> "libwnaspi32.so", ".\WNASPI32.DLL" -> "./libwnaspi32.so", a path keeps its
// folder; the search order stays that of the caller.
#include <cstdint>
#include <string>

namespace platform {

using TLibraryHandle = std::uintptr_t; // 0 = not loaded (a Windows HMODULE value otherwise)

TLibraryHandle LoadLibrary(const std::string& name);
void* GetProcAddress(TLibraryHandle lib, const char* name);
void FreeLibrary(TLibraryHandle lib);
// SetErrorMode: returns the previous mode (no-op apart from bookkeeping on Linux).
unsigned SetErrorMode(unsigned mode);
constexpr unsigned SEM_FAILCRITICALERRORS = 1;
// The error mode in force (the last one set).
unsigned ErrorMode();

#ifndef _WIN32
// The shared-object name that a Windows library name maps to.
std::string SharedObjectName(const std::string& name);
#endif

} // namespace platform

#include "platform/AddressSpace.h"

#include "platform/win32/Win32.h"

namespace platform {

bool TAddressReserve::Reserve(size_t bytes) {
    Release();
    Base = VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS);
    Bytes = Base ? bytes : 0;
    return Base != nullptr;
}

void TAddressReserve::Release() {
    if (Base) VirtualFree(Base, 0, MEM_RELEASE);
    Base = nullptr;
    Bytes = 0;
}

} // namespace platform

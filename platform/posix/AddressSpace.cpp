#include "platform/AddressSpace.h"

#include <sys/mman.h>

namespace platform {

bool TAddressReserve::Reserve(size_t bytes) {
    Release();
    void* p = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) return false;
    Base = p;
    Bytes = bytes;
    return true;
}

void TAddressReserve::Release() {
    if (Base) munmap(Base, Bytes);
    Base = nullptr;
    Bytes = 0;
}

} // namespace platform

#pragma once
// Address space held in reserve and given back at once when released: memory that is never
// touched, so it costs no RAM, yet keeps room for what a job must still create (a thread's
// stack) once its cache has taken all the rest. Heap memory would not do: a freed block may
// stay with the allocator, where a new thread cannot use it.
#include <cstddef>

namespace platform {

class TAddressReserve {
public:
    TAddressReserve() = default;
    ~TAddressReserve() { Release(); }
    TAddressReserve(const TAddressReserve&) = delete;
    TAddressReserve& operator=(const TAddressReserve&) = delete;

    // False when the space is not there to take (nothing is held then).
    bool Reserve(size_t bytes);
    void Release();
    bool Held() const { return Base != nullptr; }

private:
    void* Base = nullptr;
    size_t Bytes = 0;
};

} // namespace platform

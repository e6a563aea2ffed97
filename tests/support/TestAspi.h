#pragma once
// Access to the stand-in ASPI library built for the tests (tests/fixtures/aspi).
#include <string>

#include "engine/transport/Aspi.h"
#include "platform/Library.h"

namespace tarnwick::test {

#ifdef TARNWICK_ASPI_FIXTURE_DIR
inline std::string AspiFixture(const std::string& variant) {
    return std::string(TARNWICK_ASPI_FIXTURE_DIR) + "/" + variant + "/WNASPI32.DLL";
}

// A control function of the loaded stand-in library.
template <typename F>
F AspiControl(const char* name) {
    return reinterpret_cast<F>(platform::GetProcAddress(ASPIState().ASPILibrary, name));
}
#endif

} // namespace tarnwick::test

#include "emulator/Sense.h"

#include <cstring>

namespace emulator {

void BuildFixedSense(const TSenseCode& code, uint8_t (&out)[kFixedSenseLength]) {
    std::memset(out, 0, sizeof out);
    out[0] = 0x70;                          // current error, fixed format, no Information field
    out[2] = code.Key & 0x0F;               // sense key
    out[7] = kFixedSenseLength - 8;         // additional sense length: bytes 8..17
    out[12] = code.Asc;                     // additional sense code
    out[13] = code.Ascq;                    // additional sense code qualifier
}

} // namespace emulator

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
    if (code.Progress) {
        out[15] = 0x80;                     // SKSV: bytes 16-17 hold the progress indication
        out[16] = uint8_t(*code.Progress >> 8);
        out[17] = uint8_t(*code.Progress);
    }
}

} // namespace emulator

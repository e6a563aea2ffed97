#pragma once
// SCSI status bytes and the sense conditions the emulated drives report, named after their
// SPC-3 / MMC-5 meaning (key, additional sense code, qualifier).
#include <cstddef>
#include <cstdint>
#include <optional>

namespace emulator {

constexpr uint8_t kStatusGood = 0x00;
constexpr uint8_t kStatusCheckCondition = 0x02;
constexpr uint8_t kStatusBusy = 0x08;

struct TSenseCode {
    constexpr TSenseCode(uint8_t key = 0, uint8_t asc = 0, uint8_t ascq = 0, std::optional<uint16_t> progress = {})
        : Key(key), Asc(asc), Ascq(ascq), Progress(progress) {}
    uint8_t Key = 0;
    uint8_t Asc = 0;
    uint8_t Ascq = 0;
    // Progress indication of an operation in progress (sense-key specific bytes, SKSV set):
    // the part done, out of 65536.
    std::optional<uint16_t> Progress;
    friend bool operator==(const TSenseCode&, const TSenseCode&) = default;
};

namespace sense {
constexpr uint8_t kNoSense = 0x0;
constexpr uint8_t kNotReady = 0x2;
constexpr uint8_t kMediumError = 0x3;
constexpr uint8_t kHardwareError = 0x4;
constexpr uint8_t kIllegalRequest = 0x5;
constexpr uint8_t kUnitAttention = 0x6;

constexpr TSenseCode NoSense{kNoSense, 0x00, 0x00};
constexpr TSenseCode BecomingReady{kNotReady, 0x04, 0x01};
constexpr TSenseCode FormatInProgress{kNotReady, 0x04, 0x04};
constexpr TSenseCode OperationInProgress{kNotReady, 0x04, 0x07};
constexpr TSenseCode LongWriteInProgress{kNotReady, 0x04, 0x08};
constexpr TSenseCode MediumNotFormatted{kNotReady, 0x30, 0x10};
constexpr TSenseCode MediumFormatCorrupted{kMediumError, 0x31, 0x00};
constexpr TSenseCode CannotFormatIncompatibleMedium{kIllegalRequest, 0x30, 0x06};
constexpr TSenseCode MediumNotPresent{kNotReady, 0x3A, 0x00};
constexpr TSenseCode MediumNotPresentTrayOpen{kNotReady, 0x3A, 0x02};
constexpr TSenseCode WriteError{kMediumError, 0x0C, 0x00};
constexpr TSenseCode UnrecoveredReadError{kMediumError, 0x11, 0x00};
constexpr TSenseCode ParameterListLengthError{kIllegalRequest, 0x1A, 0x00};
constexpr TSenseCode InvalidCommandOperationCode{kIllegalRequest, 0x20, 0x00};
constexpr TSenseCode LbaOutOfRange{kIllegalRequest, 0x21, 0x00};
constexpr TSenseCode InvalidAddressForWrite{kIllegalRequest, 0x21, 0x02};
constexpr TSenseCode InvalidFieldInCdb{kIllegalRequest, 0x24, 0x00};
constexpr TSenseCode InvalidFieldInParameterList{kIllegalRequest, 0x26, 0x00};
constexpr TSenseCode CommandSequenceError{kIllegalRequest, 0x2C, 0x00};
constexpr TSenseCode CannotReadMediumIncompatibleFormat{kIllegalRequest, 0x30, 0x02};
constexpr TSenseCode CannotWriteIncompatibleFormat{kIllegalRequest, 0x30, 0x05};
constexpr TSenseCode SavingParametersNotSupported{kIllegalRequest, 0x39, 0x00};
constexpr TSenseCode MediumRemovalPrevented{kIllegalRequest, 0x53, 0x02};
constexpr TSenseCode IllegalModeForThisTrack{kIllegalRequest, 0x64, 0x00};
constexpr TSenseCode ReadOfScrambledSectorWithoutAuthentication{kIllegalRequest, 0x6F, 0x03};
constexpr TSenseCode MediaRegionCodeMismatch{kIllegalRequest, 0x6F, 0x04};
constexpr TSenseCode IncompleteTrackInSession{kIllegalRequest, 0x72, 0x03};
constexpr TSenseCode EmptyOrPartiallyWrittenReservedTrack{kIllegalRequest, 0x72, 0x04};
} // namespace sense

// SPC-3 fixed-format sense data: response code 70h (current error), the key at byte 2, the
// additional sense length 10 at byte 7 and ASC/ASCQ at bytes 12 and 13.
constexpr size_t kFixedSenseLength = 18;
void BuildFixedSense(const TSenseCode& code, uint8_t (&out)[kFixedSenseLength]);

} // namespace emulator

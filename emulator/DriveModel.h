#pragma once
// The drive models the emulator can present: their INQUIRY strings and what their
// capabilities page, features and vendor page say. Models are plain data, so a test can copy
// one and change a field.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "emulator/Profiles.h"

namespace emulator {

struct TDriveModel {
    std::string Key;      // short name used by the --virtual option ("generic", "dvr-103", ...)
    std::string Vendor;   // INQUIRY bytes 8-15, padded with spaces
    std::string Product;  // INQUIRY bytes 16-31, padded with spaces
    std::string Revision; // INQUIRY bytes 32-35, padded with spaces
    uint8_t DeviceType = 0x05; // 05h CD/DVD device; 04h write-once device

    // Capabilities page 2Ah, bytes 2 and 3.
    bool ReadsCdR = true, ReadsCdRw = true, ReadsDvdRom = false, ReadsDvdR = false, ReadsDvdRam = false;
    bool WritesCdR = true, WritesCdRw = true, WritesDvdR = false, WritesDvdRam = false;
    bool WritesDvdPlus = false; // DVD+R and DVD+RW: only the features 002Ah/002Bh tell this
    bool ReadsDvdPlus = false;  // reads DVD+R/+RW without writing them (feature 002Ah, Write 0)
    bool TestWrite = true;      // byte 3 bit 2, and simulation allowed by MODE SELECT
    // The drive's DVD region (1 to 8, RPC Phase II), as REPORT KEY format 08h reports it.
    uint8_t Region = 2;
    bool Buf = true;            // byte 4 bit 7: buffer-underrun-free recording
    bool BlockDescriptor = false; // an 8-byte block descriptor precedes the page in MODE SENSE
    bool Page30 = false;          // answers the vendor page 30h
    // REZERO UNIT is no MMC command: MMC drives refuse it as an unknown operation code; a
    // drive of the SCSI-2 command set seeks to block 0.
    bool Rezero = false;
    // First data byte of feature 002Fh. MMC-5 defines bits there (BUF 40h, Test Write 04h,
    // DVD-RW 02h); several older drives put a plain 01h "can write" flag in it.
    std::optional<uint8_t> Feature2FData = 0x01;

    // Speeds in KB/s (1000 bytes per second) and the write buffer in KB.
    uint16_t MaxCdReadSpeed = 7056;  // 40x
    uint16_t MaxCdWriteSpeed = 7056; // 40x
    uint16_t MaxDvdReadSpeed = 0;
    uint16_t MaxDvdWriteSpeed = 0;
    uint16_t BufferKB = 2048;
    // READ BUFFER CAPACITY reports FFFFFFFFh as the blank length (free space not known).
    bool UnknownFreeBuffer = false;
    // The capabilities page shows 0 as the current write speed until SET CD SPEED sets one.
    bool ZeroCurrentWriteSpeed = false;

    bool CanRead(TProfile profile) const;
    bool CanWrite(TProfile profile) const;
    // The highest speeds for the loaded medium (CD speeds when none).
    uint16_t MaxReadSpeed(TProfile profile) const;
    uint16_t MaxWriteSpeed(TProfile profile) const;
};

// The built-in models, the generic recorder first.
const std::vector<TDriveModel>& DriveModels();
const TDriveModel& GenericRecorder();
// By key ("crx175e") or by product identification without trailing blanks ("CRX175E"),
// compared without regard to case.
std::optional<TDriveModel> FindDriveModel(const std::string& name);

} // namespace emulator

#pragma once
// vnSPTI: the two ASPI entry points emulated over the OS SCSI pass-through. Every CD/DVD
// drive letter gets a host adapter / target / LUN address, so the rest of the engine
// addresses it as it would under ASPI.
#include <array>
#include <atomic>
#include <cstdint>

#include "engine/transport/Srb.h"
#include "platform/PassThrough.h"

namespace tarnwick {

struct TSPTIDrive {
    uint8_t HaId = 0;
    uint8_t Target = 0;
    uint8_t Lun = 0;
    uint8_t LetterIndex = 0;
    bool Used = false;
    platform::TDriveHandle Handle = platform::kInvalidDriveHandle;
    std::array<uint8_t, 40> InquiryData{};
};

// Lun of a drive that gave no SCSI address until the table is complete.
constexpr uint8_t kSPTIUnaddressedLun = 250;
// Every pass-through command is given two minutes by the OS, or its own time-out and a margin
// when that is longer (an OPC, a close, a flush).
constexpr uint32_t kSPTITimeOutSeconds = 120;
constexpr uint32_t kSPTITimeOutMarginSeconds = 30;
// The OS time-out of a command whose own time-out is TimeOutMs.
uint32_t SPTITimeOutSeconds(uint32_t TimeOutMs);
// The time-out of the next command this thread sends (set by the command execution).
void SetSPTICommandTimeOut(uint32_t TimeOutMs);

struct TSPTIState {
    bool SPTIStarted = false;
    uint8_t SPTIHostAdapters = 0;
    uint8_t SPTIUnaddressed = 0;
    std::atomic<bool> SPTICloseAfterCommand{true};
    std::array<uint8_t, 1025> SPTIProbeBuffer{};
    std::array<TSPTIDrive, 26> SPTIDrives{};

    // Finalization: closes the drive handles when the table was built.
    ~TSPTIState();
};
TSPTIState& SPTIState();

// Builds the drive table once; returns the drives found, 0 on every later call.
uint8_t SPTIInit();
// Closes the open handles and clears the table; false when it was not built.
bool SPTIDone();
// Probes letter index i (INQUIRY, then the SCSI address) and fills its slot.
void SPTIProbeDrive(uint8_t i);
platform::TDriveHandle SPTIOpenDrive(uint8_t i);
// Index of the first used slot with that address; 0 when none (slot "A" is never used).
uint8_t SPTIFindDrive(uint8_t HaId, uint8_t Target, uint8_t Lun);
// The drive letter of that address, or 0.
char SPTIDriveLetter(uint8_t HaId, uint8_t Target, uint8_t Lun);

uint32_t TW_CDECL SPTIGetASPI32SupportInfo();
uint32_t TW_CDECL SPTISendASPI32Command(void* srb);
uint32_t SPTISendCommand(void* srb);
uint8_t SPTIHostAdapterInquiry(SRB_HAInquiry& srb);
uint8_t SPTIGetDeviceType(SRB_GDEVBlock& srb);

// Tests: closes handles and forgets the table, as at process start.
void ResetSPTIState();

} // namespace tarnwick

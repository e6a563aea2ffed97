#pragma once
// Operation codes the emulated drives answer (SPC-3, SBC, MMC-5).
#include <cstdint>

namespace emulator::op {

constexpr uint8_t TestUnitReady = 0x00;
constexpr uint8_t RezeroUnit = 0x01;
constexpr uint8_t RequestSense = 0x03;
constexpr uint8_t FormatUnit = 0x04;
constexpr uint8_t Inquiry = 0x12;
constexpr uint8_t StartStopUnit = 0x1B;
constexpr uint8_t PreventAllowMediumRemoval = 0x1E;
constexpr uint8_t ReadFormatCapacities = 0x23;
constexpr uint8_t ReadCapacity = 0x25;
constexpr uint8_t Read10 = 0x28;
constexpr uint8_t Write10 = 0x2A;
constexpr uint8_t SynchronizeCache = 0x35;
constexpr uint8_t ReadTocPmaAtip = 0x43;
constexpr uint8_t GetConfiguration = 0x46;
constexpr uint8_t ReadDiscInformation = 0x51;
constexpr uint8_t ReadTrackInformation = 0x52;
constexpr uint8_t ReserveTrack = 0x53;
constexpr uint8_t SendOpcInformation = 0x54;
constexpr uint8_t ModeSelect10 = 0x55;
constexpr uint8_t CloseTrackSession = 0x5B;
constexpr uint8_t ReadBufferCapacity = 0x5C;
constexpr uint8_t ModeSense10 = 0x5A;
constexpr uint8_t Blank = 0xA1;
constexpr uint8_t ReportKey = 0xA4;
constexpr uint8_t ReadDvdStructure = 0xAD;
constexpr uint8_t Read12 = 0xA8;
constexpr uint8_t SetStreaming = 0xB6;
constexpr uint8_t SetCdSpeed = 0xBB;
constexpr uint8_t SendDvdStructure = 0xBF;

} // namespace emulator::op

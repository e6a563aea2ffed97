#pragma once
// TSCSIDevice: the device side of the engine: transport start, device discovery and
// selection, command execution with its message texts, and the MMC command set. TVornBurner
// (engine/write/VornBurner.h) derives from it.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/Component.h"
#include "engine/device/DeviceAddress.h"
#include "engine/device/Outcome.h"
#include "engine/device/Replies.h"
#include "engine/transport/Srb.h"

namespace tarnwick {

// Capability flags (CapabilityFlags), from the capabilities page and GET CONFIGURATION.
enum : uint32_t {
    cfReadCDR = 0x00001,
    cfReadCDRW = 0x00002,
    cfReadMethod2 = 0x00004,
    cfReadDVDROM = 0x00008,
    cfReadDVDR = 0x00010,
    cfReadDVDRW = 0x00020,
    cfReadDVDRAM = 0x00040,
    cfReadDVDPlusRW = 0x00080,
    cfReadDVDPlusR = 0x00100,
    cfWriteCDR = 0x00200,
    cfWriteCDRW = 0x00400,
    cfTestWrite = 0x00800,
    cfWriteDVDR = 0x01000,
    cfWriteDVDRW = 0x02000,
    cfWriteDVDRAM = 0x04000,
    cfWriteDVDPlusRW = 0x08000,
    cfWriteDVDPlusR = 0x10000,
    cfUnderrunFree = 0x40000,
};

// Disc type codes (GetDiscType) and their names.
enum : uint8_t {
    dtUnknown = 0, dtCDROM = 1, dtCDR = 2, dtCDRW = 3, dtDVDROM = 4, dtDVDR = 5, dtDVDRAM = 6,
    dtDVDRW = 7, dtDVDRWRestricted = 8, dtDVDRWSequential = 9, dtDVDPlusRW = 10, dtDVDPlusR = 11,
    dtDDCDROM = 12, dtDDCDR = 13, dtDDCDRW = 14,
};
extern const char* const DiscTypeNames[15];

// Process-wide state of the device unit: the engine-wide model flags and the shared command
// buffers (the command set is not re-entrant; the main thread and the write thread never
// send commands at the same time).
struct TDrvLibState {
    std::atomic<bool> ExtraReadyWaitVendor{false};
    std::atomic<bool> ImmediateClose{false};
    alignas(16) std::array<uint8_t, 1024> CommandBuffer{};
    alignas(16) std::array<uint8_t, 4081> ParameterBuffer{};
    alignas(16) std::array<uint8_t, 256> CapabilityBuffer{};
    alignas(16) std::array<uint8_t, 114> ConfigurationBuffer{};
    alignas(16) std::array<uint8_t, 56> DiscInformation{};
    alignas(16) std::array<uint8_t, 40> ReadySense{};
    alignas(16) std::array<uint8_t, 512> PageBufferA{};
    alignas(16) std::array<uint8_t, 512> PageBufferB{};
};
TDrvLibState& DrvLibState();

class TSCSIDevice : public TComponent {
public:
    explicit TSCSIDevice(TComponent* owner = nullptr);
    ~TSCSIDevice() override;

    // ---- Debug channel ----------------------------------------------------------------
    TOnDebugMsg OnDebugMessage;
    void DebugMessage(const std::string& Message, uint8_t mType);
    bool DoDebug() const { return FDoDebug; }
    void SetDoDebug(bool v) { FDoDebug = v; }

    // ---- Transport, discovery and selection --------------------------------------------
    TDeviceChangedEvent OnDeviceChange;
    bool InitializeASPI(bool PreferSPTI, const std::string& LibraryPath);
    bool ASPIInitialized() const;
    void HostAdapterInquiry(uint8_t HostAdapter);
    uint8_t GetDiskInfoLetter(uint8_t HostAdapter, uint8_t TargetId, uint8_t LunId);
    void ScanDevices();
    char GetDriveLetter() { return DriveLetterOf(Address()); }
    // The drive letter of the device at At (0 when it has none).
    char DriveLetterOf(const TDeviceAddress& At);
    void SelectDevice(const std::string& S);
    void ReadDeviceIdentity();
    const std::vector<std::string>& DeviceList() const { return FDeviceList; }
    void SetReleaseHandles(bool Value);

    // The selected device; commands without an address of their own go there.
    uint8_t HaId = 254, Target = 254, Lun = 254;
    TDeviceAddress Address() const { return {HaId, Target, Lun}; }
    std::string SelectedDevice;
    std::string DeviceIdentity;
    uint8_t PeripheralType = 127;
    alignas(4) std::array<uint8_t, 131> InquiryData{}; // a command buffer: keep it aligned
    int8_t HostAdapterCount = 0;
    SRB_HAInquiry HAInquiry{};
    bool ForceBUF = false, ForceLSV = false, ExtraReadyWait = false;

    // ---- Command execution and its messages ---------------------------------------------
    int32_t ExecSCSICommand(SRB_ExecSCSICmd& Request, int32_t TimeOut) {
        return ExecSCSICommandAt(Address(), Request, TimeOut);
    }
    // The same for the device at At (the scan asks every address without selecting it).
    int32_t ExecSCSICommandAt(const TDeviceAddress& At, SRB_ExecSCSICmd& Request, int32_t TimeOut);
    // True when the transport confirmed the abort (it then no longer touches the request).
    bool AbortCommand(SRB_ExecSCSICmd& Request);
    std::string StatusText(uint8_t Status, uint8_t HaStat, uint8_t TargStat);
    void ErrorText(const SRB_ExecSCSICmd& Request);
    void SenseText(const SRB_ExecSCSICmd& Request);

    std::string LastCommandError;
    std::array<uint8_t, 33> LastSense{};
    bool TargetBusy = false;
    // The last command's outcome as data (set by ExecSCSICommand for every command).
    TCommandOutcome LastOutcome;

    // ---- Drive and media queries -----------------------------------------------------------
    bool TestUnitReady(int32_t TimeOut);
    bool RequestSense(uint8_t* Buffer, uint8_t AllocLen);
    bool WaitUnitReady(int32_t Budget, int32_t Step);
    bool Inquiry() { return InquiryAt(Address()); }
    bool InquiryAt(const TDeviceAddress& At);
    bool ModeSense10(uint8_t PageCode, uint8_t* Dest, int32_t ClearCountMinusOne, int32_t AllocLen,
                     bool DefaultValues);
    bool GetConfiguration(uint8_t RT, uint16_t StartFeature, uint8_t* Buffer, int32_t AllocLen);
    bool ReadCapabilities();
    bool HasPage30();
    uint16_t QueryMaxReadSpeed();
    uint16_t QueryCurrentWriteSpeed();
    bool ReadBufferCapacity(uint32_t& BufferSize, uint32_t& FreeBytes);
    bool ReadDiscInformation(uint8_t* Buffer, uint8_t AllocLen);
    bool UpdateDiscInformation();
    // The disc information UpdateDiscInformation last read (a blank disc when it failed).
    reply::TDiscInformation LastDiscInformation() const;
    uint8_t GetSessionCount();
    // The loaded DVD's copyright information and the drive's region mask (0: none set).
    bool ReadCopyrightInformation(reply::TCopyrightInformation& Info);
    bool ReadDriveRegion(uint8_t& RegionMask);
    uint8_t GetDiscType();
    bool ReadTOC(uint8_t Format, uint8_t* Buffer, bool MSF, uint8_t TrackOrSession, uint8_t AllocLen,
                 uint8_t Control);

    // Sends one CDB built by engine/device/Cdb.h with SRB_Flags, data buffer and time-out;
    // true when SRB_Status is 01h. Moved receives the bytes the transport reports as moved
    // (SRB_BufLen after the command, capped at Length); Status the final SRB_Status, or E2h
    // when the request was refused (no transport, no device).
    bool RunCdb(const uint8_t* Cdb, uint8_t CdbLen, uint8_t Flags, uint8_t* Buffer, uint32_t Length,
                int32_t TimeOut, uint32_t* Moved = nullptr, uint8_t* Status = nullptr) {
        return RunCdbAt(Address(), Cdb, CdbLen, Flags, Buffer, Length, TimeOut, Moved, Status);
    }
    bool RunCdbAt(const TDeviceAddress& At, const uint8_t* Cdb, uint8_t CdbLen, uint8_t Flags, uint8_t* Buffer,
                  uint32_t Length, int32_t TimeOut, uint32_t* Moved = nullptr, uint8_t* Status = nullptr);

    // The capabilities page (2Ah) from its page-code byte on, in the drive's byte order, with a
    // current or maximum write speed of 0 replaced by 1385 KB/s.
    std::array<uint8_t, 256> CapabilitiesPage{};
    // Its figures, as ReadCapabilities last left the page.
    reply::TCapabilitiesPage LastCapabilities() const;
    uint32_t CapabilityFlags = 0;
    alignas(4) std::array<uint8_t, 26> ATIPData{}; // a command buffer: keep it aligned

    uint16_t DeviceMaxWriteSpeed() const { return FDeviceMaxWriteSpeed; }
    uint16_t DeviceMaxReadSpeed() const { return FDeviceMaxReadSpeed; }
    uint32_t DeviceBufferSize() const { return FDeviceBufferSize; }
    void SetDeviceBufferSize(uint32_t v) { FDeviceBufferSize = v; }
    uint32_t DeviceFreeBufferSize() const { return FDeviceFreeBufferSize; }
    void SetDeviceFreeBufferSize(uint32_t v) { FDeviceFreeBufferSize = v; }

    // ---- Recording commands -----------------------------------------------------------------
    bool ModeSelect10(const uint8_t* List, uint8_t Length);
    bool TryWriteType(uint8_t Probe);
    bool DetectWriteTypes();
    bool SetWriteParameters(bool TestWriteOn, bool UnderrunProtectionOn, uint16_t DiscTypeCode);
    bool SetCDSpeed(uint16_t ReadKBs, uint16_t WriteKBs);
    bool SendOPC();
    bool SetStreaming(const uint8_t* Descriptor, uint16_t Length);
    bool SendDVDStructure(uint8_t Format, const uint8_t* Structure, uint16_t Length);
    bool SendDVDTimestamp(TDateTime When);
    bool ReserveTrack(uint32_t Size);
    bool Write10(uint32_t Lba, uint16_t Blocks, uint8_t* Buffer, uint32_t ByteCount, uint8_t SrbFlags);
    bool SynchronizeCache(int32_t TimeOut, bool Immed);
    bool CloseTrackSession(bool CloseTrack, bool Immed, bool Finalize);
    bool CloseTrackSessionRaw(bool Immed, uint8_t Function, uint8_t B3, uint8_t B4, uint8_t B5);
    bool LoadEject(bool Eject);
    bool PreventAllowRemoval(bool Allow);
    void RezeroUnit();

    // ---- Erase and format ----------------------------------------------------------------
    // BLANK (full or minimal) and FORMAT UNIT with one descriptor, both with Immed; READ
    // FORMAT CAPACITIES into Buffer (Valid: the bytes of the list the drive returned).
    bool Blank(bool Full, bool Immed);
    bool FormatUnit(const uint8_t* Descriptor8, bool Immed);
    bool ReadFormatCapacities(uint8_t* Buffer, uint16_t AllocLen, uint32_t& Valid);
    // How a wait for a long operation (erase, format) ended.
    enum class TLongWait { Done, Aborted, Failed, TimedOut, Gone };
    // Polls TEST UNIT READY every Step ms through the clock while the drive reports the
    // operation in progress, storing its progress (0..65536) in Progress; Abort is asked
    // between polls. Failed leaves the drive's text in LastCommandError.
    TLongWait WaitLongOperation(uint32_t DeadlineMs, uint32_t Step, const std::function<bool()>& Abort,
                                std::atomic<int32_t>& Progress);

    // Mode page 05h (byte 0 = page code) as last probed or sent.
    std::array<uint8_t, 54> WriteParametersPage{};
    // Sends the parameter list in DrvLibState().PageBufferA built from the page in
    // PageBufferB found at PageStart of the MODE SENSE reply.
    bool SendWriteParametersList(int PageStart, uint8_t ListLength);

    // Published properties used by the device side.
    bool UnderrunProtection() const { return FUnderrunProtection; }
    void SetUnderrunProtection(bool v) { FUnderrunProtection = v; }
    bool TestWrite() const { return FTestWrite; }
    void SetTestWrite(bool v) { FTestWrite = v; }
    bool FinalizeDisc() const { return FFinalizeDisc; }
    void SetFinalizeDisc(bool v) { FFinalizeDisc = v; }
    uint16_t ReadSpeed() const { return FReadSpeed; }
    void SetReadSpeed(uint16_t v) { FReadSpeed = v; }
    uint16_t WriteSpeed() const { return FWriteSpeed; }
    void SetWriteSpeed(uint16_t v); // also sends SET CD SPEED

protected:
    bool FDoDebug = false;
    std::vector<std::string> FDeviceList;
    uint16_t FDeviceMaxWriteSpeed = 0;
    uint16_t FDeviceMaxReadSpeed = 0;
    // Written on the write thread during a disc job, read by a front end's progress display.
    std::atomic<uint32_t> FDeviceBufferSize{0};
    std::atomic<uint32_t> FDeviceFreeBufferSize{0};
    bool FUnderrunProtection = false;
    bool FTestWrite = false;
    bool FFinalizeDisc = false;
    uint16_t FReadSpeed = 0;
    uint16_t FWriteSpeed = 0;
};

} // namespace tarnwick

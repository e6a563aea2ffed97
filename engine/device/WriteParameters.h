#pragma once
// The write parameters mode page (05h) as the engine rebuilds it, and the MODE SELECT(10)
// parameter list that carries it. Pure functions over byte buffers.
#include <cstdint>

namespace tarnwick::wp {

constexpr uint8_t kPageCode = 0x05;
constexpr uint8_t kPageSize = 54; // bytes of the page the engine keeps

// Page offsets (MMC write parameters page).
constexpr int kPgLength = 1;
constexpr int kPgWriteType = 2;  // BUFE 40h, LS_V 20h, Test Write 10h, write type bits 3-0
constexpr int kPgTrackMode = 3;  // multi-session bits 7-6, FP 20h, Copy 10h, track mode 3-0
constexpr int kPgDataBlockType = 4;
constexpr int kPgLinkSize = 5;
constexpr int kPgSessionFormat = 8;
constexpr int kPgPacketSize = 10;
constexpr int kPgAudioPause = 14;

constexpr uint8_t kBUFE = 0x40;
constexpr uint8_t kLSV = 0x20;
constexpr uint8_t kTestWriteBit = 0x10;

// Probes of TryWriteType.
enum : uint8_t { wtRaw = 0, wtSessionAtOnce = 1, wtTrackAtOnce = 2 };

struct TWriteSettings {
    bool TestWrite = false;
    bool UnderrunProtection = false;
    bool FinalizeDisc = false;
    bool ForceLSV = false;
    uint32_t CapabilityFlags = 0;
    uint16_t DiscType = 0;
};

// Rebuilds the page for a recording with the given settings (disc type other than DVD-RAM).
void ApplyWriteSettings(uint8_t* page, const TWriteSettings& s);
// Rewrites the page for one write-type probe.
void ApplyProbe(uint8_t* page, uint8_t probe);
// The parameter list in a (512 bytes): an 8-byte mode parameter header of zeros, then the
// page taken from b. Only (61 - pageStart) bytes of the page are carried: a reply whose page
// sat behind a block descriptor gives its last bytes as zeros.
void BuildParameterList(uint8_t* a, const uint8_t* b, int pageStart);

} // namespace tarnwick::wp

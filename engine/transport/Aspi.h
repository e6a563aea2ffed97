#pragma once
// vnASPI: who provides the two ASPI entry points of the process (the ASPI library, or the
// pass-through emulation of vnSPTI), chosen once at start-up by LoadASPI.
#include <atomic>
#include <functional>
#include <string>

#include "engine/transport/Srb.h"
#include "platform/Library.h"

namespace tarnwick {

inline constexpr const char* kASPILibraryName = "WNASPI32.DLL";
inline constexpr const char* kSPTIModuleName = "VNASPI32";

// Process-wide transport state, shared by every engine instance.
struct TASPIState {
    std::atomic<bool> ASPIReady{false};
    std::string ASPIModuleName;
    platform::TLibraryHandle ASPILibrary = 0;
    std::atomic<TGetASPI32SupportInfo> GetASPI32SupportInfo{nullptr};
    std::atomic<TSendASPI32Command> SendASPI32Command{nullptr};
    // SC_GET_DISK_INFO record, process-wide like the entry points.
    SRB_GetDiskInfo DiskInfo{};

    // Finalization: frees the library when one was loaded.
    ~TASPIState();
};
TASPIState& ASPIState();

// Chooses the transport: with PreferSPTI the emulation first (when it finds a drive), then
// LibraryPath, ".\WNASPI32.DLL" and "WNASPI32.DLL"; without it the library first. Returns
// ASPIReady.
bool LoadASPI(bool PreferSPTI, const std::string& LibraryPath);

// Messages of the transport that have no engine object at hand (a library without an entry
// point, a drive the user may not open). Without a hook they go to stderr; an engine routes
// them to its debug channel. Also installed as the pass-through's message hook.
using TTransportMessageHook = std::function<void(const std::string& message)>;
void SetTransportMessageHook(TTransportMessageHook hook);
void TransportMessage(const std::string& message);

// Tests: forgets the loaded transport (frees the library) and the emulation's table, as at
// process start.
void ResetTransportState();

} // namespace tarnwick

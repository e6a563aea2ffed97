// vnASPI: the transport loader.
#include "engine/transport/Aspi.h"

#include <cstring>
#include <iostream>
#include <mutex>

#include "engine/transport/Spti.h"
#include "platform/PassThrough.h"

namespace tarnwick {

namespace {

// The lines of the unit's two entry-point assertions, kept as the loader's failure codes.
constexpr int kAssertLineGetSupportInfo = 477;
constexpr int kAssertLineSendCommand = 478;

// A module handle at or below this is an error code of the loader, not a module.
constexpr platform::TLibraryHandle kMaxLoadError = 31;

struct THookState {
    std::mutex Mutex;
    TTransportMessageHook Hook;
};

THookState& Hooks() {
    static auto* hooks = new THookState; // lives to the end: finalizers may still report
    return *hooks;
}

void AssertionFailed(int line) {
    TransportMessage("Assertion failed (vnASPI, line " + std::to_string(line) + ")");
}

void UseEmulation(TASPIState& st) {
    st.GetASPI32SupportInfo = &SPTIGetASPI32SupportInfo;
    st.SendASPI32Command = &SPTISendASPI32Command;
    st.ASPIModuleName = kSPTIModuleName;
    st.ASPIReady = true;
}

platform::TLibraryHandle TryLoad(const std::string& name) {
    try {
        return platform::LoadLibrary(name);
    } catch (...) {
        return 0; // a loader that throws counts as no module
    }
}

enum class TLibraryLoad { NoModule, MissingEntryPoint, Loaded };

// Loads the library and takes its entry points. A module without one of them is released
// again: it cannot carry a request.
TLibraryLoad UseLibrary(TASPIState& st, const std::string& libraryPath) {
    platform::TLibraryHandle lib = 0;
    if (!libraryPath.empty()) lib = TryLoad(libraryPath);
    if (lib <= kMaxLoadError) lib = TryLoad(std::string(".\\") + kASPILibraryName);
    if (lib <= kMaxLoadError) lib = TryLoad(kASPILibraryName);
    if (lib <= kMaxLoadError) return TLibraryLoad::NoModule;

    auto info = reinterpret_cast<TGetASPI32SupportInfo>(platform::GetProcAddress(lib, "GetASPI32SupportInfo"));
    auto send = reinterpret_cast<TSendASPI32Command>(platform::GetProcAddress(lib, "SendASPI32Command"));
    if (info == nullptr || send == nullptr) {
        AssertionFailed(info == nullptr ? kAssertLineGetSupportInfo : kAssertLineSendCommand);
        platform::FreeLibrary(lib);
        return TLibraryLoad::MissingEntryPoint;
    }
    st.ASPILibrary = lib;
    st.GetASPI32SupportInfo = info;
    st.SendASPI32Command = send;
    st.ASPIModuleName = kASPILibraryName;
    st.ASPIReady = true;
    return TLibraryLoad::Loaded;
}

void Unload(TASPIState& st) {
    if (st.ASPIReady && st.ASPILibrary != 0) platform::FreeLibrary(st.ASPILibrary);
    st.ASPILibrary = 0;
    st.ASPIModuleName.clear();
    st.GetASPI32SupportInfo = nullptr;
    st.SendASPI32Command = nullptr;
    st.ASPIReady = false;
}

} // namespace

TASPIState::~TASPIState() {
    if (ASPIReady && ASPILibrary != 0) platform::FreeLibrary(ASPILibrary);
    ASPIModuleName.clear();
}

TASPIState& ASPIState() {
    static TASPIState state;
    return state;
}

void SetTransportMessageHook(TTransportMessageHook hook) {
    {
        std::lock_guard lock(Hooks().Mutex);
        Hooks().Hook = hook;
    }
    platform::SetPassThroughMessageHook(std::move(hook));
}

void TransportMessage(const std::string& message) {
    TTransportMessageHook hook;
    {
        std::lock_guard lock(Hooks().Mutex);
        hook = Hooks().Hook;
    }
    if (hook) {
        hook(message);
    } else {
        std::cerr << message << '\n';
    }
}

bool LoadASPI(bool PreferSPTI, const std::string& LibraryPath) {
    auto& st = ASPIState();
    const unsigned previousMode = platform::SetErrorMode(platform::SEM_FAILCRITICALERRORS);

    // A transport once chosen stays: a later call must not swap it under running commands.
    bool brokenLibrary = false;
    if (!st.ASPIReady && PreferSPTI && SPTIInit() > 0) UseEmulation(st);
    if (!st.ASPIReady) brokenLibrary = UseLibrary(st, LibraryPath) == TLibraryLoad::MissingEntryPoint;
    // SPTIInit reports drives only the first time it runs, so this fallback can take the
    // emulation only when it was not tried first.
    if (!st.ASPIReady && !brokenLibrary && SPTIInit() > 0) UseEmulation(st);
    if (st.ASPIReady) {
        if (TGetASPI32SupportInfo info = st.GetASPI32SupportInfo.load()) (void)info();
    }

    platform::SetErrorMode(previousMode);
    return st.ASPIReady;
}

void ResetTransportState() {
    Unload(ASPIState());
    std::memset(&ASPIState().DiskInfo, 0, sizeof(SRB_GetDiskInfo));
    ResetSPTIState();
}

} // namespace tarnwick

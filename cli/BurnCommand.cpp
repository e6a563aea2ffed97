// tarnwick-cli burn [options] IMAGE --device DRIVE
// Burns an ISO image onto the disc in a recorder, the way the main window's image-to-disc job
// does: the settings file first, then the options given here; at the end the drive's cache is
// flushed, the tray unlocked and the disc ejected.
#include <chrono>
#include <limits>
#include <memory>
#include <optional>

#include "app/common/BurnProgress.h"
#include "app/common/JobSteps.h"
#include "app/common/Settings.h"
#include "app/common/UsedDisc.h"
#include "cli/Command.h"
#include "cli/EraseRun.h"
#include "cli/DeviceLookup.h"
#include "cli/JobRunner.h"
#include "cli/SettingsOption.h"
#include "engine/device/Messages.h"
#include "engine/write/VornBurner.h"
#include "platform/Drives.h"
#include "platform/Threads.h"

namespace tarnwick::cli {

namespace {

struct TBurnOptions {
    std::string Image;
    std::string Device;
    std::string SettingsFile = app::kSettingsFileName;
    bool TestWrite = false;
    std::optional<uint16_t> WriteSpeed;
    bool CloseDisc = false;
    bool Opc = false;
    std::optional<bool> UnderrunProtection;
    std::optional<int32_t> CacheSize;
    bool NoEject = false;
    bool Quiet = false;
    bool BlankFirst = false;
    bool FullBlank = false;
    bool Verify = false;
};

// A used CD-RW or DVD-RW: the message names the way out.
constexpr const char* kErasedFirstHint = "the disc holds data: erase it first (tarnwick-cli blank, or burn --blank)";

int RunBurn(const TBurnOptions& o) {
    TConsole console;
    console.Quiet = o.Quiet;
    if (!SettingsFileFound(o.SettingsFile, console)) return ExitUsage;
    TVornBurner engine;
    ShowSettingsWarnings(app::ReadSettings(engine, o.SettingsFile), console);
    if (o.TestWrite) engine.SetTestWrite(true);
    if (o.CloseDisc) engine.SetFinalizeDisc(true);
    if (o.Opc) engine.SetPerformOPC(true);
    if (o.UnderrunProtection) engine.SetUnderrunProtection(*o.UnderrunProtection);
    if (o.CacheSize) engine.SetCacheSize(*o.CacheSize);
    if (o.Verify) engine.SetVerifyAfterBurn(true);
    // No drive is selected yet: only the value is kept for the job's SET CD SPEED.
    if (o.WriteSpeed) engine.SetWriteSpeed(*o.WriteSpeed);

    AttachConsole(engine, console);
    if (!SelectDrive(engine, console, o.Device)) return ExitSetupFailed;

    if (o.BlankFirst && app::UsedRewritable(engine)) {
        const int erased = RunErase(engine, console, o.FullBlank);
        if (erased != ExitOk) return erased;
    }

    std::unique_ptr<TBurnProgress> progress;
    int code = RunJob(
        engine, console, [&] { engine.BurnImageFile(o.Image); },
        [&](double seconds) {
            if (!progress) progress = std::make_unique<TBurnProgress>(engine.GetTrackSectors() * kSectorSize);
            progress->Sample(uint64_t(seconds * 1000), engine.BytesWritten(), engine.DeviceBufferSize(),
                             engine.DeviceFreeBufferSize());
            return progress->Line();
        });

    // The window's job end: after the write thread has left the drive, flush, unlock, eject.
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (engine.JobRunning() && std::chrono::steady_clock::now() < bound) platform::CheckSynchronize(10);
    if (code != ExitOk && engine.LastWriteError() == msg::DiscNotBlank) console.Error(kErasedFirstHint);
    app::EndJobOnDrive(engine, !o.NoEject);
    return code;
}

[[maybe_unused]] const bool kRegistered =
    RegisterCommand("burn", "Burn an ISO image onto the disc in a recorder", [](CLI::App& sub) {
        auto o = std::make_shared<TBurnOptions>();
        sub.add_option("IMAGE", o->Image, "ISO image file to burn")->required();
        sub.add_option("-d,--device", o->Device,
                       "Recorder: a device string as 'devices' lists it, a drive letter (E or E:), or /dev/srN")
            ->required();
        sub.add_flag("-t,--test-write", o->TestWrite, "Simulate the write (test/dummy write): nothing is recorded");
        sub.add_option("-s,--write-speed", o->WriteSpeed, "Write speed in KB/s (1385 = DVD 1x, 176 = CD 1x); 0 = maximum");
        sub.add_flag("--close-disc,--finalize-disc", o->CloseDisc,
                     "Close the disc for further sessions (settings key CloseDisc)");
        sub.add_flag("--opc", o->Opc, "Run the drive's optimum power calibration first (settings key PerformOPC)");
        sub.add_flag("--underrun-protection,!--no-underrun-protection", o->UnderrunProtection,
                     "Buffer-underrun protection (settings key UnderrunProtection; on unless the settings say 0)");
        sub.add_option("--cache-size", o->CacheSize,
                       "Read-ahead cache in bytes (at least 2097152, rounded down to 2048)")
            ->check(CLI::Range(kMinimumCacheSize, std::numeric_limits<int32_t>::max()));
        sub.add_option("--settings", o->SettingsFile,
                       std::string("Settings file: a bare name is looked up like ") + app::kSettingsFileName +
                           ", a path is read as it is");
        sub.add_flag("--no-eject", o->NoEject, "Leave the disc in the drive at the end");
        sub.add_flag("--verify", o->Verify,
                     "Read the disc back after the burn and compare it with the image (settings key Verify)");
        sub.add_flag("-q,--quiet", o->Quiet, "No progress and no information lines (warnings and errors stay)");
        sub.add_flag("--blank", o->BlankFirst, "Erase the disc first when it is a used CD-RW or DVD-RW");
        sub.add_flag("--full-blank", o->FullBlank, "With --blank: erase the whole disc (much slower)");
        return [o] { return RunBurn(*o); };
    });

} // namespace

} // namespace tarnwick::cli

// tarnwick-cli blank --device DRIVE [--full]
// Erases a CD-RW or DVD-RW (BLANK) or formats a DVD+RW or DVD-RAM, following the drive's own
// progress. A write-once disc is refused by the drive, and the job says so in its words.
#include <chrono>
#include <memory>

#include "app/common/ProgressText.h"
#include "cli/Command.h"
#include "cli/DeviceLookup.h"
#include "cli/EraseRun.h"
#include "cli/JobRunner.h"
#include "engine/write/VornBurner.h"
#include "platform/Threads.h"

namespace tarnwick::cli {

int RunErase(TVornBurner& engine, TConsole& console, bool full) {
    const int code = RunJob(engine, console, [&] { engine.EraseDisc(full); },
                            [&](double seconds) { return progress::EraseLine(engine.EraseProgress(), seconds); });
    // The report comes from inside the erase thread: a job started next (burn --blank) must
    // wait until that thread has left the drive.
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (engine.JobRunning() && std::chrono::steady_clock::now() < bound) platform::CheckSynchronize(10);
    return code;
}

namespace {

struct TBlankOptions {
    std::string Device;
    bool Full = false;
    bool Quiet = false;
};

int RunBlank(const TBlankOptions& o) {
    TConsole console;
    console.Quiet = o.Quiet;
    TVornBurner engine;
    AttachConsole(engine, console);
    if (!SelectDrive(engine, console, o.Device)) return ExitSetupFailed;
    return RunErase(engine, console, o.Full);
}

[[maybe_unused]] const bool kRegistered =
    RegisterCommand("blank", "Erase a rewritable disc (CD-RW, DVD-RW) or format a DVD+RW or DVD-RAM", [](CLI::App& sub) {
        auto o = std::make_shared<TBlankOptions>();
        sub.add_option("-d,--device", o->Device,
                       "Recorder: a device string as 'devices' lists it, a drive letter (E or E:), or /dev/srN")
            ->required();
        sub.add_flag("--full", o->Full, "Erase the whole disc, not only what makes it blank again (much slower)");
        sub.add_flag("-q,--quiet", o->Quiet, "No progress and no information lines (warnings and errors stay)");
        return [o] { return RunBlank(*o); };
    });

} // namespace

} // namespace tarnwick::cli

// tarnwick-cli read DRIVE OUTPUT.iso   a 1:1 copy of the disc in DRIVE
// tarnwick-cli verify IMAGE --device DRIVE   compare an image with the disc in DRIVE
// tarnwick-cli copy SOURCE --device RECORDER   disc to disc through a temporary image
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/common/Settings.h"
#include "app/common/DriveLetters.h"
#include "cli/Command.h"
#include "cli/DeviceLookup.h"
#include "cli/JobRunner.h"
#include "cli/SettingsOption.h"
#include "engine/device/ScsiDevice.h"
#include "engine/write/VornBurner.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/Threads.h"
#include "platform/virtual/VirtualBus.h"

namespace tarnwick::cli {

namespace {

// With one drive for both roles, the wait for a blank disc after the read.
constexpr uint32_t kBlankDiscWaitMs = 600000;
constexpr uint32_t kBlankDiscPollMs = 2000;
constexpr uint32_t kInterruptPollMs = 100;

struct TReadOptions {
    std::string Drive;
    std::string Output;
    std::string Image;
    std::string Recorder;
    std::string TempFolder;
    std::string SettingsFile = app::kSettingsFileName;
    bool SkipUnreadable = false;
    std::optional<uint32_t> Retries;
    bool Verify = false;
    bool Quiet = false;
};

void Settle(TVornBurner& engine) {
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (engine.JobRunning() && std::chrono::steady_clock::now() < bound) platform::CheckSynchronize(10);
}

int ReadInto(TVornBurner& engine, TConsole& console, const std::string& output) {
    const int code = RunJob(engine, console, [&] { engine.ReadDiscToImageFile(output); });
    Settle(engine);
    return code;
}

void ApplyReadOptions(TVornBurner& engine, TConsole& console, const TReadOptions& o) {
    ShowSettingsWarnings(app::ReadSettings(engine, o.SettingsFile), console);
    if (o.SkipUnreadable) engine.SetSkipUnreadable(true);
    if (o.Retries) engine.SetReadRetries(*o.Retries);
    if (o.Verify) engine.SetVerifyAfterBurn(true);
}

// A virtual DVD-ROM over a folder serves the folder's files, not the sectors of a disc made
// of them: a read of its sectors would be zeros. Its files are copied by `image`.
bool FolderDisc(TVornBurner& engine, TConsole& console) {
    const auto named = app::DeviceDriveLetter(engine.SelectedDevice);
    if (!named) return false;
    const char letter = *named;
    if (platform::VirtualDriveRoot(letter).empty()) return false;
    console.Error(std::string("the disc in ") + letter + ": is a folder (a virtual drive): it has files but no sectors to read; " +
                  "copy its files with tarnwick-cli image " + letter + ": OUTPUT.iso");
    return true;
}

int RunRead(const TReadOptions& o) {
    TConsole console;
    console.Quiet = o.Quiet;
    // The image goes to standard output: no log line may go there with it.
    if (platform::IsStandardOutput(o.Output)) console.LogToStandardError();
    if (!SettingsFileFound(o.SettingsFile, console)) return ExitUsage;
    TVornBurner engine;
    ApplyReadOptions(engine, console, o);
    AttachConsole(engine, console);
    if (!SelectDrive(engine, console, o.Drive)) return ExitSetupFailed;
    if (FolderDisc(engine, console)) return ExitSourceUnreadable;
    return ReadInto(engine, console, o.Output);
}

int RunVerify(const TReadOptions& o) {
    TConsole console;
    console.Quiet = o.Quiet;
    if (!SettingsFileFound(o.SettingsFile, console)) return ExitUsage;
    TVornBurner engine;
    ApplyReadOptions(engine, console, o);
    AttachConsole(engine, console);
    if (!SelectDrive(engine, console, o.Drive)) return ExitSetupFailed;
    if (FolderDisc(engine, console)) return ExitSourceUnreadable;
    const int code = RunJob(engine, console, [&] { engine.VerifyImageFile(o.Image); });
    Settle(engine);
    return code;
}

// One drive for both roles: out with the copied disc, wait (bounded, cancellable) for a
// blank one. A disc that is not blank is named once, and the wait goes on.
bool WaitForBlankDisc(TVornBurner& engine, TConsole& console) {
    engine.PreventAllowRemoval(true);
    engine.LoadEject(true);
    console.Notice("Insert a blank disc into " + engine.SelectedDevice + " (waiting up to " +
                   std::to_string(kBlankDiscWaitMs / 60000) + " minutes; Ctrl-C cancels)");
    if (platform::StdoutIsTerminal()) console.Notice("The copy starts as soon as the drive reports a blank disc.");
    auto& clock = platform::Clock();
    const uint64_t start = clock.NowMs();
    bool told = false;
    while (clock.NowMs() - start < kBlankDiscWaitMs) {
        if (platform::InterruptRequested()) return false;
        if (engine.TestUnitReady(10000) && engine.UpdateDiscInformation()) {
            if (engine.LastDiscInformation().Blank()) return true;
            if (!told) console.Notice("The disc in " + engine.SelectedDevice + " is not blank: insert a blank disc");
            told = true;
        } else {
            told = false; // no disc now: the next one that is not blank is named again
        }
        // In short steps, so that Ctrl-C is seen at once.
        for (uint32_t slept = 0; slept < kBlankDiscPollMs && !platform::InterruptRequested(); slept += kInterruptPollMs)
            clock.SleepMs(kInterruptPollMs);
    }
    return false;
}

int RunCopy(const TReadOptions& o) {
    namespace fs = std::filesystem;
    TConsole console;
    console.Quiet = o.Quiet;
    if (!SettingsFileFound(o.SettingsFile, console)) return ExitUsage;
    TVornBurner engine;
    ApplyReadOptions(engine, console, o);
    AttachConsole(engine, console);
    std::error_code ec;
    const fs::path folder = o.TempFolder.empty() ? fs::temp_directory_path(ec) : fs::path(o.TempFolder);
    const fs::path temp = folder / ("tarnwick-copy-" + std::to_string(std::chrono::system_clock::now().time_since_epoch().count()) + ".iso");
    auto kept = [&](int code) {
        // A read that failed leaves its partial under the name the read job gives it.
        for (const fs::path& image : {temp, fs::path(temp.string() + ".incomplete")})
            if (fs::exists(image, ec)) console.Error("the image read so far is kept at " + image.string());
        return code;
    };
    if (!SelectDrive(engine, console, o.Drive)) return ExitSetupFailed;
    if (FolderDisc(engine, console)) return ExitSourceUnreadable;
    const std::string source = engine.SelectedDevice;
    platform::CatchInterrupts();
    const int read = ReadInto(engine, console, temp.string());
    if (read != ExitOk && read != ExitSkippedSectors) return kept(read);

    const auto recorder = FindDevice(engine.DeviceList(), o.Recorder);
    if (!recorder) {
        console.Error("no CD/DVD drive \"" + o.Recorder + "\" (see tarnwick-cli devices)");
        return kept(ExitSetupFailed);
    }
    if (*recorder == source) {
        if (!WaitForBlankDisc(engine, console)) {
            console.Error("no blank disc was inserted");
            return kept(platform::InterruptRequested() ? ExitAborted : ExitJobFailed);
        }
    } else {
        engine.SelectDevice(*recorder);
        if (engine.HaId == 254) {
            console.Error("cannot select \"" + *recorder + "\"");
            return kept(ExitSetupFailed);
        }
        console.Message(">>> SELECTING " + engine.SelectedDevice);
    }
    const int burned = RunJob(engine, console, [&] { engine.BurnImageFile(temp.string()); });
    Settle(engine);
    engine.SynchronizeCache(300000, false);
    engine.PreventAllowRemoval(true);
    engine.LoadEject(true);
    if (burned != ExitOk) return kept(burned);
    fs::remove(temp, ec);
    return read;
}

void AddCommon(CLI::App& sub, TReadOptions& o) {
    sub.add_option("--settings", o.SettingsFile,
                   std::string("Settings file: a bare name is looked up like ") + app::kSettingsFileName +
                       ", a path is read as it is");
    sub.add_flag("-q,--quiet", o.Quiet, "No progress and no information lines (warnings and errors stay)");
}

void AddReading(CLI::App& sub, TReadOptions& o) {
    sub.add_flag("--skip-unreadable", o.SkipUnreadable,
                 "Write sectors that stay unreadable as zeros (logged; exit code 7) instead of stopping");
    sub.add_option("--retries", o.Retries, "Further tries of a failed READ before sector-by-sector reading (3)");
}

[[maybe_unused]] const bool kRead =
    RegisterCommand("read", "Copy the disc in a drive 1:1 into an image file", [](CLI::App& sub) {
        auto o = std::make_shared<TReadOptions>();
        sub.add_option("DRIVE", o->Drive, "Drive: a device string as 'devices' lists it, a letter, or /dev/srN")
            ->required();
        sub.add_option("OUTPUT", o->Output, "Image file to write")->required();
        AddReading(sub, *o);
        AddCommon(sub, *o);
        return [o] { return RunRead(*o); };
    });

[[maybe_unused]] const bool kVerify =
    RegisterCommand("verify", "Compare an image file with the disc in a drive", [](CLI::App& sub) {
        auto o = std::make_shared<TReadOptions>();
        sub.add_option("IMAGE", o->Image, "ISO image file")->required();
        sub.add_option("-d,--device", o->Drive, "Drive holding the disc")->required();
        AddCommon(sub, *o);
        return [o] { return RunVerify(*o); };
    });

[[maybe_unused]] const bool kCopy =
    RegisterCommand("copy", "Copy a disc onto a blank disc through a temporary image", [](CLI::App& sub) {
        auto o = std::make_shared<TReadOptions>();
        sub.add_option("SOURCE", o->Drive, "Drive holding the disc to copy")->required();
        sub.add_option("-d,--device", o->Recorder, "Recorder (may be the source drive itself)")->required();
        sub.add_flag("--verify", o->Verify, "Compare the new disc with the image after the burn");
        sub.add_option("--temp-folder", o->TempFolder, "Folder for the temporary image (the system's by default)");
        AddReading(sub, *o);
        AddCommon(sub, *o);
        return [o] { return RunCopy(*o); };
    });

} // namespace

} // namespace tarnwick::cli

// tarnwick-cli image [options] SOURCE OUTPUT.iso
// SOURCE is a folder (its contents become the image's root) or a drive letter ("E:", the
// disc in that drive, copied the way the main window copies a drive).
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>

#include "app/common/DriveLetters.h"
#include "app/common/JobSteps.h"
#include "app/common/Settings.h"
#include "app/common/UdfChoice.h"
#include "app/common/SourceDateEpoch.h"
#include "cli/Command.h"
#include "cli/DeviceLookup.h"
#include "cli/DriveReport.h"
#include "cli/JobRunner.h"
#include "engine/write/DiscProtection.h"
#include "platform/Console.h"
#include "engine/write/VornBurner.h"
#include "platform/Drives.h"
#include "platform/Files.h"

namespace tarnwick::cli {

namespace {

struct TImageOptions {
    std::string Source;
    std::string Output;
    bool NoJoliet = false;
    bool Udf = false, NoUdf = false;
    bool Quiet = false;
    std::optional<int32_t> CacheSize;
    std::optional<std::string> VolumeId, SystemId, VolumeSetId, PublisherId, PreparerId, ApplicationId;
    std::optional<std::string> CopyrightFile, AbstractFile, BibliographicFile;
};

// Paths are UTF-8 text; a std::filesystem::path made from a plain string would take it in the
// system's narrow code page on Windows.
std::filesystem::path Utf8Path(const std::string& text) { return std::u8string(text.begin(), text.end()); }

std::string Utf8Text(const std::filesystem::path& path) {
    const std::u8string u = path.u8string();
    return std::string(u.begin(), u.end());
}

// A source that cannot be listed at all would give an empty image that looks like success.
bool CanList(const std::string& text, std::string& why) {
    std::error_code ec;
    const auto folder = Utf8Path(text);
    if (!std::filesystem::is_directory(folder, ec)) {
        why = ec ? ec.message() : "not a folder";
        return false;
    }
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) {
        why = ec.message();
        return false;
    }
    return true;
}

void ApplyIdentifiers(TVornBurner& engine, const TImageOptions& o) {
    if (o.NoJoliet) engine.SetJolietFileSystem(false);
    if (o.CacheSize) engine.SetCacheSize(*o.CacheSize);
    if (o.VolumeId) engine.SetIdVolume(*o.VolumeId);
    if (o.SystemId) engine.SetIdSystem(*o.SystemId);
    if (o.VolumeSetId) engine.SetIdVolumeSet(*o.VolumeSetId);
    if (o.PublisherId) engine.SetIdPublisher(*o.PublisherId);
    if (o.PreparerId) engine.SetIdPreparer(*o.PreparerId);
    if (o.ApplicationId) engine.SetIdApplication(*o.ApplicationId);
    if (o.CopyrightFile) engine.SetFileCopyright(*o.CopyrightFile);
    if (o.AbstractFile) engine.SetFileAbstract(*o.AbstractFile);
    if (o.BibliographicFile) engine.SetFileBibliographic(*o.BibliographicFile);
}

// Where SOURCE is read from, what is listed to check it, and whether it goes under the root.
struct TImageSource {
    std::string Path, Listed;
    bool AppendSourcePath = false;
    char Letter = 0; // the drive named, if any
};

// The drive behind a drive letter holds a DVD that cannot be copied (encrypted, region-locked):
// its reason, found before any file is read; empty otherwise, or when the letter is no drive
// the engine reaches.
std::string ProtectedSource(TVornBurner& engine, char letter) {
    if (!engine.ASPIInitialized() && !engine.InitializeASPI(true, "")) return {};
    const auto device = FindDevice(engine.DeviceList(), std::string(1, letter));
    if (!device) return {};
    engine.SelectDevice(*device);
    return ProtectedDiscRefusal(engine, engine.GetDiscType());
}

// False (the reason printed) when SOURCE names a drive without a readable root.
bool ResolveSource(const std::string& source, TConsole& console, TImageSource& out) {
    // "E:", "E:\" or "E:/" name a drive; anything else is a folder.
    if (auto letter = app::ParseDriveName(source, {.Separator = true})) {
        out.Listed = platform::DriveRootFolder(*letter);
        if (out.Listed.empty()) {
            console.Error(DriveRootProblem(*letter));
            return false;
        }
        // The main window's drive copy: the drive's root under the image's root.
        out.Path = std::string(1, *letter) + ":\\";
        out.Letter = *letter;
        out.AppendSourcePath = true;
        return true;
    }
    std::error_code ec;
    auto abs = std::filesystem::absolute(Utf8Path(source), ec);
    out.Path = ec ? source : Utf8Text(abs.lexically_normal());
    // A trailing '\\' is part of a Linux folder's name, not a delimiter.
    while (out.Path.size() > 1 && (out.Path.back() == '/' || out.Path.back() == platform::PathDelim))
        out.Path.pop_back();
    out.Listed = out.Path;
    out.AppendSourcePath = false; // the folder's contents, not the folder, go to the root
    return true;
}

int RunImage(const TImageOptions& o) {
    TConsole console;
    console.Quiet = o.Quiet;
    // The image goes to standard output: no log line may go there with it.
    if (platform::IsStandardOutput(o.Output)) console.LogToStandardError();
    TVornBurner engine;
    app::TSettingsWarnings settingsWarnings = app::ReadSettings(engine);
    for (const auto& w : settingsWarnings) console.Error("warning: " + w);
    std::string dateError;
    if (!app::ApplySourceDateEpoch(engine, dateError)) {
        console.Error(dateError);
        return ExitSetupFailed;
    }
    ApplyIdentifiers(engine, o);

    TImageSource source;
    if (!ResolveSource(o.Source, console, source)) return ExitSourceUnreadable;
    std::string why;
    if (!CanList(source.Listed, why)) {
        console.Error("cannot read source \"" + o.Source + "\": " + why);
        return ExitSourceUnreadable;
    }

    if (source.Letter) {
        if (const std::string refusal = ProtectedSource(engine, source.Letter); !refusal.empty()) {
            console.Error(refusal);
            return ExitJobFailed;
        }
    }

    AttachConsole(engine, console);
    // Entries the listing has to leave out (unreadable folders, special files) are named.
    auto previousHook = platform::SetListingWarningHook(
        [&console](const std::string& warning) { console.Notice("warning: " + warning); });
    const app::TCompiled compiled = app::CompileSource(engine, source.Path, source.AppendSourcePath, [&](bool added) {
        platform::SetListingWarningHook(previousHook);
        if (!added) return false;
        app::TSettingsWarnings udfWarnings;
        std::optional<bool> udf = app::ReadUdfSetting(app::kSettingsFileName, &udfWarnings);
        for (const auto& w : udfWarnings) console.Error("warning: " + w);
        if (o.Udf) udf = true;
        if (o.NoUdf) udf = false;
        const std::string udfLine = app::ApplyUdfChoice(engine, udf);
        if (!udfLine.empty()) console.Message(udfLine);
        return true;
    });
    if (compiled != app::TCompiled::Ready) {
        platform::SetListingWarningHook(previousHook);
        console.Error("cannot add source \"" + o.Source + "\"");
        return ExitSourceUnreadable;
    }
    const int code = RunJob(engine, console, [&] { engine.CreateImageFile(o.Output); });
    if (code == ExitOk || code == ExitEntriesChanged) console.Message("Image: " + o.Output);
    // Scripts must notice an image that does not hold every source entry as it is.
    if (code == ExitEntriesChanged) {
        console.Notice("Entries left out or renamed: " + std::to_string(engine.EntryNotes().size()));
        for (const std::string& note : engine.EntryNotes()) console.Notice("  " + note);
    }
    return code;
}

[[maybe_unused]] const bool kRegistered = RegisterCommand(
    "image", "Write a folder or a drive's disc to an ISO 9660 + Joliet image file", [](CLI::App& sub) {
        auto o = std::make_shared<TImageOptions>();
        sub.add_option("SOURCE", o->Source, "Folder, or drive letter such as E:")->required();
        sub.add_option("OUTPUT", o->Output, "Image file to create (replaced when it exists)")->required();
        sub.add_flag("--no-joliet", o->NoJoliet, "Leave out the Joliet tree of long names");
        auto* udf = sub.add_flag("--udf", o->Udf, "Add a UDF 1.02 bridge (automatic for a VIDEO_TS folder)");
        sub.add_flag("--no-udf", o->NoUdf, "No UDF bridge and no DVD-Video layout")->excludes(udf);
        sub.add_option("--cache-size", o->CacheSize,
                       "Read-ahead cache in bytes (at least 2097152, rounded down to 2048)")
            ->check(CLI::Range(kMinimumCacheSize, std::numeric_limits<int32_t>::max()));
        sub.add_option("--volume-id", o->VolumeId, "Volume identifier");
        sub.add_option("--system-id", o->SystemId, "System identifier");
        sub.add_option("--volume-set-id", o->VolumeSetId, "Volume set identifier");
        sub.add_option("--publisher", o->PublisherId, "Publisher identifier");
        sub.add_option("--preparer", o->PreparerId, "Data preparer identifier");
        sub.add_option("--application-id", o->ApplicationId, "Application identifier");
        sub.add_option("--copyright-file", o->CopyrightFile, "Copyright file identifier");
        sub.add_option("--abstract-file", o->AbstractFile, "Abstract file identifier");
        sub.add_option("--bibliographic-file", o->BibliographicFile, "Bibliographic file identifier");
        sub.add_flag("-q,--quiet", o->Quiet, "No progress and no information lines (warnings and errors stay)");
        return [o] { return RunImage(*o); };
    });

} // namespace

} // namespace tarnwick::cli

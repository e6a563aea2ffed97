// tarnwick-cli: the engine's jobs from the command line.
#include <algorithm>
#include <cctype>
#include <iostream>
#include <map>

#include "app/common/Version.h"
#include "cli/Command.h"
#include "cli/VirtualOption.h"
#include "platform/Console.h"
#include "platform/Threads.h"

namespace tarnwick::cli {

namespace {
std::vector<TCommandInfo>& Registry() {
    static std::vector<TCommandInfo> commands;
    return commands;
}
} // namespace

bool RegisterCommand(const std::string& name, const std::string& description, TCommandSetup setup) {
    Registry().push_back({name, description, std::move(setup)});
    return true;
}

const std::vector<TCommandInfo>& Commands() { return Registry(); }

} // namespace tarnwick::cli

int main(int argc, char** argv) {
    using namespace tarnwick::cli;
    platform::SetMainThread();
    platform::IgnoreFileSizeSignal();

    CLI::App app{"Tarnwick: ISO 9660 + Joliet images from folders and discs, and disc burning."};
    // Named, so the usage lines read "Usage: tarnwick-cli [OPTIONS] SUBCOMMAND".
    app.name("tarnwick-cli");
    app.set_version_flag("--version", std::string("tarnwick-cli ") + tarnwick::app::ProgramVersion(),
                         "Print the version and exit");
    app.footer(kExitCodesHelp);
    app.require_subcommand(1);
    std::vector<std::string> virtualDrives;
    app.add_option("--virtual", virtualDrives,
                   "Put an emulated drive at a drive letter for this run: LETTER=KIND[+OPTION...][:BACKING] (repeatable)")
        ->type_name("LETTER=KIND[+OPTION...][:BACKING]");

    std::map<CLI::App*, std::function<int()>> runners;
    auto commands = Commands();
    std::sort(commands.begin(), commands.end(), [](auto& a, auto& b) { return a.Name < b.Name; });
    for (auto& c : commands) {
        CLI::App* sub = app.add_subcommand(c.Name, c.Description);
        sub->footer(kExitCodesHelp);
        // Global options such as --virtual may also follow the subcommand's name.
        sub->fallthrough();
        runners[sub] = c.Setup(*sub);
    }

    try {
        // In UTF-8 on every system; CLI11 takes them in reverse order, without the program name.
        const auto args = platform::CommandLineArguments(argc, argv);
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        if (!reversed.empty()) reversed.pop_back();
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? ExitOk : ExitUsage;
    }

    // A letter given twice would silently replace the first drive.
    std::string letters;
    for (const auto& drive : virtualDrives) {
        if (drive.size() < 2 || drive[1] != '=') continue;
        const char letter = char(std::toupper(static_cast<unsigned char>(drive[0])));
        if (letters.find(letter) != std::string::npos) {
            std::cerr << "tarnwick-cli: --virtual: drive letter " << letter << " is given twice\n";
            return ExitUsage;
        }
        letters += letter;
    }
    for (const auto& drive : virtualDrives) {
        std::string error;
        if (!ApplyVirtualOption(drive, error)) {
            std::cerr << "tarnwick-cli: " << error << "\n";
            return ExitSetupFailed;
        }
    }
    for (auto& [sub, run] : runners)
        if (sub->parsed()) return run();
    return ExitUsage;
}

#pragma once
// The subcommands of tarnwick-cli. Each lives in its own file and registers itself with
// RegisterCommand at start-up; Main.cpp adds every registered one to the parser.
#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

#include "cli/ExitCodes.h"

namespace tarnwick::cli {

inline constexpr const char* kExitCodesHelp =
    "Exit codes: 0 ok, 1 job failed, 2 usage error, 3 source missing or unreadable, "
    "4 setup failed, 5 aborted by the user, 6 verify found a difference, "
    "7 read with unreadable sectors written as zeros, "
    "8 image written, but entries were left out or renamed.";

// The smallest --cache-size (the engine's queue needs this much to keep a drive fed).
inline constexpr int32_t kMinimumCacheSize = 2097152;

// Adds the command's options to sub; returns what runs it once the command line is parsed.
using TCommandSetup = std::function<std::function<int()>(CLI::App& sub)>;

struct TCommandInfo {
    std::string Name;
    std::string Description;
    TCommandSetup Setup;
};

// Used as `const bool registered = RegisterCommand(...)` at namespace scope.
bool RegisterCommand(const std::string& name, const std::string& description, TCommandSetup setup);
const std::vector<TCommandInfo>& Commands();

} // namespace tarnwick::cli

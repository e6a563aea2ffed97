#pragma once
// The global option --virtual LETTER=KIND[+OPTION...][:BACKING] (repeatable) puts an emulated drive at a
// drive letter for the length of the run. Its handler comes with the emulator side of the
// program: that code installs it with SetVirtualOptionHandler (at start-up, through a
// namespace-scope initialiser). Without a handler the option is refused.
#include <functional>
#include <string>

namespace tarnwick::cli {

// Returns false and sets error when the drive cannot be set up.
using TVirtualOptionHandler = std::function<bool(const std::string& definition, std::string& error)>;

void SetVirtualOptionHandler(TVirtualOptionHandler handler);
bool ApplyVirtualOption(const std::string& definition, std::string& error);

} // namespace tarnwick::cli

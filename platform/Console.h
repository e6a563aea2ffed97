#pragma once
// What a command-line front end needs of its console: whether output goes to a terminal, an
// interrupt (Ctrl-C, SIGTERM, SIGHUP) turned into a flag to poll, and file-size-limit signals turned
// into ordinary write errors.
#include <string>
#include <vector>

namespace platform {

// The program's arguments in UTF-8, the program's name first. Windows hands main() its
// arguments in the ANSI code page, which cannot hold every file name; they are taken from the
// wide command line instead. Elsewhere they are argv as it is.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

bool StdoutIsTerminal();
bool StderrIsTerminal();
// True when the file at path is the process's standard output (/dev/stdout, /dev/fd/1, or the
// file standard output was sent to), so that nothing else is written there.
bool IsStandardOutput(const std::string& path);
// After this, an interrupt sets a flag instead of ending the process; a second one ends it.
void CatchInterrupts();
bool InterruptRequested();
// A write past the process's file-size limit then fails with an error instead of killing
// the process (Linux: SIGXFSZ ignored; nothing to do on Windows).
void IgnoreFileSizeSignal();

} // namespace platform

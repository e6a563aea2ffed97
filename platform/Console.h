#pragma once
// What a command-line front end needs of its console: whether output goes to a terminal, an
// interrupt (Ctrl-C, SIGTERM) turned into a flag to poll, and file-size-limit signals turned
// into ordinary write errors.
namespace platform {

bool StdoutIsTerminal();
// After this, an interrupt sets a flag instead of ending the process; a second one ends it.
void CatchInterrupts();
bool InterruptRequested();
// A write past the process's file-size limit then fails with an error instead of killing
// the process (Linux: SIGXFSZ ignored; nothing to do on Windows).
void IgnoreFileSizeSignal();

} // namespace platform

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <io.h>

#include "platform/Console.h"
#include "platform/win32/Win32.h"
#include <shellapi.h>

namespace platform {

namespace {
std::atomic<int> Interrupts{0};

BOOL WINAPI OnConsoleEvent(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    return Interrupts.fetch_add(1) == 0 ? TRUE : FALSE;
}
} // namespace

bool StdoutIsTerminal() { return _isatty(_fileno(stdout)) != 0; }
bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

bool IsStandardOutput(const std::string& path) {
    // The console's own names; a file that standard output was sent to is not looked for.
    return path == "CON" || path == "CONOUT$";
}

void CatchInterrupts() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool InterruptRequested() { return Interrupts.load() > 0; }

void IgnoreFileSizeSignal() {}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int n = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!wide) return {argv, argv + argc};
    std::vector<std::string> args;
    for (int i = 0; i < n; ++i) args.push_back(win32::Narrow(wide[i]));
    LocalFree(wide);
    return args;
}

} // namespace platform

#pragma once
// Runs an external command through the shell and collects its exit code and output, for
// tests that check images with independent tools and that drive tarnwick-cli.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace testsupport {

struct TToolRun {
    int Code = -1; // exit status, or 128 + signal
    std::string Output; // standard output and standard error together
};

inline TToolRun RunTool(const std::string& command) {
    TToolRun r;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    std::array<char, 65536> buf{};
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.Output.append(buf.data(), n);
    const int status = pclose(p);
    r.Code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    return r;
}

inline bool HaveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Single-quotes a path for the shell.
inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string CliPath() { return std::string(TARNWICK_BINARY_DIR) + "/cli/tarnwick-cli"; }

} // namespace testsupport

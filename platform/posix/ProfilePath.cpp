#include <cstdlib>
#include <vector>

#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/Shell.h"

namespace platform {

std::string ProfilePath(const std::string& fileName) {
    if (fileName.empty()) return {};
    if (fileName.find('/') != std::string::npos) return FileExists(fileName) ? fileName : std::string();
    std::vector<std::string> folders;
    auto env = [](const char* name) -> std::string {
        const char* v = std::getenv(name);
        return v && *v ? v : "";
    };
    if (auto d = env("TARNWICK_CONFIG_DIR"); !d.empty()) folders.push_back(d);
    if (auto x = env("XDG_CONFIG_HOME"); !x.empty())
        folders.push_back(x + "/tarnwick");
    else if (auto h = env("HOME"); !h.empty())
        folders.push_back(h + "/.config/tarnwick");
    if (auto p = ProgramFolder(); !p.empty()) folders.push_back(p);
    folders.push_back("/etc/tarnwick");
    for (const auto& f : folders) {
        std::string path = f + "/" + fileName;
        if (FileExists(path)) return path;
    }
    return {};
}

} // namespace platform

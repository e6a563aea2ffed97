#include "platform/Folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    // A session started without HOME (a service, sudo -H): the account's own entry.
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir && *entry->pw_dir) return entry->pw_dir;
    return {};
}

std::string SystemTempFolder() {
    std::string folder = "/tmp";
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) folder = tmp;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

} // namespace platform

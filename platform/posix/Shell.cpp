// Beep, opening a web address and the program's folder on Linux.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <mutex>

#include "platform/Shell.h"

namespace platform {

void os::SystemBeep(unsigned) {
    // Only a terminal turns BEL into a sound; into a log file it would be noise.
    if (isatty(STDERR_FILENO)) {
        ssize_t r = write(STDERR_FILENO, "\a", 1);
        (void)r;
    }
}

void os::SystemOpenURL(const std::string& url) {
    // Double fork: the grandchild runs xdg-open detached and is adopted by init, so the caller
    // only waits for the intermediate child, which exits at once.
    pid_t child = fork();
    if (child < 0) return;
    if (child == 0) {
        setsid();
        pid_t grandchild = fork();
        if (grandchild == 0) {
            int null = open("/dev/null", O_RDWR);
            if (null >= 0) {
                dup2(null, STDIN_FILENO);
                dup2(null, STDOUT_FILENO);
                dup2(null, STDERR_FILENO);
            }
            execlp("xdg-open", "xdg-open", url.c_str(), static_cast<char*>(nullptr));
            _exit(127); // xdg-open missing: nothing to do
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

std::string ProgramFolder() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, size_t(n));
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

} // namespace platform

// Beep, opening a web address and the program's folder on Linux.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <mutex>

#include "platform/Shell.h"

namespace platform {

namespace {
struct TShellHooks {
    std::mutex Mutex;
    std::function<void(unsigned)> Beep;
    std::function<void(const std::string&)> OpenURL;
};
TShellHooks& Hooks() {
    static TShellHooks h;
    return h;
}
} // namespace

void SetBeepHook(std::function<void(unsigned)> hook) {
    std::lock_guard lock(Hooks().Mutex);
    Hooks().Beep = std::move(hook);
}

void SetOpenURLHook(std::function<void(const std::string&)> hook) {
    std::lock_guard lock(Hooks().Mutex);
    Hooks().OpenURL = std::move(hook);
}

void MessageBeep(unsigned type) {
    std::function<void(unsigned)> hook;
    {
        std::lock_guard lock(Hooks().Mutex);
        hook = Hooks().Beep;
    }
    if (hook) {
        hook(type);
        return;
    }
    // Only a terminal turns BEL into a sound; into a log file it would be noise.
    if (isatty(STDERR_FILENO)) {
        ssize_t r = write(STDERR_FILENO, "\a", 1);
        (void)r;
    }
}

void OpenURL(const std::string& url) {
    std::function<void(const std::string&)> hook;
    {
        std::lock_guard lock(Hooks().Mutex);
        hook = Hooks().OpenURL;
    }
    if (hook) {
        hook(url);
        return;
    }
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

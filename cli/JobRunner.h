#pragma once
// Runs one engine job from the command line: prints the engine's messages, shows progress,
// turns Ctrl-C into AbortWrite, runs the main-thread queue until the job has ended, and maps
// the outcome to an exit code.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

namespace tarnwick {
class TVornBurner;
}

namespace tarnwick::cli {

// Console output shared by the messages (from any thread) and the progress line.
class TConsole {
public:
    TConsole();
    // An information line: left out with -q.
    void Message(const std::string& text);
    // A line that stays with -q: a warning, a request to the user, a result to act on.
    void Notice(const std::string& text);
    void Error(const std::string& text);
    // The log and the progress go to standard error: standard output carries the image.
    void LogToStandardError();
    // Updates the progress display (a line rewritten in place on a terminal, a plain line
    // every few seconds otherwise).
    void ProgressLine(const std::string& text, double seconds);
    void EndProgress();
    bool Quiet = false;

private:
    void ClearLine();
    void Line(const std::string& text);
    std::mutex Mutex;
    std::FILE* Out = stdout;
    bool Terminal;
    bool LineShown = false;
    double LastPlain = -1;
};

// Prints the engine's messages through console for the life of the job: information (type 1)
// as Message, errors and warnings as Notice.
void AttachConsole(TVornBurner& engine, TConsole& console);

// Makes the progress text from the seconds since the start (in place of the image line).
using TProgressText = std::function<std::string(double seconds)>;

// start() begins the job (CreateImageFile, BurnImageFile, ...). Returns the exit code of the
// job's result (ExitCodeOf its kind).
int RunJob(TVornBurner& engine, TConsole& console, const std::function<void()>& start,
           const TProgressText& progressText = nullptr);

} // namespace tarnwick::cli

#include "cli/JobRunner.h"

#include "app/common/ProgressText.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

#include "cli/Command.h"
#include "engine/write/VornBurner.h"
#include "platform/Console.h"
#include "platform/Threads.h"

namespace tarnwick::cli {

namespace {
// Plain progress lines (output not a terminal) come this often.
constexpr double kPlainProgressSeconds = 5.0;
} // namespace

TConsole::TConsole() : Terminal(platform::StdoutIsTerminal()) {}

void TConsole::LogToStandardError() {
    std::lock_guard lock(Mutex);
    Out = stderr;
    Terminal = platform::StderrIsTerminal();
}

void TConsole::ClearLine() {
    if (!LineShown) return;
    std::fputs("\r\033[K", Out);
    LineShown = false;
}

void TConsole::Line(const std::string& text) {
    std::lock_guard lock(Mutex);
    ClearLine();
    std::fputs(text.c_str(), Out);
    std::fputc('\n', Out);
    std::fflush(Out);
}

void TConsole::Message(const std::string& text) {
    if (!Quiet) Line(text);
}

void TConsole::Notice(const std::string& text) { Line(text); }

void TConsole::Error(const std::string& text) {
    std::lock_guard lock(Mutex);
    ClearLine();
    std::fflush(Out);
    std::fprintf(stderr, "tarnwick-cli: %s\n", text.c_str());
}

void TConsole::ProgressLine(const std::string& text, double seconds) {
    if (Quiet) return;
    std::lock_guard lock(Mutex);
    if (Terminal) {
        std::fputs(("\r\033[K" + text).c_str(), Out);
        LineShown = true;
    } else {
        if (LastPlain >= 0 && seconds - LastPlain < kPlainProgressSeconds) return;
        LastPlain = seconds;
        std::fputs((text + "\n").c_str(), Out);
    }
    std::fflush(Out);
}

void TConsole::EndProgress() {
    std::lock_guard lock(Mutex);
    ClearLine();
    std::fflush(Out);
}

void AttachConsole(TVornBurner& engine, TConsole& console) {
    engine.OnDebugMessage = [&console](TComponent*, const std::string& message, uint8_t type) {
        if (type == 1)
            console.Message(message);
        else
            console.Notice(message);
    };
}

namespace {

// Turns an interrupt into one AbortWrite as soon as it comes, also while the main thread is
// held inside a job entry (the cache fill, a disc that is measured first).
class TInterruptWatch {
public:
    explicit TInterruptWatch(TVornBurner& engine)
        : Thread([this, &engine] {
              while (!Over) {
                  Send(engine);
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              }
          }) {}
    ~TInterruptWatch() {
        Over = true;
        Thread.join();
    }
    // The one abort of an interrupt (a second would end the grace of a disc's closing).
    void Send(TVornBurner& engine) {
        if (platform::InterruptRequested() && !Sent.exchange(true)) engine.AbortWrite();
    }

private:
    std::atomic<bool> Over{false};
    std::atomic<bool> Sent{false};
    std::thread Thread;
};

} // namespace

int RunJob(TVornBurner& engine, TConsole& console, const std::function<void()>& start,
           const TProgressText& progressText) {
    std::string error;
    bool ended = false;
    engine.OnWriteDone = [&](TComponent*, const std::string& e) {
        error = e;
        ended = true;
    };
    platform::CatchInterrupts();
    TInterruptWatch watch(engine);
    const auto t0 = std::chrono::steady_clock::now();
    start();
    // An interrupt that came while the entry cleared the previous job's aborts.
    if (platform::InterruptRequested() && engine.JobRunning() && !engine.Job().AbortFlag) {
        engine.AbortWrite();
    }
    const int64_t total = engine.GetTrackSectors() * kSectorSize;
    while (!ended) {
        platform::CheckSynchronize(100);
        if (ended) break;
        watch.Send(engine);
        if (!engine.JobRunning()) {
            // Ended without a report reaching us (a refused start): one last look.
            platform::CheckSynchronize(0);
            if (!ended) {
                error = "the job did not start";
                break;
            }
            break;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::string text = progressText ? progressText(seconds) : progress::ImageLine(engine.BytesWritten(), total, seconds);
        // A drive that keeps the job waiting is named, so a long wait never looks frozen.
        const std::string waiting = engine.Job().WaitStatus.Get();
        if (!waiting.empty()) text += "  " + waiting;
        console.ProgressLine(text, seconds);
    }
    console.EndProgress();
    engine.OnWriteDone = nullptr;
    // The engine's result of the job that reported; a job that never reported failed here.
    const TJobResult result = ended ? engine.LastJobResult() : TJobResult{TJobResultKind::Failed, error};
    if (result.Completed()) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        console.Message("Done: " + std::to_string(engine.BytesWritten()) + " bytes in " +
                        std::to_string(int64_t(seconds * 1000)) + " ms");
    } else {
        console.Error(result.Text);
    }
    return ExitCodeOf(result.Kind);
}

} // namespace tarnwick::cli

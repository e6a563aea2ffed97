#include "cli/JobRunner.h"

#include "app/common/ProgressText.h"

#include <chrono>
#include <cstdio>
#include <iostream>

#include "cli/Command.h"
#include "engine/device/Messages.h"
#include "engine/write/VornBurner.h"
#include "platform/Console.h"
#include "platform/Threads.h"

namespace tarnwick::cli {

namespace {
// Plain progress lines (output not a terminal) come this often.
constexpr double kPlainProgressSeconds = 5.0;
} // namespace

TConsole::TConsole() : Terminal(platform::StdoutIsTerminal()) {}

void TConsole::ClearLine() {
    if (!LineShown) return;
    std::fputs("\r\033[K", stdout);
    LineShown = false;
}

void TConsole::Message(const std::string& text) {
    std::lock_guard lock(Mutex);
    ClearLine();
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void TConsole::Error(const std::string& text) {
    std::lock_guard lock(Mutex);
    ClearLine();
    std::fflush(stdout);
    std::fprintf(stderr, "tarnwick-cli: %s\n", text.c_str());
}

void TConsole::ProgressLine(const std::string& text, double seconds) {
    if (Quiet) return;
    std::lock_guard lock(Mutex);
    if (Terminal) {
        std::fputs(("\r\033[K" + text).c_str(), stdout);
        LineShown = true;
    } else {
        if (LastPlain >= 0 && seconds - LastPlain < kPlainProgressSeconds) return;
        LastPlain = seconds;
        std::fputs((text + "\n").c_str(), stdout);
    }
    std::fflush(stdout);
}

void TConsole::EndProgress() {
    std::lock_guard lock(Mutex);
    ClearLine();
    std::fflush(stdout);
}

void AttachConsole(TVornBurner& engine, TConsole& console) {
    engine.OnDebugMessage = [&console](TComponent*, const std::string& message, uint8_t) {
        console.Message(message);
    };
}

int RunJob(TVornBurner& engine, TConsole& console, const std::function<void()>& start,
           const TProgressText& progressText) {
    std::string error;
    bool ended = false;
    engine.OnWriteDone = [&](TComponent*, const std::string& e) {
        error = e;
        ended = true;
    };
    platform::CatchInterrupts();
    const auto t0 = std::chrono::steady_clock::now();
    start();
    const int64_t total = engine.GetTrackSectors() * kSectorSize;
    bool abortSent = false;
    while (!ended) {
        platform::CheckSynchronize(100);
        if (ended) break;
        if (platform::InterruptRequested() && !abortSent) {
            engine.AbortWrite();
            abortSent = true;
        }
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
    if (error.empty()) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        console.Message("Done: " + std::to_string(engine.BytesWritten()) + " bytes in " +
                        std::to_string(int64_t(seconds * 1000)) + " ms");
        return ExitOk;
    }
    console.Error(error);
    if (abortSent && error == msg::OperationAborted) return ExitAborted;
    if (error.rfind("VERIFY FAILED", 0) == 0) return ExitVerifyMismatch;
    return ExitJobFailed;
}

} // namespace tarnwick::cli

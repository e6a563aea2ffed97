#pragma once
// TForm1: the main window's logic. Owns the engine `vorn`, reads the settings into it, shows
// its messages in the log, fills the drive lists, starts the two copy jobs and reacts to their
// end. Every handler runs on the main thread; the controls are reached through IMainView.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "app/form/MainView.h"
#include "app/form/Unit2.h"
#include "app/common/Settings.h"
#include "engine/write/VornBurner.h"

namespace tarnwick::app {

class TForm1 {
public:
    static constexpr const char* kCaption = "Tarnwick";
    static constexpr const char* kDesignGroupCaption = "Version 1.0";
    static constexpr const char* kImageFileItem = "DVD Image File";
    // The designed destination; where paths have no drive letters the form shows another
    // (ReadWindowPaths).
    static constexpr const char* kDefaultImageFile = kDesignImageFile;
    static constexpr const char* kStartNotice = "Copying started. You have a time to try other software";
    static constexpr const char* kAspiError = "Error initializing ASPI Layer, Please visit support: ";
    // Asked before a burn onto a CD-RW or DVD-RW that holds data.
    static constexpr const char* kEraseQuestion =
        "The disc in the recorder is not blank. Erase it first? Everything on it will be lost.";
    static constexpr int kTimer1Interval = 10000;
    static constexpr int kStatusInterval = 500;
    // How long closing the window waits for an aborted job to end.
    static constexpr uint32_t kCloseWaitMs = 60000;

    TForm1(IMainView& view, TForm2& about);
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    std::unique_ptr<TVornBurner> vorn;

    // ---- Handlers -------------------------------------------------------------------------
    void FormShow();
    void vornDebugMessage(TComponent* Sender, const std::string& Message, uint8_t mType);
    void cbSourceCloseUp();
    void cbDestinationCloseUp();
    void Image3Click();
    void bAbortClick();
    void Timer1Timer();
    void vornWriteDone(TComponent* Sender, const std::string& Error);
    void FormClose();
    void zkSkinButton1Click(); // Exit
    void zkSkinButton2Click(); // About
    void zkSkinButton3Click(); // More Settings

    // Appends, in order of arrival, the log lines that arrived on other threads.
    void DrainLog();
    // The status-line timer: bytes written of the total, MB/s, the drive's buffer fill.
    void StatusTimerTick();

    // From the start click until the end handling of the job is done, and while the engine's
    // threads of the previous job have not ended.
    bool JobRunning() const { return FJobRunning || vorn->JobRunning(); }
    // The erase that comes before a burn onto a used rewritable disc is running.
    bool Erasing() const { return FErasing; }
    // The open dialog's file name: the image file of a burn job.
    const std::string& OpenDialogFileName() const { return FOpenDialogFileName; }

    // Where "ver.ini" is looked for: the program's folder.
    std::string ProgramFolder;
    // Milliseconds for the transfer-rate figure; a steady clock unless a test replaces it.
    std::function<uint64_t()> NowMs;

private:
    void Log(const std::string& line);
    bool SourceIsLast() const;
    void AnnounceJobStart();
    void StartJobDisplay();
    void StopJobDisplay();
    void StopRefusedStart();
    bool AwaitEngineThreads();
    // Polls of 10 ms for the engine's threads after a job's end handling: a bound, not a delay.
    static constexpr int kEngineEndPolls = 500;
    void WaitForJobEnd(uint32_t timeoutMs);
    void StartBurn();
    void StartPendingBurn();

    IMainView& View;
    TForm2& About;
    bool FJobRunning = false;
    bool FErasing = false;
    // The erase has ended well; the burn starts once its thread has left the drive.
    bool FBurnPending = false;
    std::string FOpenDialogFileName;

    std::mutex PendingMutex;
    std::deque<std::string> PendingLog;

    uint64_t JobStartMs = 0;
    uint64_t RateSinceMs = 0;
    int64_t RateSinceBytes = 0;
    double LastRate = -1;
};

} // namespace tarnwick::app

#include "app/form/Unit1.h"

#include <chrono>

#include "app/common/DriveLetters.h"
#include "app/common/JobSteps.h"
#include "app/common/ProgressText.h"
#include "app/common/Settings.h"
#include "app/common/UdfChoice.h"
#include "app/common/UsedDisc.h"
#include "app/common/Version.h"
#include "engine/device/Messages.h"
#include "platform/Shell.h"
#include "platform/Threads.h"

namespace tarnwick::app {

TForm1::TForm1(IMainView& view, TForm2& about) : View(view), About(about) {
    platform::SetMainThread();
    ProgramFolder = platform::ProgramFolder();
    NowMs = [] {
        using namespace std::chrono;
        return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    };
    vorn = std::make_unique<TVornBurner>();
    // Design-time values of the component (those equal to the constructor's defaults included,
    // so the form states them all in one place).
    vorn->SetUnderrunProtection(true);
    vorn->SetFinalizeDisc(false);
    vorn->SetTestWrite(false);
    vorn->SetReplaceFile(false);
    vorn->SetPerformOPC(false);
    vorn->SetReadSpeed(0);
    vorn->SetCacheSize(4194304);
    vorn->SetWritePostGap(true);
    vorn->SetDeviceBufferSize(0);
    vorn->SetDeviceFreeBufferSize(0);
    vorn->SetVersion("1.21");
    // WriteSpeed stays at its default 0: its setter talks to the drive, and a design-time
    // default is never streamed.
    vorn->OnDebugMessage = [this](TComponent* s, const std::string& m, uint8_t t) { vornDebugMessage(s, m, t); };
    vorn->OnWriteDone = [this](TComponent* s, const std::string& e) { vornWriteDone(s, e); };
}

TForm1::~TForm1() {
    // A job still running is aborted and its threads awaited while the view can still take
    // their last log lines; only then do the handlers go.
    vorn->EndJobs();
    vorn->OnDebugMessage = nullptr;
    vorn->OnWriteDone = nullptr;
    vorn.reset();
}

// ---- Start-up -------------------------------------------------------------------------------

void TForm1::FormShow() {
    const TVersionFile version = ReadVersionFile(ProgramFolder);
    if (version.Result == TVersionFile::Failed) {
        View.ShowFileError(version.Error);
        return;
    }
    // Without the file, the build's own version rather than the design-time caption.
    const std::string text = version.Result == TVersionFile::Read ? version.Text : ProgramVersion();
    View.SetGroupCaption("Version " + text);
    About.SetVersionLabel("version " + text);
    const TSettingsWarnings warnings = ReadSettings(*vorn);
    const TWindowPaths paths = ReadWindowPaths();
    View.SetDestinationFileName(paths.ImageFile);
    View.SetTempFolder(paths.TempFolder);
    View.ClearLog();
    for (const auto& w : warnings) Log("warning: " + w);

    vorn->InitializeASPI(true, "");
    if (!vorn->ASPIInitialized()) {
        View.ShowMessage(std::string(kAspiError) + kSupportPage);
        return;
    }
    const std::vector<std::string> devices = vorn->DeviceList();
    if (!devices.empty()) View.SetSourceItems(devices);
    View.SetDestinationItems(devices);
    if (View.SourceCount() > 0) {
        View.SetSourceIndex(0);
        View.AddSourceItem(kImageFileItem);
        View.SetSourceIndex(0);
        View.SetDestinationIndex(0);
        cbDestinationCloseUp();
    }
}

// ---- Log ------------------------------------------------------------------------------------

void TForm1::vornDebugMessage(TComponent*, const std::string& Message, uint8_t) {
    if (platform::IsMainThread()) {
        Log(Message);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(PendingMutex);
        PendingLog.push_back(Message);
    }
    View.PostLogDrain();
}

void TForm1::DrainLog() {
    std::deque<std::string> lines;
    {
        std::lock_guard<std::mutex> lock(PendingMutex);
        lines.swap(PendingLog);
    }
    for (const std::string& line : lines) View.AppendLog(line);
}

void TForm1::Log(const std::string& line) {
    DrainLog(); // lines from other threads that arrived earlier come first
    View.AppendLog(line);
}

// ---- Drive lists ----------------------------------------------------------------------------

bool TForm1::SourceIsLast() const { return View.SourceIndex() == View.SourceCount() - 1; }

void TForm1::cbSourceCloseUp() {
    if (!SourceIsLast()) {
        vorn->SelectDevice(View.SourceText());
        Log(">>> SELECTING " + vorn->SelectedDevice);
        View.SetDestinationEditVisible(true);
        View.SetDestinationListVisible(false);
        return;
    }
    if (std::optional<std::string> chosen = View.ExecuteOpenDialog()) {
        FOpenDialogFileName = *chosen;
        View.SetSourceItemText(View.SourceCount() - 1, std::string(kImageFileItem) + " (" + *chosen + ")");
        View.SetDestinationEditVisible(false);
        View.SetDestinationListVisible(true);
    } else {
        View.SetSourceIndex(0);
    }
}

void TForm1::cbDestinationCloseUp() {
    if (View.DestinationCount() <= 0) return;
    vorn->SelectDevice(View.DestinationText());
    Log(">>> SELECTING " + vorn->SelectedDevice);
}

// ---- Jobs -----------------------------------------------------------------------------------

void TForm1::Image3Click() {
    // One job at a time: the engine keeps a single current job, and a second one started over
    // a running one would interfere with it. A job counts as running until both this window's
    // end handling and the engine's threads are done.
    if (FJobRunning || !AwaitEngineThreads()) return;
    FJobRunning = true;

    DrainLog();
    View.ClearLog();
    View.SetAbortEnabled(true);
    View.SetLogVisible(true);
    // A new job starts its gauge from zero (the previous job left it at 100).
    View.SetProgressValue(0);

    if (SourceIsLast()) {
        Log("--> Start copying movie to DVD on " + vorn->SelectedDevice);
        // A used CD-RW or DVD-RW takes no data until it is erased: the user decides, and a
        // "No" leaves the disc as it is.
        const bool erase = UsedRewritable(*vorn);
        if (erase && !View.AskYesNo(kEraseQuestion)) {
            Log(std::string(">>> ") + msg::DiscNotBlank);
            View.SetAbortEnabled(false);
            FJobRunning = false;
            return;
        }
        AnnounceJobStart();
        const uint32_t refusals = vorn->Refusals();
        if (erase) {
            FErasing = true;
            vorn->EraseDisc(false);
        } else {
            vorn->BurnImageFile(FOpenDialogFileName);
        }
        if (vorn->Refusals() != refusals) {
            FErasing = false;
            StopRefusedStart();
        }
        return;
    }

    // A name this system cannot take as a path never becomes a file of that odd name.
    if (const std::string foreign = ForeignPathMessage(View.DestinationFileName()); !foreign.empty()) {
        Log(">>> " + foreign);
        StopRefusedStart();
        return;
    }
    const std::optional<char> letter = DeviceDriveLetter(vorn->SelectedDevice);
    const std::string sourcePath = (letter ? std::string(1, *letter) : std::string()) + ":\\";
    const TCompiled compiled = CompileSource(*vorn, sourcePath, true, [this](bool) {
        View.ProcessMessages();
        vorn->DebugMessage(">>> START Copying DVD to ISO FILE", 0);
        TSettingsWarnings udfWarnings;
        const std::string udfLine = app::ApplyUdfChoice(*vorn, app::ReadUdfSetting(kSettingsFileName, &udfWarnings));
        for (const auto& w : udfWarnings) Log("warning: " + w);
        if (!udfLine.empty()) Log(udfLine);
        return true;
    });
    if (compiled == TCompiled::Refused) {
        StopRefusedStart();
        return;
    }
    AnnounceJobStart();
    const uint32_t refusals = vorn->Refusals();
    vorn->CreateImageFile(View.DestinationFileName());
    if (vorn->Refusals() != refusals) StopRefusedStart();
}

// After this window's end handling the engine's threads still finish their job (a few steps,
// no waits); a click in that moment starts the next job once they have, rather than getting
// lost. Inside the engine's end report they cannot end until the click returns: it is ignored.
bool TForm1::AwaitEngineThreads() {
    if (!vorn->JobRunning()) return true;
    if (vorn->ReportingEnd()) return false;
    for (int i = 0; i < kEngineEndPolls && vorn->JobRunning(); ++i) platform::CheckSynchronize(10);
    return !vorn->JobRunning();
}

// A step of the start was refused (its message is in the log): no job was started, and none
// will report its end.
void TForm1::StopRefusedStart() {
    DrainLog();
    View.SetTimer1Enabled(false);
    View.SetAbortEnabled(false);
    View.SetStatusTimerEnabled(false);
    FJobRunning = false;
}

void TForm1::bAbortClick() {
    if (FBurnPending) {
        // Between the erase and the burn no thread runs: the job ends here.
        FBurnPending = false;
        vornWriteDone(vorn.get(), msg::OperationAborted);
        return;
    }
    vorn->AbortWrite();
    View.SetAbortEnabled(false);
}

void TForm1::StartBurn() {
    StartJobDisplay();
    vorn->BurnImageFile(FOpenDialogFileName);
}

void TForm1::StartPendingBurn() {
    if (!FBurnPending || vorn->JobRunning()) return;
    FBurnPending = false;
    StartBurn();
}

void TForm1::Timer1Timer() {
    // While the disc is erased the gauge follows the drive's own figure.
    if (FErasing || FBurnPending) return;
    const int value = View.ProgressValue();
    if (value < 90) View.SetProgressValue(value + 1);
}

void TForm1::vornWriteDone(TComponent*, const std::string& Error) {
    if (FErasing) {
        FErasing = false;
        if (Error.empty()) {
            // This runs inside the erase thread's report: the burn starts on a later tick,
            // once that thread has ended.
            FBurnPending = true;
            View.SetProgressValue(0);
            View.SetStatusText("");
            return;
        }
    }
    if (Error.empty())
        Log(">>> Copying done, successful!");
    else
        Log(">>> Copying done with warning, " + Error);
    // What the image does not hold as the source had it, together where the job ends.
    if (!vorn->EntryNotes().empty()) {
        Log(">>> Entries left out or renamed: " + std::to_string(vorn->EntryNotes().size()));
        for (const std::string& note : vorn->EntryNotes()) Log("    " + note);
    }
    View.SetProgressValue(100);
    EndJobOnDrive(*vorn, true);
    View.SetTimer1Enabled(false);
    View.SetAbortEnabled(false);
    StopJobDisplay();
    FJobRunning = false;
}

// ---- Status line ----------------------------------------------------------------------------

// What a start click shows before its job runs: Abort, the notice, the home page, the timers.
void TForm1::AnnounceJobStart() {
    View.SetAbortEnabled(true);
    View.ShowInformation(kStartNotice);
    OpenHomePage();
    View.SetTimer1Enabled(true);
    StartJobDisplay();
}

void TForm1::StartJobDisplay() {
    JobStartMs = RateSinceMs = NowMs();
    RateSinceBytes = 0;
    LastRate = -1;
    View.SetStatusText("");
    View.SetStatusTimerEnabled(true);
}

void TForm1::StopJobDisplay() {
    View.SetStatusTimerEnabled(false);
    // The final figures stay visible, with the job's average rate rather than the last
    // interval's.
    RateSinceMs = JobStartMs;
    RateSinceBytes = 0;
    StatusTimerTick();
}

void TForm1::StatusTimerTick() {
    if (FBurnPending) {
        StartPendingBurn();
        return;
    }
    if (FErasing) {
        const int32_t progress = vorn->EraseProgress();
        if (progress >= 0) View.SetProgressValue(int(int64_t(progress >= 65536 ? 65536 : progress) * 100 / 65536));
        View.SetStatusText(progress::EraseStatusLine(progress));
        return;
    }
    // BytesWritten and the buffer figures are atomics that the write thread keeps current;
    // ImageSectors is set before the job's threads start. The total is what the job writes:
    // a small image is padded to a whole minimum-length track.
    const int64_t written = vorn->BytesWritten();
    const int64_t total = vorn->GetTrackSectors() * kSectorSize;
    const uint32_t bufferSize = vorn->DeviceBufferSize();
    const uint32_t freeBuffer = vorn->DeviceFreeBufferSize();

    const uint64_t now = NowMs();
    if (now > RateSinceMs && written >= RateSinceBytes) {
        LastRate = double(written - RateSinceBytes) * 1000.0 / double(now - RateSinceMs);
        RateSinceMs = now;
        RateSinceBytes = written;
    }
    std::string text = progress::StatusLine(written, total, LastRate, bufferSize, freeBuffer);
    // A drive that keeps the job waiting is named, so a long wait never looks frozen.
    const std::string waiting = vorn->Job().WaitStatus.Get();
    if (!waiting.empty()) text += " - " + waiting;
    View.SetStatusText(text);
}

// ---- Buttons and closing --------------------------------------------------------------------

void TForm1::zkSkinButton1Click() { View.Close(); }

void TForm1::zkSkinButton2Click() { View.ShowAboutModal(); }

void TForm1::zkSkinButton3Click() { OpenHomePage(); }

void TForm1::FormClose() {
    OpenHomePage();
    // Closing ends the program: a running job is aborted and its end awaited, so its thread
    // never reports to a destroyed engine.
    FBurnPending = false;
    if (FJobRunning) {
        vorn->AbortWrite();
        WaitForJobEnd(kCloseWaitMs);
    }
}

void TForm1::WaitForJobEnd(uint32_t timeoutMs) {
    const uint64_t deadline = NowMs() + timeoutMs;
    // The engine's threads may end without a report left to deliver (a start interrupted
    // before its job entry ran): then there is nothing to wait for.
    while (FJobRunning && vorn->JobRunning() && NowMs() < deadline) {
        platform::CheckSynchronize(100);
        DrainLog();
    }
}

} // namespace tarnwick::app

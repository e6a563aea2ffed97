#pragma once
// What the main window's logic needs of its controls. The Qt window (app/window) and the
// tests' fake implement it; the handlers in Unit1 never touch a toolkit directly.
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::app {

class IMainView {
public:
    virtual ~IMainView() = default;

    // cbSource: drop-down list of the drives plus the image-file item.
    virtual void SetSourceItems(const std::vector<std::string>& items) = 0;
    virtual void AddSourceItem(const std::string& item) = 0;
    virtual void SetSourceItemText(int index, const std::string& text) = 0;
    virtual int SourceCount() const = 0;
    virtual int SourceIndex() const = 0; // -1 when nothing is selected
    virtual void SetSourceIndex(int index) = 0;
    virtual std::string SourceText() const = 0; // text of the selected item, empty for none

    // cbDestination: drop-down list of the drives.
    virtual void SetDestinationItems(const std::vector<std::string>& items) = 0;
    virtual int DestinationCount() const = 0;
    virtual int DestinationIndex() const = 0;
    virtual void SetDestinationIndex(int index) = 0;
    virtual std::string DestinationText() const = 0;

    // cbDestination and feDestination share one place; one of them is shown.
    virtual void SetDestinationListVisible(bool visible) = 0;
    virtual void SetDestinationEditVisible(bool visible) = 0;
    virtual std::string DestinationFileName() const = 0; // feDestination's text
    virtual void SetDestinationFileName(const std::string& text) = 0;
    // zkSkinDirectoryEdit1's text.
    virtual void SetTempFolder(const std::string& text) = 0;

    // zkSkinOpenDialog1: the chosen existing image file, or nullopt when cancelled.
    virtual std::optional<std::string> ExecuteOpenDialog() = 0;

    // Memo1: the log.
    virtual void ClearLog() = 0;
    virtual void AppendLog(const std::string& line) = 0;
    virtual void SetLogVisible(bool visible) = 0;

    // progress (0..100), Timer1, bAbort.
    virtual int ProgressValue() const = 0;
    virtual void SetProgressValue(int value) = 0;
    virtual void SetTimer1Enabled(bool enabled) = 0;
    virtual void SetAbortEnabled(bool enabled) = 0;

    // The status line under the log and its own refresh timer.
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetStatusTimerEnabled(bool enabled) = 0;

    // zkSkinMessage1: information box with one OK button; returns when it is closed.
    virtual void ShowInformation(const std::string& text) = 0;
    // A question box in zkSkinMessage1's style with Yes and No; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // The platform's plain message box.
    virtual void ShowMessage(const std::string& text) = 0;
    // The platform's standard error dialog for a failed file operation.
    virtual void ShowFileError(const std::string& text) = 0;

    virtual void SetGroupCaption(const std::string& caption) = 0;
    virtual void ShowAboutModal() = 0;
    virtual void ProcessMessages() = 0;
    virtual void Close() = 0;

    // Asks the main loop to call TForm1::DrainLog soon. Called from any thread; must not block.
    virtual void PostLogDrain() = 0;
};

// The About window's controls.
class IAboutView {
public:
    virtual ~IAboutView() = default;
    virtual void SetVersionLabel(const std::string& text) = 0;
    virtual void Close() = 0;
};

} // namespace tarnwick::app

#pragma once
// A main window without a display: records what the form does to each control and answers
// its questions (dialog results) from a script.
#include <atomic>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/common/Settings.h"
#include "app/form/MainView.h"

namespace tarnwick::app::testing {

struct TFakeCombo {
    std::vector<std::string> Items;
    int Index = -1;
    std::string Text() const { return Index >= 0 && Index < int(Items.size()) ? Items[size_t(Index)] : ""; }
};

class TFakeView : public IMainView {
public:
    TFakeCombo Source, Destination;
    bool DestinationListVisible = false; // as designed: the drive list is hidden at first
    bool DestinationEditVisible = true;
    // As the windows build them: the platform's defaults until the form has read the settings.
    std::string FileEditText = DefaultWindowPaths().ImageFile;
    std::string TempFolderText = DefaultWindowPaths().TempFolder;
    std::deque<std::optional<std::string>> DialogAnswers; // nullopt = cancel
    int DialogRuns = 0;
    std::vector<std::string> Log;
    int LogClears = 0;
    bool LogVisible = false;
    int Progress = 0;
    bool Timer1 = false, StatusTimer = false, AbortEnabled = false;
    std::string Status;
    std::vector<std::string> Informations, Messages, FileErrors;
    std::string GroupCaption = "Version 1.0";
    int AboutShown = 0, ProcessMessagesCalls = 0, CloseCalls = 0;
    std::atomic<int> DrainRequests{0};
    std::function<void()> OnInformation; // runs while the information box is "open"
    std::deque<bool> YesNoAnswers;       // the question box's answers; No once they run out
    std::vector<std::string> Questions;
    std::function<void()> OnClose;       // the window's close event

    void SetSourceItems(const std::vector<std::string>& items) override { Source.Items = items; Source.Index = -1; }
    void AddSourceItem(const std::string& item) override { Source.Items.push_back(item); }
    void SetSourceItemText(int index, const std::string& text) override { Source.Items.at(size_t(index)) = text; }
    int SourceCount() const override { return int(Source.Items.size()); }
    int SourceIndex() const override { return Source.Index; }
    void SetSourceIndex(int index) override { Source.Index = index; }
    std::string SourceText() const override { return Source.Text(); }
    void SetDestinationItems(const std::vector<std::string>& items) override {
        Destination.Items = items;
        Destination.Index = -1;
    }
    int DestinationCount() const override { return int(Destination.Items.size()); }
    int DestinationIndex() const override { return Destination.Index; }
    void SetDestinationIndex(int index) override { Destination.Index = index; }
    std::string DestinationText() const override { return Destination.Text(); }
    void SetDestinationListVisible(bool v) override { DestinationListVisible = v; }
    void SetDestinationEditVisible(bool v) override { DestinationEditVisible = v; }
    std::string DestinationFileName() const override { return FileEditText; }
    void SetDestinationFileName(const std::string& t) override { FileEditText = t; }
    void SetTempFolder(const std::string& t) override { TempFolderText = t; }
    std::optional<std::string> ExecuteOpenDialog() override {
        ++DialogRuns;
        if (DialogAnswers.empty()) return std::nullopt;
        auto a = DialogAnswers.front();
        DialogAnswers.pop_front();
        return a;
    }
    void ClearLog() override {
        Log.clear();
        ++LogClears;
    }
    void AppendLog(const std::string& line) override { Log.push_back(line); }
    void SetLogVisible(bool v) override { LogVisible = v; }
    int ProgressValue() const override { return Progress; }
    void SetProgressValue(int v) override { Progress = v; }
    void SetTimer1Enabled(bool e) override { Timer1 = e; }
    void SetAbortEnabled(bool e) override { AbortEnabled = e; }
    void SetStatusText(const std::string& t) override { Status = t; }
    void SetStatusTimerEnabled(bool e) override { StatusTimer = e; }
    void ShowInformation(const std::string& t) override {
        Informations.push_back(t);
        if (OnInformation) OnInformation();
    }
    bool AskYesNo(const std::string& t) override {
        Questions.push_back(t);
        if (YesNoAnswers.empty()) return false;
        const bool a = YesNoAnswers.front();
        YesNoAnswers.pop_front();
        return a;
    }
    void ShowMessage(const std::string& t) override { Messages.push_back(t); }
    void ShowFileError(const std::string& t) override { FileErrors.push_back(t); }
    void SetGroupCaption(const std::string& c) override { GroupCaption = c; }
    void ShowAboutModal() override { ++AboutShown; }
    void ProcessMessages() override { ++ProcessMessagesCalls; }
    void Close() override {
        ++CloseCalls;
        if (OnClose) OnClose();
    }
    void PostLogDrain() override { ++DrainRequests; }
};

class TFakeAboutView : public IAboutView {
public:
    std::string VersionLabel;
    int Closed = 0;
    void SetVersionLabel(const std::string& text) override { VersionLabel = text; }
    void Close() override { ++Closed; }
};

} // namespace tarnwick::app::testing

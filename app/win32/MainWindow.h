#pragma once
// The main window with plain Win32 controls: the controls of the design under their component
// names, each wired to a handler of TForm1.
#include <memory>

#include "app/form/MainView.h"
#include "app/form/Unit1.h"
#include "platform/win32/Win32.h"

namespace tarnwick::app::win32 {

class TWin32AboutWindow;

class TWin32MainWindow : public IMainView {
  public:
    TWin32MainWindow();
    ~TWin32MainWindow() override;
    TWin32MainWindow(const TWin32MainWindow&) = delete;
    TWin32MainWindow& operator=(const TWin32MainWindow&) = delete;

    HWND Handle() const { return Window; }
    TForm1& Form() { return *Form1; }
    TForm2& AboutForm() { return *Form2; }

    // Shows the window and runs the start-up handler once it is on the screen.
    void Show(int showCommand);
    // The message loop; returns the quit code once the window has been closed.
    int Run();

    // IMainView
    void SetSourceItems(const std::vector<std::string>& items) override;
    void AddSourceItem(const std::string& item) override;
    void SetSourceItemText(int index, const std::string& text) override;
    int SourceCount() const override;
    int SourceIndex() const override;
    void SetSourceIndex(int index) override;
    std::string SourceText() const override;
    void SetDestinationItems(const std::vector<std::string>& items) override;
    int DestinationCount() const override;
    int DestinationIndex() const override;
    void SetDestinationIndex(int index) override;
    std::string DestinationText() const override;
    void SetDestinationListVisible(bool visible) override;
    void SetDestinationEditVisible(bool visible) override;
    std::string DestinationFileName() const override;
    void SetDestinationFileName(const std::string& text) override;
    void SetTempFolder(const std::string& text) override;
    std::optional<std::string> ExecuteOpenDialog() override;
    void ClearLog() override;
    void AppendLog(const std::string& line) override;
    void SetLogVisible(bool visible) override;
    int ProgressValue() const override;
    void SetProgressValue(int value) override;
    void SetTimer1Enabled(bool enabled) override;
    void SetAbortEnabled(bool enabled) override;
    void SetStatusText(const std::string& text) override;
    void SetStatusTimerEnabled(bool enabled) override;
    void ShowInformation(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void ShowFileError(const std::string& text) override;
    void SetGroupCaption(const std::string& caption) override;
    void ShowAboutModal() override;
    void ProcessMessages() override;
    void Close() override;
    void PostLogDrain() override;

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void BuildControls();
    void OnCommand(int id, int code);
    void BrowseDestination();
    void BrowseTempFolder();
    void DrawAbortButton(const DRAWITEMSTRUCT& item);
    HWND Control(int id) const { return GetDlgItem(Window, id); }

    HWND Window = nullptr;
    HWND Tooltip = nullptr;
    HBITMAP StartBitmap = nullptr;
    HBITMAP GroupBitmap = nullptr;
    std::unique_ptr<TForm2> Form2;
    std::unique_ptr<TForm1> Form1;
    std::unique_ptr<TWin32AboutWindow> About;
    bool Shown = false;
    bool Closing = false;
};

// Lets engine threads reach the window's message loop: every Synchronize posts the window a
// message that runs the queue, so modal loops (message boxes, dialogs) serve them too.
void InstallWin32Synchronize(HWND window);

} // namespace tarnwick::app::win32

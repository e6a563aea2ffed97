#pragma once
// The main window on Qt 6 Widgets: the controls of the design under their component names,
// each wired to a handler of TForm1.
#include <QLabel>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/form/MainView.h"
#include "app/form/Unit1.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

namespace tarnwick::app {

class TAboutWindow;

// A picture that reacts to a click (Image1, Image3).
class TClickablePicture : public QLabel {
public:
    explicit TClickablePicture(QWidget* parent);
    std::function<void()> OnClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class TMainWindow : public QWidget, public IMainView {
public:
    explicit TMainWindow(QWidget* parent = nullptr);
    ~TMainWindow() override;

    TForm1& Form() { return *Form1; }
    TForm2& AboutForm() { return *Form2; }
    TAboutWindow* AboutWindow() { return About; }

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

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();

    QComboBox* cbSource = nullptr;
    QComboBox* cbDestination = nullptr;
    QWidget* feDestination = nullptr;
    QLineEdit* feDestinationEdit = nullptr;
    QWidget* zkSkinDirectoryEdit1 = nullptr;
    QLineEdit* zkSkinDirectoryEdit1Edit = nullptr;
    QGroupBox* zkSkinGroupBox1 = nullptr;
    QLabel* Image2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* StatusLine = nullptr;
    QProgressBar* progress = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* StatusTimer = nullptr;
    TClickablePicture* Image1 = nullptr;
    TClickablePicture* Image3 = nullptr;
    QPushButton* bAbort = nullptr;

    std::unique_ptr<TForm2> Form2;
    std::unique_ptr<TForm1> Form1;
    TAboutWindow* About = nullptr;
    bool Shown = false;
    bool Closing = false;
};

// Lets engine threads reach the Qt main loop: every Synchronize posts a queued call of
// CheckSynchronize, so a modal box's own event loop keeps serving them too.
void InstallQtSynchronize();

// Pictures of the window, painted at run time.
QPixmap StartPicture(int size);
QPixmap GroupPicture(int width, int height);

} // namespace tarnwick::app

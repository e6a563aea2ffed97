#include "app/window/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include "app/window/AboutWindow.h"
#include "platform/Threads.h"

namespace tarnwick::app {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A line edit with a browse button, as one control under the component's name.
QWidget* FileEdit(QWidget* parent, const char* name, const QString& text, QLineEdit*& edit,
                  std::function<void(QLineEdit*)> browse) {
    auto* box = new QWidget(parent);
    box->setObjectName(name);
    edit = new QLineEdit(text, box);
    edit->setObjectName(QString(name) + "Edit");
    auto* button = new QToolButton(box);
    button->setObjectName(QString(name) + "Button");
    button->setText("...");
    QLineEdit* e = edit;
    QObject::connect(button, &QToolButton::clicked, box, [e, browse] { browse(e); });
    box->resize(360, 24);
    edit->setGeometry(0, 0, 332, 24);
    button->setGeometry(336, 0, 24, 24);
    return box;
}

} // namespace

TClickablePicture::TClickablePicture(QWidget* parent) : QLabel(parent) {}

void TClickablePicture::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) OnClick();
}

TMainWindow::TMainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("Form1");
    setWindowTitle(TForm1::kCaption);
    setFixedSize(536, 355);
    Form2 = std::make_unique<TForm2>();
    Form1 = std::make_unique<TForm1>(*this, *Form2);
    BuildControls();
    About = new TAboutWindow(*Form2, this);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TMainWindow::~TMainWindow() {
    // The form may still log while it waits for a job to end; the controls must outlive it.
    Form1.reset();
}

void TMainWindow::BuildControls() {
    auto label = [this](const char* name, const char* text, int x, int y) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setGeometry(x, y, 84, 24);
    };

    label("lSource", "Source:", 12, 8);
    cbSource = new QComboBox(this);
    cbSource->setObjectName("cbSource");
    cbSource->setGeometry(100, 8, 424, 24);
    connect(cbSource, &QComboBox::activated, this, [this](int) { Form1->cbSourceCloseUp(); });

    label("lDestination", "Destination:", 12, 38);
    cbDestination = new QComboBox(this);
    cbDestination->setObjectName("cbDestination");
    cbDestination->setGeometry(100, 38, 424, 24);
    cbDestination->setVisible(false);
    connect(cbDestination, &QComboBox::activated, this, [this](int) { Form1->cbDestinationCloseUp(); });

    // The platform's defaults until the form has read the settings.
    const TWindowPaths paths = DefaultWindowPaths();
    feDestination = FileEdit(this, "feDestination", Q(paths.ImageFile), feDestinationEdit, [this](QLineEdit* e) {
        QString name = QFileDialog::getSaveFileName(this, QString(), e->text(), "ISO image file (*.iso)");
        if (!name.isEmpty()) e->setText(name);
    });
    feDestination->setGeometry(100, 38, 424, 24);
    feDestinationEdit->setGeometry(0, 0, 396, 24);
    feDestination->findChild<QToolButton*>("feDestinationButton")->setGeometry(400, 0, 24, 24);

    label("lTempFolder", "Temp Folder:", 12, 68);
    zkSkinDirectoryEdit1 = FileEdit(this, "zkSkinDirectoryEdit1", Q(paths.TempFolder), zkSkinDirectoryEdit1Edit,
                                    [this](QLineEdit* e) {
        QString dir = QFileDialog::getExistingDirectory(this, QString(), e->text());
        if (!dir.isEmpty()) e->setText(dir);
    });
    zkSkinDirectoryEdit1->setGeometry(100, 68, 424, 24);
    zkSkinDirectoryEdit1Edit->setGeometry(0, 0, 396, 24);
    zkSkinDirectoryEdit1->findChild<QToolButton*>("zkSkinDirectoryEdit1Button")->setGeometry(400, 0, 24, 24);

    zkSkinGroupBox1 = new QGroupBox(TForm1::kDesignGroupCaption, this);
    zkSkinGroupBox1->setObjectName("zkSkinGroupBox1");
    zkSkinGroupBox1->setGeometry(8, 100, 392, 172);
    Image2 = new QLabel(zkSkinGroupBox1);
    Image2->setObjectName("Image2");
    Image2->setGeometry(8, 22, 376, 142);
    Image2->setPixmap(GroupPicture(376, 142));
    Memo1 = new QPlainTextEdit(zkSkinGroupBox1);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(8, 22, 376, 142);
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVisible(false);

    Image1 = new TClickablePicture(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(416, 106, 112, 112);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(StartPicture(104));
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip("Start Copying!");
    Image1->OnClick = [this] { Form1->Image3Click(); };
    Image3 = new TClickablePicture(this);
    Image3->setObjectName("Image3");
    Image3->setGeometry(416, 106, 112, 112);
    Image3->setPixmap(StartPicture(104));
    Image3->setCursor(Qt::PointingHandCursor);
    Image3->OnClick = [this] { Form1->Image3Click(); };
    Image3->setVisible(false);

    bAbort = new QPushButton("Abort", this);
    bAbort->setObjectName("bAbort");
    bAbort->setGeometry(416, 234, 112, 32);
    QFont bold = bAbort->font();
    bold.setBold(true);
    bAbort->setFont(bold);
    QPalette red = bAbort->palette();
    red.setColor(QPalette::Active, QPalette::ButtonText, QColor(200, 0, 0));
    red.setColor(QPalette::Inactive, QPalette::ButtonText, QColor(200, 0, 0));
    bAbort->setPalette(red);
    bAbort->setEnabled(false);
    connect(bAbort, &QPushButton::clicked, this, [this] { Form1->bAbortClick(); });

    StatusLine = new QLabel(this);
    StatusLine->setObjectName("StatusLine");
    StatusLine->setGeometry(10, 276, 518, 18);

    progress = new QProgressBar(this);
    progress->setObjectName("progress");
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setGeometry(8, 296, 520, 18);

    auto button = [this](const char* name, const char* text, int x, int w, std::function<void()> click) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setGeometry(x, 322, w, 26);
        connect(b, &QPushButton::clicked, this, std::move(click));
    };
    button("zkSkinButton3", "More Settings", 8, 120, [this] { Form1->zkSkinButton3Click(); });
    button("zkSkinButton2", "About", 348, 86, [this] { Form1->zkSkinButton2Click(); });
    button("zkSkinButton1", "Exit", 442, 86, [this] { Form1->zkSkinButton1Click(); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(TForm1::kTimer1Interval);
    connect(Timer1, &QTimer::timeout, this, [this] { Form1->Timer1Timer(); });
    StatusTimer = new QTimer(this);
    StatusTimer->setObjectName("StatusTimer");
    StatusTimer->setInterval(TForm1::kStatusInterval);
    connect(StatusTimer, &QTimer::timeout, this, [this] { Form1->StatusTimerTick(); });
}

// ---- Events ---------------------------------------------------------------------------------

void TMainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (Shown) return;
    Shown = true;
    Form1->FormShow();
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (!Closing) {
        Closing = true;
        Form1->FormClose();
    }
    event->accept();
}

// ---- IMainView ------------------------------------------------------------------------------

void TMainWindow::SetSourceItems(const std::vector<std::string>& items) {
    cbSource->clear();
    for (const std::string& item : items) cbSource->addItem(Q(item));
}
void TMainWindow::AddSourceItem(const std::string& item) { cbSource->addItem(Q(item)); }
void TMainWindow::SetSourceItemText(int index, const std::string& text) { cbSource->setItemText(index, Q(text)); }
int TMainWindow::SourceCount() const { return cbSource->count(); }
int TMainWindow::SourceIndex() const { return cbSource->currentIndex(); }
void TMainWindow::SetSourceIndex(int index) { cbSource->setCurrentIndex(index); }
std::string TMainWindow::SourceText() const { return cbSource->currentText().toStdString(); }

void TMainWindow::SetDestinationItems(const std::vector<std::string>& items) {
    cbDestination->clear();
    for (const std::string& item : items) cbDestination->addItem(Q(item));
}
int TMainWindow::DestinationCount() const { return cbDestination->count(); }
int TMainWindow::DestinationIndex() const { return cbDestination->currentIndex(); }
void TMainWindow::SetDestinationIndex(int index) { cbDestination->setCurrentIndex(index); }
std::string TMainWindow::DestinationText() const { return cbDestination->currentText().toStdString(); }

void TMainWindow::SetDestinationListVisible(bool visible) { cbDestination->setVisible(visible); }
void TMainWindow::SetDestinationEditVisible(bool visible) { feDestination->setVisible(visible); }
std::string TMainWindow::DestinationFileName() const { return feDestinationEdit->text().toStdString(); }
void TMainWindow::SetDestinationFileName(const std::string& text) { feDestinationEdit->setText(Q(text)); }
void TMainWindow::SetTempFolder(const std::string& text) { zkSkinDirectoryEdit1Edit->setText(Q(text)); }

std::optional<std::string> TMainWindow::ExecuteOpenDialog() {
    QFileDialog dialog(this, "Open ISO file");
    dialog.setObjectName("zkSkinOpenDialog1");
    dialog.setNameFilter("ISO Image File (*.iso)");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!Form1->OpenDialogFileName().empty()) dialog.selectFile(Q(Form1->OpenDialogFileName()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

void TMainWindow::ClearLog() { Memo1->clear(); }
void TMainWindow::AppendLog(const std::string& line) { Memo1->appendPlainText(Q(line)); }
void TMainWindow::SetLogVisible(bool visible) { Memo1->setVisible(visible); }

int TMainWindow::ProgressValue() const { return progress->value(); }
void TMainWindow::SetProgressValue(int value) { progress->setValue(value); }
void TMainWindow::SetTimer1Enabled(bool enabled) {
    if (enabled)
        Timer1->start();
    else
        Timer1->stop();
}
void TMainWindow::SetAbortEnabled(bool enabled) { bAbort->setEnabled(enabled); }

void TMainWindow::SetStatusText(const std::string& text) { StatusLine->setText(Q(text)); }
void TMainWindow::SetStatusTimerEnabled(bool enabled) {
    if (enabled)
        StatusTimer->start();
    else
        StatusTimer->stop();
}

void TMainWindow::ShowInformation(const std::string& text) {
    QMessageBox box(QMessageBox::Information, TForm1::kCaption, Q(text), QMessageBox::Ok, this);
    box.setObjectName("zkSkinMessage1");
    box.exec();
}

bool TMainWindow::AskYesNo(const std::string& text) {
    QMessageBox box(QMessageBox::Question, TForm1::kCaption, Q(text), QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName("zkSkinMessage1");
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TMainWindow::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, TForm1::kCaption, Q(text), QMessageBox::Ok, this);
    box.setObjectName("ShowMessage");
    box.exec();
}

void TMainWindow::ShowFileError(const std::string& text) {
    QMessageBox box(QMessageBox::Critical, TForm1::kCaption, Q(text), QMessageBox::Ok, this);
    box.setObjectName("FileError");
    box.exec();
}

void TMainWindow::SetGroupCaption(const std::string& caption) { zkSkinGroupBox1->setTitle(Q(caption)); }
void TMainWindow::ShowAboutModal() { About->exec(); }
void TMainWindow::ProcessMessages() { QCoreApplication::processEvents(); }
void TMainWindow::Close() { close(); }

void TMainWindow::PostLogDrain() {
    QMetaObject::invokeMethod(this, [this] { if (Form1) Form1->DrainLog(); }, Qt::QueuedConnection);
}

void InstallQtSynchronize() {
    platform::SetMainThread();
    platform::SetSynchronizeWakeup([] {
        QMetaObject::invokeMethod(qApp, [] { platform::CheckSynchronize(0); }, Qt::QueuedConnection);
    });
}

} // namespace tarnwick::app

// The real window, offscreen, over two virtual drives: copy the virtual DVD-ROM to an image
// file and burn that image onto the virtual DVD-R, driving the widgets as a user would, then
// compare the disc with the image.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "app/form/VirtualDrives.h"
#include "app/window/AboutWindow.h"
#include "app/window/MainWindow.h"
#include "engine/transport/Aspi.h"
#include "emulator/VirtualDriveDefinition.h"
#include "platform/Folders.h"
#include "platform/Shell.h"
#include "platform/virtual/VirtualBus.h"
#include "support/RandomBytes.h"

namespace fs = std::filesystem;

namespace tarnwick::app {
namespace {

std::vector<char> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

// Answers the modal boxes the window opens: the open dialog gets FileToOpen, message boxes
// are confirmed and their texts kept.
class TModalAnswerer {
public:
    TModalAnswerer() {
        Timer.setInterval(20);
        QObject::connect(&Timer, &QTimer::timeout, [this] { Answer(); });
        Timer.start();
    }
    std::string FileToOpen;
    std::vector<std::string> Boxes;
    std::vector<std::string> DialogTitles;
    // The About box stays open until this says so (or a minute has passed).
    std::function<bool()> AboutMayClose = [] { return true; };
    bool AboutClosedInTime = false;

private:
    void Answer() {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) return;
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            Boxes.push_back(box->objectName().toStdString() + ": " + box->text().toStdString());
            if (QAbstractButton* yes = box->button(QMessageBox::Yes))
                yes->click();
            else
                box->button(QMessageBox::Ok)->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(w)) {
            DialogTitles.push_back(dialog->windowTitle().toStdString() + " | " +
                                   dialog->nameFilters().join(";").toStdString());
            // selectFile leaves the name field alone while it has the focus, which it gains
            // once the window system has activated the dialog: take the focus away first.
            if (QWidget* focus = dialog->focusWidget()) focus->clearFocus();
            dialog->selectFile(QString::fromStdString(FileToOpen));
            QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
            // A dialog that will not take the name must fail the test, not hang it.
            if (dialog->isVisible() && DialogTitles.size() > 100) dialog->reject();
        } else if (auto* about = dynamic_cast<TAboutWindow*>(w)) {
            if (!AboutOpen.isValid()) AboutOpen.start();
            const bool may = AboutMayClose();
            if (may || AboutOpen.elapsed() > 60000) {
                AboutClosedInTime = may;
                AboutOpen.invalidate();
                about->findChild<QPushButton*>("zkSkinButton1")->click();
            }
        }
    }
    QElapsedTimer AboutOpen;
    QTimer Timer;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Root = fs::temp_directory_path() / ("tarnwick-window-" + std::to_string(::getpid()));
        fs::remove_all(Root);
        fs::create_directories(Root / "config");
        ::setenv("TARNWICK_CONFIG_DIR", (Root / "config").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (Root / "xdg").c_str(), 1);
        platform::SetOpenURLHook([this](const std::string& url) { Opened.push_back(url); });
        static int argc = 1;
        static char arg0[] = "test_app_qt";
        static char* argv[] = {arg0, nullptr};
        App = std::make_unique<QApplication>(argc, argv);
        InstallQtSynchronize();
    }
    void TearDown() override {
        App.reset();
        platform::SetOpenURLHook(nullptr);
        emulator::ResetVirtualDrives();
        ResetTransportState();
        std::error_code ec;
        fs::remove_all(Root, ec);
    }

    // Runs the event loop until the log shows the end of a job.
    static bool WaitForLogLine(QPlainTextEdit* memo, const QString& start, int timeoutMs = 120000) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            for (const QString& line : memo->toPlainText().split('\n'))
                if (line.startsWith(start)) return true;
        }
        return false;
    }

    fs::path Root;
    std::unique_ptr<QApplication> App;
    std::vector<std::string> Opened;
};

TEST_F(WindowTest, ControlsCarryTheirDesignNamesCaptionsAndStates) {
    TMainWindow window;
    EXPECT_EQ(window.windowTitle(), "Tarnwick");
    EXPECT_EQ(window.size(), QSize(536, 355));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    for (const char* name : {"cbSource", "cbDestination", "feDestination", "zkSkinGroupBox1", "Image2", "Memo1",
                             "progress", "Timer1", "Image1", "Image3", "bAbort", "zkSkinButton1", "zkSkinButton2",
                             "zkSkinButton3", "zkSkinDirectoryEdit1"})
        EXPECT_NE(window.findChild<QObject*>(name), nullptr) << name;
    // On Linux a drive letter would name a file in the current folder: home and temp instead.
    const TWindowPaths paths = DefaultWindowPaths();
    EXPECT_EQ(paths.ImageFile, (fs::path(platform::HomeFolder()) / "DVD_Image.iso").string());
    EXPECT_EQ(window.findChild<QLineEdit*>("feDestinationEdit")->text().toStdString(), paths.ImageFile);
    EXPECT_EQ(window.findChild<QLineEdit*>("zkSkinDirectoryEdit1Edit")->text().toStdString(), paths.TempFolder);
    auto* abort = window.findChild<QPushButton*>("bAbort");
    EXPECT_EQ(abort->text(), "Abort");
    EXPECT_FALSE(abort->isEnabled());
    EXPECT_TRUE(abort->font().bold());
    EXPECT_EQ(window.findChild<QTimer*>("Timer1")->interval(), 10000);
    EXPECT_FALSE(window.findChild<QTimer*>("Timer1")->isActive());
    EXPECT_EQ(window.findChild<QWidget*>("Image1")->toolTip(), "Start Copying!");
    EXPECT_FALSE(window.findChild<QWidget*>("Image3")->isVisibleTo(&window));
    EXPECT_FALSE(window.findChild<QWidget*>("Memo1")->isVisibleTo(&window));
    EXPECT_FALSE(window.findChild<QWidget*>("cbDestination")->isVisibleTo(&window));
    EXPECT_TRUE(window.findChild<QWidget*>("feDestination")->isVisibleTo(&window));
    EXPECT_EQ(window.findChild<QPushButton*>("zkSkinButton1")->text(), "Exit");
    EXPECT_EQ(window.findChild<QPushButton*>("zkSkinButton2")->text(), "About");
    EXPECT_EQ(window.findChild<QPushButton*>("zkSkinButton3")->text(), "More Settings");
    TAboutWindow* about = window.AboutWindow();
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_EQ(about->size(), QSize(429, 151));
    EXPECT_EQ(about->findChild<QLabel*>("zkSkinStdLabel2")->text(), "version 1.0");
}

TEST_F(WindowTest, WithoutAnyDriveTheSupportBoxIsShownAndClosingOpensTheHomePageOnce) {
    TModalAnswerer answerer;
    TMainWindow window;
    window.show();
    QApplication::processEvents();
    ASSERT_EQ(answerer.Boxes.size(), 1u);
    EXPECT_EQ(answerer.Boxes[0],
              "ShowMessage: Error initializing ASPI Layer, Please visit support: https://tarnwick.example/support");
    EXPECT_EQ(window.findChild<QComboBox*>("cbSource")->count(), 0);
    window.findChild<QPushButton*>("zkSkinButton1")->click();
    QApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(Opened, std::vector<std::string>{"https://tarnwick.example/"});
}

TEST_F(WindowTest, CopiesTheVirtualDvdToAnImageAndBurnsItOntoTheVirtualDvdR) {
    // The source disc: a few folders and files, one spanning many blocks.
    const fs::path disc = Root / "disc";
    WriteFile(disc / "VIDEO_TS" / "VIDEO_TS.IFO", std::string(6000, 'i'));
    WriteFile(disc / "Long folder name" / "a file with a long name.txt", "hello");
    const std::string big = testsupport::RandomBytes(3 * 1048576 + 123, 7);
    WriteFile(disc / "VIDEO_TS" / "VTS_01_1.VOB", big);
    const fs::path burned = Root / "dvdr.bin";
    WriteFile(Root / "config" / kVirtualDrivesFile,
              "# drives of the window test\nE=dvd-rom:" + disc.string() + "\nF=dvd-r:" + burned.string() + "\n");
    std::string error;
    ASSERT_TRUE(RegisterVirtualDrivesFile(error)) << error;

    TModalAnswerer answerer;
    TMainWindow window;
    window.show();
    QApplication::processEvents();
    ASSERT_TRUE(answerer.Boxes.empty()) << answerer.Boxes[0];

    auto* source = window.findChild<QComboBox*>("cbSource");
    auto* destination = window.findChild<QComboBox*>("cbDestination");
    auto* memo = window.findChild<QPlainTextEdit*>("Memo1");
    auto* progress = window.findChild<QProgressBar*>("progress");
    auto* abort = window.findChild<QPushButton*>("bAbort");
    auto* start = window.findChild<QWidget*>("Image1");
    ASSERT_EQ(source->count(), 3);
    EXPECT_EQ(source->itemText(2), "DVD Image File");
    EXPECT_EQ(source->currentIndex(), 0);
    ASSERT_EQ(destination->count(), 2);
    const int dvdrom = source->itemText(0).contains(",E:") ? 0 : 1;
    const int dvdr = 1 - dvdrom;

    // Drive to image file.
    const fs::path image = Root / "copy.iso";
    source->setCurrentIndex(dvdrom);
    emit source->activated(dvdrom);
    window.findChild<QLineEdit*>("feDestinationEdit")->setText(QString::fromStdString(image.string()));
    QTest::mouseClick(start, Qt::LeftButton);
    ASSERT_TRUE(WaitForLogLine(memo, ">>> Copying done")) << memo->toPlainText().toStdString();
    EXPECT_TRUE(memo->toPlainText().contains(">>> START Copying DVD to ISO FILE"));
    EXPECT_TRUE(memo->toPlainText().endsWith(">>> Copying done, successful!")) << memo->toPlainText().toStdString();
    EXPECT_TRUE(memo->isVisible());
    EXPECT_EQ(progress->value(), 100);
    EXPECT_FALSE(abort->isEnabled());
    EXPECT_EQ(answerer.Boxes,
              std::vector<std::string>{"zkSkinMessage1: Copying started. You have a time to try other software"});
    const std::vector<char> iso = ReadAll(image);
    ASSERT_GT(iso.size(), big.size());
    EXPECT_EQ(iso.size() % 2048, 0u);
    EXPECT_EQ(std::string(iso.data() + 16 * 2048 + 1, 5), "CD001");

    // Image file to disc: the image-file item, its dialog, then the recorder.
    answerer.FileToOpen = image.string();
    source->setCurrentIndex(2);
    emit source->activated(2);
    EXPECT_EQ(answerer.DialogTitles, std::vector<std::string>{"Open ISO file | ISO Image File (*.iso)"});
    EXPECT_EQ(source->itemText(2).toStdString(), "DVD Image File (" + image.string() + ")");
    EXPECT_TRUE(destination->isVisible());
    EXPECT_FALSE(window.findChild<QWidget*>("feDestination")->isVisible());
    destination->setCurrentIndex(dvdr);
    emit destination->activated(dvdr);
    QTest::mouseClick(start, Qt::LeftButton);
    // While the burn runs the About box is open: its own event loop must deliver the job's end,
    // for which the write thread waits on the main thread.
    answerer.AboutMayClose = [memo] { return memo->toPlainText().contains(">>> Copying done"); };
    window.findChild<QPushButton*>("zkSkinButton2")->click();
    EXPECT_TRUE(answerer.AboutClosedInTime);
    ASSERT_TRUE(WaitForLogLine(memo, ">>> Copying done")) << memo->toPlainText().toStdString();
    EXPECT_TRUE(memo->toPlainText().startsWith("--> Start copying movie to DVD on " + destination->itemText(dvdr)));
    EXPECT_TRUE(memo->toPlainText().endsWith(">>> Copying done, successful!")) << memo->toPlainText().toStdString();
    EXPECT_EQ(progress->value(), 100);

    const std::vector<char> written = ReadAll(burned);
    ASSERT_GE(written.size(), iso.size());
    EXPECT_TRUE(std::equal(iso.begin(), iso.end(), written.begin())) << "the disc differs from the image";
    EXPECT_EQ(Opened.size(), 2u); // once per job start

    window.close();
    EXPECT_EQ(Opened.size(), 3u);
}

TEST_F(WindowTest, AUsedCdRwIsErasedOnYesWithTheStatusLineFollowingTheDriveAndBurnedAgain) {
    // The erase takes four seconds of real time here, polled every second.
    const fs::path burned = Root / "cdrw.bin";
    std::string error;
    ASSERT_TRUE(emulator::RegisterVirtualDriveDefinition("G=cd-rw+erasems=4000:" + burned.string(), error)) << error;
    auto image = [&](const char* name, unsigned seed) {
        const std::string bytes = testsupport::RandomBytes(500 * 2048, seed);
        WriteFile(Root / name, bytes);
        return bytes;
    };
    const std::string first = image("first.iso", 1), second = image("second.iso", 2);

    TModalAnswerer answerer;
    TMainWindow window;
    window.show();
    QApplication::processEvents();
    auto* source = window.findChild<QComboBox*>("cbSource");
    auto* destination = window.findChild<QComboBox*>("cbDestination");
    auto* memo = window.findChild<QPlainTextEdit*>("Memo1");
    auto* progress = window.findChild<QProgressBar*>("progress");
    auto* status = window.findChild<QLabel*>("StatusLine");
    auto* start = window.findChild<QWidget*>("Image1");
    ASSERT_EQ(source->count(), 2);
    auto burn = [&](const char* name) {
        answerer.FileToOpen = (Root / name).string();
        source->setCurrentIndex(1);
        emit source->activated(1);
        destination->setCurrentIndex(0);
        emit destination->activated(0);
        QTest::mouseClick(start, Qt::LeftButton);
    };
    auto discStart = [&] {
        const std::vector<char> d = ReadAll(burned);
        return std::string(d.begin(), d.begin() + long(std::min(d.size(), first.size())));
    };

    burn("first.iso");
    ASSERT_TRUE(WaitForLogLine(memo, ">>> Copying done")) << memo->toPlainText().toStdString();
    ASSERT_EQ(discStart(), first);
    EXPECT_EQ(answerer.Boxes.size(), 1u) << "a blank disc is burned without a question";

    // The disc goes back into the drive that ejected it.
    auto drive = emulator::EmulatedDriveAt('G');
    drive->LoadMedium(drive->Medium());
    answerer.Boxes.clear();
    burn("second.iso");
    std::set<std::string> erasing;
    std::vector<int> gauge;
    QElapsedTimer t;
    t.start();
    bool done = false;
    while (!done && t.elapsed() < 120000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        const std::string text = status->text().toStdString();
        if (text.rfind("Erasing the disc: ", 0) == 0) {
            erasing.insert(text);
            if (gauge.empty() || gauge.back() != progress->value()) gauge.push_back(progress->value());
        }
        done = memo->toPlainText().contains(">>> Copying done");
    }
    ASSERT_TRUE(done) << memo->toPlainText().toStdString();
    ASSERT_GE(answerer.Boxes.size(), 2u);
    EXPECT_EQ(answerer.Boxes[0], std::string("zkSkinMessage1: ") + TForm1::kEraseQuestion);
    EXPECT_TRUE(memo->toPlainText().endsWith(">>> Copying done, successful!")) << memo->toPlainText().toStdString();
    EXPECT_GE(erasing.size(), 3u);
    EXPECT_GE(gauge.size(), 3u);
    EXPECT_TRUE(std::is_sorted(gauge.begin(), gauge.end()));
    EXPECT_EQ(discStart(), second);
    window.close();
}

} // namespace
} // namespace tarnwick::app

// Renders the main window and the About window to PNG files for the documentation:
//   tarnwick-render-windows OUTPUT_FOLDER
// Run it with QT_QPA_PLATFORM=offscreen. The main window is shown over two virtual drives (a
// DVD-ROM over a small folder and a blank DVD-R), once idle and once after a copy to an image
// file, so the pictures show filled drive lists and the log.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fstream>

#include "emulator/VirtualDriveSpec.h"
#include "app/window/AboutWindow.h"
#include "app/window/MainWindow.h"
#include "platform/Shell.h"

namespace {

bool Save(QWidget* w, const QString& path) {
    if (!w->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Tarnwick");
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarnwick-render-windows OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    platform::SetOpenURLHook([](const std::string&) {}); // no browser for a picture

    QTemporaryDir temp;
    const std::string root = temp.path().toStdString();
    QDir(temp.path()).mkpath("disc/VIDEO_TS");
    std::ofstream(root + "/disc/VIDEO_TS/VIDEO_TS.IFO") << std::string(10000, 'x');
    std::ofstream(root + "/disc/VIDEO_TS/VTS_01_1.VOB") << std::string(200000, 'v');
    std::string error;
    if (!emulator::RegisterVirtualDriveSpec("E=dvd-rom:" + root + "/disc", error) ||
        !emulator::RegisterVirtualDriveSpec("F=dvd-r", error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    tarnwick::app::InstallQtSynchronize();
    // Confirms the job-start notice that the copy below opens.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
    });
    answer.start(20);

    tarnwick::app::TMainWindow window;
    window.show();
    QApplication::processEvents();
    bool ok = Save(&window, out + "/main-window.png");

    auto* source = window.findChild<QComboBox*>("cbSource");
    source->setCurrentIndex(0);
    emit source->activated(0);
    window.findChild<QLineEdit*>("feDestinationEdit")->setText(temp.path() + "/copy.iso");
    window.Form().Image3Click();
    for (int i = 0; i < 500 && window.Form().JobRunning(); ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
    ok = Save(&window, out + "/main-window-job.png") && ok;

    tarnwick::app::TAboutWindow* about = window.AboutWindow();
    about->show();
    QApplication::processEvents();
    ok = Save(about, out + "/about-window.png") && ok;
    about->hide();
    window.hide();
    return ok ? 0 : 1;
}

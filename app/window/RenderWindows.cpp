// Renders the main window and the About window to PNG files for the documentation:
//   tarnwick-render-windows OUTPUT_FOLDER
//   tarnwick-render-windows --icons OUTPUT_FOLDER   (the program's icon, SIZExSIZE/tarnwick.png)
// Run it with QT_QPA_PLATFORM=offscreen. The main window is shown over two virtual drives (a
// DVD-ROM over a small folder and a blank DVD-R), once idle and once after a copy to an image
// file, so the pictures show filled drive lists and the log.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <string>

#include "emulator/VirtualDriveDefinition.h"
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

// The desktop icon is the window's start picture, at the sizes the icon themes use.
bool RenderIcons(const QString& base) {
    bool ok = true;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString folder = base + QString("/%1x%1").arg(size);
        QDir().mkpath(folder);
        const QPixmap icon = tarnwick::app::StartPicture(size);
        ok = icon.save(folder + "/tarnwick.png") && ok;
    }
    return ok;
}

// A small DVD folder in temp as the emulated DVD-ROM E:, and a blank DVD-R in F:.
bool PrepareDrives(QDir& temp) {
    temp.removeRecursively();
    temp.mkpath("disc/VIDEO_TS");
    const std::string root = temp.path().toStdString();
    std::ofstream(root + "/disc/VIDEO_TS/VIDEO_TS.IFO") << std::string(10000, 'x');
    std::ofstream(root + "/disc/VIDEO_TS/VTS_01_1.VOB") << std::string(24 * 1048576, 'v');
    std::string error;
    if (!emulator::RegisterVirtualDriveDefinition("E=dvd-rom:" + root + "/disc", error) ||
        !emulator::RegisterVirtualDriveDefinition("F=dvd-r", error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Tarnwick");
    if (argc == 3 && std::string(argv[1]) == "--icons") return RenderIcons(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarnwick-render-windows [--icons] OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    platform::SetOpenURLHook([](const std::string&) {}); // no browser for a picture

    // A fixed folder, so the pictures show the same paths on every run.
    QDir temp(QDir::tempPath() + "/tarnwick-render");
    if (!PrepareDrives(temp)) return 1;

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
    window.findChild<QLineEdit*>("feDestinationEdit")->setText(temp.path() + "/holiday.iso");
    window.Form().Image3Click();
    QElapsedTimer waited;
    waited.start();
    while (window.Form().JobRunning() && waited.elapsed() < 120000)
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    QApplication::processEvents();
    ok = Save(&window, out + "/main-window-job.png") && ok;

    tarnwick::app::TAboutWindow* about = window.AboutWindow();
    about->show();
    QApplication::processEvents();
    ok = Save(about, out + "/about-window.png") && ok;
    about->hide();
    window.hide();
    temp.removeRecursively();
    return ok ? 0 : 1;
}

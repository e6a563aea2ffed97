// The program: the application titled "Tarnwick", the main window (which creates the About
// window), and the message loop.
#include <QApplication>
#include <cstdio>
#include <string>

#include "app/form/VirtualDrives.h"
#include "app/window/MainWindow.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Tarnwick");
    tarnwick::app::InstallQtSynchronize();
    // Drives listed in the virtual-drives file join the drive table before the window starts
    // the transport, so the program can be shown on a machine without a drive.
    std::string error;
    if (!tarnwick::app::RegisterVirtualDrivesFile(error)) std::fprintf(stderr, "Tarnwick: %s\n", error.c_str());
    tarnwick::app::TMainWindow window;
    window.show();
    return application.exec();
}

// The program: the application titled "Tarnwick", the main window (which creates the About
// window), and the message loop.
#include <objbase.h>

#include <string>

#include "app/form/VirtualDrives.h"
#include "app/win32/MainWindow.h"
#include "platform/Threads.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    // The file dialogs and the folder browser host shell components, which expect COM.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // Drives listed in the virtual-drives file join the drive table before the window starts
    // the transport, so the program can be shown on a machine without a drive.
    std::string error;
    if (!tarnwick::app::RegisterVirtualDrivesFile(error))
        MessageBoxW(nullptr, platform::win32::Widen(error).c_str(), L"Tarnwick", MB_OK | MB_ICONWARNING);
    int code = 1;
    {
        tarnwick::app::win32::TWin32MainWindow window;
        if (window.Handle()) {
            tarnwick::app::win32::InstallWin32Synchronize(window.Handle());
            window.Show(showCommand);
            code = window.Run();
        }
        platform::SetSynchronizeWakeup(nullptr);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return code;
}

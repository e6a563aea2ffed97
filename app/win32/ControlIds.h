#pragma once
// Window classes, control identifiers and private messages of the Win32 windows. Shared with
// the programs that drive the window from outside (the window test, the picture renderer),
// which find the controls through these identifiers.

namespace tarnwick::app::win32 {

inline constexpr const wchar_t* kMainWindowClass = L"TarnwickForm1";
inline constexpr const wchar_t* kAboutWindowClass = L"TarnwickForm2";

// Main window. IDOK and IDCANCEL (1 and 2) are left free: the dialog keyboard handling sends
// them for Enter and Escape.
enum : int {
    kIdSourceLabel = 100,
    kIdSource,            // cbSource
    kIdDestinationLabel,
    kIdDestination,       // cbDestination
    kIdDestinationEdit,   // feDestination: the edit
    kIdDestinationBrowse, // feDestination: its browse button
    kIdTempLabel,
    kIdTempEdit,          // zkSkinDirectoryEdit1: the edit
    kIdTempBrowse,        // zkSkinDirectoryEdit1: its browse button
    kIdGroup,             // zkSkinGroupBox1
    kIdGroupPicture,      // Image2
    kIdLog,               // Memo1
    kIdStart,             // Image1
    kIdStartDuplicate,    // Image3
    kIdAbort,             // bAbort
    kIdStatus,            // the status line
    kIdProgress,          // progress
    kIdMoreSettings,      // zkSkinButton3
    kIdAbout,             // zkSkinButton2
    kIdExit,              // zkSkinButton1
};

// About window.
enum : int {
    kIdAboutTitle = 200, // zkSkinStdLabel1
    kIdAboutVersion,     // zkSkinStdLabel2
    kIdAboutNotice,      // zkSkinStdLabel3
    kIdAboutLink,        // zkSkinLinkLabel1
    kIdAboutOk = 1,      // zkSkinButton1 (IDOK, so Enter presses it)
};

// Timers of the main window.
enum : unsigned { kTimer1Id = 1, kStatusTimerId = 2 };

// Private messages of the main window (WM_APP + n).
enum : unsigned {
    kMsgSynchronize = 0x8000 + 1, // run the procedures queued for the main thread
    kMsgDrainLog = 0x8000 + 2,    // append the log lines that arrived on other threads
    // A choice in a drop-down list, handled once the list's own notifications are over.
    kMsgSourceChosen = 0x8000 + 3,
    kMsgDestinationChosen = 0x8000 + 4,
};

} // namespace tarnwick::app::win32

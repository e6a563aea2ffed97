#pragma once
// TForm2: the About window's logic (title, version label, legal notice, home-page link, OK).
#include <string>

#include "app/form/MainView.h"

namespace tarnwick::app {

class TForm2 {
public:
    static constexpr const char* kTitle = "Tarnwick";
    static constexpr const char* kDesignVersionLabel = "version 1.0";
    static constexpr const char* kLegalNotice =
        "This program is provided as is, without warranty of any kind. Copy only discs that you "
        "own or are allowed to copy; respect the rights of their authors.";
    static constexpr const char* kLinkCaption = "tarnwick.example";

    // The view may be attached after construction (the window is built after the form).
    void SetView(IAboutView* view);

    // zkSkinStdLabel2's text.
    const std::string& VersionLabel() const { return FVersionLabel; }
    void SetVersionLabel(const std::string& text);

    void zkSkinButton1Click(); // OK closes the window
    void LinkClick();          // the link label opens the home page

private:
    IAboutView* View = nullptr;
    std::string FVersionLabel = kDesignVersionLabel;
};

// The maker's pages and the shell call that opens one (the default action).
extern const char* const kHomePage;
extern const char* const kSupportPage;
void OpenHomePage();

} // namespace tarnwick::app

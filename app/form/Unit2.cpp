#include "app/form/Unit2.h"

#include "platform/Shell.h"

namespace tarnwick::app {

const char* const kHomePage = "https://tarnwick.example/";
const char* const kSupportPage = "https://tarnwick.example/support";

void OpenHomePage() { platform::OpenURL(kHomePage); }

void TForm2::SetView(IAboutView* view) {
    View = view;
    if (View) View->SetVersionLabel(FVersionLabel);
}

void TForm2::SetVersionLabel(const std::string& text) {
    FVersionLabel = text;
    if (View) View->SetVersionLabel(text);
}

void TForm2::zkSkinButton1Click() {
    if (View) View->Close();
}

void TForm2::LinkClick() { OpenHomePage(); }

} // namespace tarnwick::app

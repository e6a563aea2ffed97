#pragma once
// The About window with plain Win32 controls: created hidden with the main window, shown
// modally by the About button.
#include "app/form/MainView.h"
#include "app/form/Unit2.h"
#include "platform/win32/Win32.h"

namespace tarnwick::app::win32 {

class TWin32AboutWindow : public IAboutView {
  public:
    TWin32AboutWindow(TForm2& form, HWND owner);
    ~TWin32AboutWindow() override;
    TWin32AboutWindow(const TWin32AboutWindow&) = delete;
    TWin32AboutWindow& operator=(const TWin32AboutWindow&) = delete;

    HWND Handle() const { return Window; }
    // Shows the window centred on its owner, keeps the owner disabled and runs messages until
    // the window is closed. A quit request ends the wait and is passed on to the outer loop.
    void ShowModal();

    void SetVersionLabel(const std::string& text) override;
    void Close() override;

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void BuildControls();

    TForm2& Form;
    HWND Owner;
    HWND Window = nullptr;
    HWND Version = nullptr;
    HWND Link = nullptr;
    bool Open = false;
};

} // namespace tarnwick::app::win32

#pragma once
// The About window on Qt 6 Widgets.
#include <QDialog>

#include "app/form/MainView.h"
#include "app/form/Unit2.h"

class QLabel;

namespace tarnwick::app {

class TAboutWindow : public QDialog, public IAboutView {
public:
    TAboutWindow(TForm2& form, QWidget* parent);
    void SetVersionLabel(const std::string& text) override;
    void Close() override;

private:
    TForm2& Form;
    QLabel* zkSkinStdLabel2 = nullptr;
};

} // namespace tarnwick::app

#include "app/window/AboutWindow.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>

namespace tarnwick::app {

TAboutWindow::TAboutWindow(TForm2& form, QWidget* parent) : QDialog(parent), Form(form) {
    setObjectName("Form2");
    setWindowTitle("About");
    setFixedSize(429, 151);
    setModal(true);

    auto* title = new QLabel(TForm2::kTitle, this);
    title->setObjectName("zkSkinStdLabel1");
    QFont big = title->font();
    big.setPointSize(20);
    big.setBold(true);
    title->setFont(big);
    title->setGeometry(16, 8, 240, 36);

    zkSkinStdLabel2 = new QLabel(this);
    zkSkinStdLabel2->setObjectName("zkSkinStdLabel2");
    zkSkinStdLabel2->setGeometry(264, 20, 150, 20);
    zkSkinStdLabel2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* notice = new QLabel(TForm2::kLegalNotice, this);
    notice->setObjectName("zkSkinStdLabel3");
    notice->setWordWrap(true);
    notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    notice->setGeometry(16, 48, 397, 54);

    auto* link = new QLabel(this);
    link->setObjectName("zkSkinLinkLabel1");
    link->setText(QString("<a href=\"%1\">%2</a>").arg(kHomePage, TForm2::kLinkCaption));
    link->setTextFormat(Qt::RichText);
    link->setOpenExternalLinks(false);
    link->setCursor(Qt::PointingHandCursor);
    link->setGeometry(16, 114, 240, 22);
    connect(link, &QLabel::linkActivated, this, [this](const QString&) { Form.LinkClick(); });

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("zkSkinButton1");
    ok->setDefault(true);
    ok->setGeometry(333, 112, 80, 26);
    connect(ok, &QPushButton::clicked, this, [this] { Form.zkSkinButton1Click(); });

    Form.SetView(this);
}

void TAboutWindow::SetVersionLabel(const std::string& text) {
    zkSkinStdLabel2->setText(QString::fromStdString(text));
}

void TAboutWindow::Close() { accept(); }

} // namespace tarnwick::app

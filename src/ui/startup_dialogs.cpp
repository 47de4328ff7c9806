#include "ui/startup_dialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

namespace {
constexpr int kSplashMilliseconds = 1250;

QLabel* titleLabel(QWidget* parent) {
    auto* title = new QLabel("KAVRO", parent);
    QFont f = title->font();
    f.setPointSize(f.pointSize() * 3);
    f.setBold(true);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    return title;
}
}  // namespace

SplashScreen::SplashScreen(const QString& description, QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName("210");
    setWindowTitle("KAVRO");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(titleLabel(this));
    auto* text =
        new QLabel(description + "\nFabry-Perot interferometer control and analysis station", this);
    text->setAlignment(Qt::AlignCenter);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    QTimer::singleShot(kSplashMilliseconds, this, &QDialog::accept);
}

CAboutDlg::CAboutDlg(const QString& description, unsigned long build, QWidget* parent)
    : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName("100");
    setWindowTitle("About KAVRO");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(titleLabel(this));
    char text[256];
    std::snprintf(text, sizeof text, "%s - build %lu", description.toLatin1().constData(), build);
    auto* version = new QLabel(QString::fromLatin1(text), this);
    version->setObjectName(QString::number(kVersionText));
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(version);
    auto* credits = new QLabel(
        "Control and analysis station of a scanning multi-pass Fabry-Perot interferometer", this);
    credits->setAlignment(Qt::AlignCenter);
    layout->addWidget(credits);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

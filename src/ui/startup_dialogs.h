#pragma once

#include <QDialog>

// Shown at start-up; closes itself after 1250 ms or on OK and frees itself.
class SplashScreen final : public QDialog {
    Q_OBJECT
public:
    explicit SplashScreen(const QString& description, QWidget* parent);
};

// Program description and build number; modeless from the Setup menu.
class CAboutDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kVersionText = 1217;
    CAboutDlg(const QString& description, unsigned long build, QWidget* parent);
};

#include "shell/kavro_app.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <cstdio>
#include <vector>

ProgramDirectories computeProgramDirectories(const std::string& baseOverride) {
    ProgramDirectories dirs;
    QString base;
    if (!baseOverride.empty()) {
        base = QDir(QString::fromStdString(baseOverride)).absolutePath();
    } else {
        const QString appData =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        base = appData.isEmpty() ? QCoreApplication::applicationDirPath()
                                 : QDir(appData).filePath("KAVRO");
    }
    dirs.baseDirectory = QDir::toNativeSeparators(base).toStdString();
    dirs.backupDirectory = QDir::toNativeSeparators(QDir(base).filePath("backup")).toStdString();
    return dirs;
}

CKavroApp::CKavroApp(ProfileStore& store, Prompter& prompter, ProgramDirectories directories)
    : prompter_(prompter), setup_(store, std::move(directories)) {}

void CKavroApp::StartUp() {
    QDir().mkpath(QString::fromStdString(setup_.directories().baseDirectory));
    setup_.StartUp(prompter_);
    CheckBackupDirectory();
    QDir::setCurrent(QString::fromStdString(setup_.directories().baseDirectory));
}

void CKavroApp::CheckBackupDirectory() {
    Settings& s = setup_.values();
    if (!s.back_enable || QDir::setCurrent(QString::fromStdString(s.backup_dir))) {
        return;
    }
    std::vector<char> text(std::char_traits<char>::length(kBackupDirQuestion) +
                           s.backup_dir.size() + 1);
    std::snprintf(text.data(), text.size(), kBackupDirQuestion, s.backup_dir.c_str());
    if (prompter_.askYesNo(text.data())) {
        QDir().mkdir(QString::fromStdString(s.backup_dir));  // a failure is not reported
    } else {
        s.back_enable = 0;  // for this run; stored only by the next save
        s.backup_dir = setup_.directories().baseDirectory;
    }
}

void CKavroApp::Finish(bool windowEndedOk) {
    if (windowEndedOk) {
        setup_.CleanExit();
    }
}

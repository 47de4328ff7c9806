#include "ui/qt_file_dialogs.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>

QStringList QtFileDialogs::nameFilters(const std::string& filter) {
    const QStringList parts = QString::fromLatin1(filter.c_str()).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            break;
        }
        QString name = parts[i];
        // The label already shows the pattern; Qt matches by the pattern in parentheses.
        const QString pattern = QString(parts[i + 1]).replace(';', ' ');
        if (!name.contains('(')) {
            name += " (" + pattern + ")";
        } else {
            name = name.left(name.indexOf('(')) + "(" + pattern + ")";
        }
        filters << name;
    }
    return filters;
}

namespace {

std::optional<std::string> run(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString();
}

void prepare(QFileDialog& dialog, const std::string& filter, const std::string& extension) {
    dialog.setNameFilters(QtFileDialogs::nameFilters(filter));
    dialog.setDefaultSuffix(QString::fromStdString(extension));
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setDirectory(QDir::current());
}

}  // namespace

std::optional<std::string> QtFileDialogs::openFile(const std::string& title,
                                                   const std::string& filter,
                                                   const std::string& defaultExtension) {
    QFileDialog dialog(parent_, QString::fromLatin1(title.c_str()));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    prepare(dialog, filter, defaultExtension);
    return run(dialog);
}

std::optional<std::vector<std::string>> QtFileDialogs::openFiles(
    const std::string& title, const std::string& filter, const std::string& defaultExtension) {
    QFileDialog dialog(parent_, QString::fromLatin1(title.c_str()));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    prepare(dialog, filter, defaultExtension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    std::vector<std::string> paths;
    for (const QString& file : dialog.selectedFiles()) {
        paths.push_back(QDir::toNativeSeparators(file).toStdString());
    }
    return paths;
}

std::optional<std::string> QtFileDialogs::saveFile(const std::string& title,
                                                   const std::string& filter,
                                                   const std::string& defaultExtension) {
    QFileDialog dialog(parent_, QString::fromLatin1(title.c_str()));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    prepare(dialog, filter, defaultExtension);
    return run(dialog);
}

std::optional<std::string> QtFileDialogs::chooseDirectory(const std::string& title,
                                                          const std::string& start) {
    const QString dir = QFileDialog::getExistingDirectory(
        parent_, QString::fromLatin1(title.c_str()), QString::fromStdString(start));
    if (dir.isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(dir).toStdString();
}

std::optional<int> QtFileDialogs::chooseColour(int initial) {
    const QColor start(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
    const QColor c = QColorDialog::getColor(start, parent_);
    if (!c.isValid()) {
        return std::nullopt;
    }
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

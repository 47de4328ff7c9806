#include "window/spectrum/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

std::filesystem::path fsPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

std::string text(const QString& s) {
    return s.toStdString();
}

}  // namespace

std::optional<std::string> writeFileAtomically(const std::string& path, const std::string& bytes) {
    // Through a link the file it points at is replaced, not the link.
    const QFileInfo given(QString::fromStdString(path));
    const QString target = given.isSymLink() ? given.symLinkTarget() : given.filePath();
    const QFileInfo info(target);
    if (info.isDir()) {
        return std::string("It is a folder, not a file.");
    }
    if (!info.absoluteDir().exists()) {
        return std::string("No such file or directory");
    }
    // A new file of our own beside the target; its permissions follow the usual defaults.
    QString name;
    for (int attempt = 0; attempt < 1000 && name.isEmpty(); ++attempt) {
        const QString candidate = target + QString(".kavro-%1.tmp").arg(attempt);
        if (!QFileInfo::exists(candidate)) {
            name = candidate;
        }
    }
    QFile temporary(name);
    if (name.isEmpty() || !temporary.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return text(temporary.errorString());
    }
    const qint64 size = static_cast<qint64>(bytes.size());
    const bool written = temporary.write(bytes.data(), size) == size && temporary.flush();
    const QString why = temporary.errorString();
    const QFileDevice::FileError failure = temporary.error();
    temporary.close();
    // The size on disk catches a short write the file class lets through.
    const qint64 onDisk = QFileInfo(name).size();
    if (!written || onDisk != size) {
        QFile::remove(name);
        // A short write leaves the file class without a reason of its own: say how far it got.
        if (failure != QFileDevice::NoError && onDisk == size) {
            return text(why);
        }
        char count[96];
        std::snprintf(count, sizeof count, "Only %lld of %lld bytes could be written.",
                      static_cast<long long>(onDisk), static_cast<long long>(size));
        return std::string(count);
    }
    if (info.exists()) {
        temporary.setPermissions(QFile(target).permissions());
    }
    std::error_code error;
    std::filesystem::rename(fsPath(name), fsPath(target), error);
    if (error) {
        QFile::remove(name);
        return error.message();
    }
    return std::nullopt;
}

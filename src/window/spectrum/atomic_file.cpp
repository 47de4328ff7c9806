#include "window/spectrum/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <filesystem>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

fs::path fsPath(const QString& path) {
    return fs::path(path.toStdU16String());
}

QString qPath(const fs::path& path) {
    return QString::fromStdU16String(path.u16string());
}

std::string text(const QString& s) {
    return s.toStdString();
}

// The file a chain of links finally names (for a dangling link, the file to create), so that
// the file is replaced and the links stay as they are. Nothing for a loop of links.
std::optional<fs::path> followLinks(fs::path path) {
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) {
            return path;
        }
        const fs::path next = fs::read_symlink(path, error);
        if (error) {
            return std::nullopt;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return std::nullopt;
}

// Whether the user may change the existing file. Root may write anything, yet a file that
// grants write permission to nobody is one its owner meant to keep as it is, so that counts
// for everyone; otherwise the system's own answer stands (ownership, groups, ACLs, read-only
// mounts).
bool userMayWrite(const fs::path& file) {
#if defined(__unix__) || defined(__APPLE__)
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        return true;  // nothing there to protect
    }
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return false;
    }
    return ::access(file.c_str(), W_OK) == 0;
#else
    return QFileInfo(qPath(file)).isWritable();
#endif
}

// The new file takes the old one's owner (where the user may give it) and its mode.
void keepOwnerAndMode(const fs::path& from, const fs::path& to) {
#if defined(__unix__) || defined(__APPLE__)
    struct stat st {};
    if (::stat(from.c_str(), &st) != 0) {
        return;
    }
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
        [[maybe_unused]] const int ignored = ::chown(to.c_str(), st.st_uid, st.st_gid);
    }
    ::chmod(to.c_str(), st.st_mode & 07777);
#else
    QFile::setPermissions(qPath(to), QFile::permissions(qPath(from)));
#endif
}

}  // namespace

std::optional<std::string> writeFileAtomically(const std::string& path, const std::string& bytes) {
    const auto followed = followLinks(fsPath(QString::fromStdString(path)));
    if (!followed) {
        return std::string("Too many levels of symbolic links");
    }
    const QString target = qPath(*followed);
    const QFileInfo info(target);
    if (info.isDir()) {
        return std::string("It is a folder, not a file.");
    }
    if (!info.absoluteDir().exists()) {
        return std::string("No such file or directory");
    }
    if (info.exists() && !userMayWrite(*followed)) {
        return std::string("Permission denied");
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
        keepOwnerAndMode(*followed, fsPath(name));
    }
    std::error_code error;
    std::filesystem::rename(fsPath(name), fsPath(target), error);
    if (error) {
        QFile::remove(name);
        return error.message();
    }
    return std::nullopt;
}

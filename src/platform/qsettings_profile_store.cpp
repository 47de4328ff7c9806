#include "platform/qsettings_profile_store.h"

#include <QDir>
#include <set>

namespace {

constexpr const char* kSection = "Kavro";

// Folder names are file-system paths, UTF-8 like every path in the program; every other text
// of the section is the station's 8-bit text, Latin-1.
bool isPath(const std::string& key) {
    static const std::set<std::string> paths{"backup_dir", "data_directory"};
    return paths.count(key) != 0;
}

QString decoded(const std::string& key, const std::string& bytes) {
    const auto size = static_cast<qsizetype>(bytes.size());
    return isPath(key) ? QString::fromUtf8(bytes.data(), size)
                       : QString::fromLatin1(bytes.data(), size);
}

std::string encoded(const std::string& key, const QString& text) {
    return isPath(key) ? text.toStdString() : text.toLatin1().toStdString();
}

}  // namespace

QSettingsProfileStore::QSettingsProfileStore(const QString& directory) {
    if (directory.isEmpty()) {
#ifdef Q_OS_WIN
        const auto format = QSettings::NativeFormat;
#else
        const auto format = QSettings::IniFormat;
#endif
        settings_ = std::make_unique<QSettings>(format, QSettings::UserScope, "KAVRO", "kavro");
    } else {
        QDir().mkpath(directory);
        settings_ = std::make_unique<QSettings>(QDir(directory).filePath("kavro.ini"),
                                                QSettings::IniFormat);
    }
}

QString QSettingsProfileStore::path(const std::string& key) const {
    return QString(kSection) + '/' + QString::fromStdString(key);
}

std::optional<int> QSettingsProfileStore::readInt(const std::string& key) const {
    const QVariant v = settings_->value(path(key));
    if (!v.isValid()) {
        return std::nullopt;
    }
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

std::optional<std::string> QSettingsProfileStore::readString(const std::string& key) const {
    const QVariant v = settings_->value(path(key));
    if (!v.isValid() || !v.canConvert<QString>()) {
        return std::nullopt;
    }
    return encoded(key, v.toString());
}

void QSettingsProfileStore::writeInt(const std::string& key, int value) {
    settings_->setValue(path(key), value);
}

void QSettingsProfileStore::writeString(const std::string& key, const std::string& value) {
    settings_->setValue(path(key), decoded(key, value));
}

void QSettingsProfileStore::deleteSection() {
    settings_->remove(kSection);
}

void QSettingsProfileStore::flush() {
    settings_->sync();
}

#pragma once

#include <QSettings>
#include <memory>

#include "core/profile_store.h"

// The settings section on QSettings: the registry key on Windows, an INI file elsewhere.
// Texts are stored as the characters they stand for: the station's Latin-1 texts, and the
// folder names as UTF-8 paths.
class QSettingsProfileStore final : public ProfileStore {
public:
    using ProfileStore::readInt;
    using ProfileStore::readString;

    // Empty directory: the user's own location (organisation "KAVRO", application "kavro").
    // Otherwise an INI file "kavro.ini" in that directory.
    explicit QSettingsProfileStore(const QString& directory = {});

    std::optional<int> readInt(const std::string& key) const override;
    std::optional<std::string> readString(const std::string& key) const override;
    void writeInt(const std::string& key, int value) override;
    void writeString(const std::string& key, const std::string& value) override;
    void deleteSection() override;
    void flush() override;

    QString location() const { return settings_->fileName(); }

private:
    QString path(const std::string& key) const;
    std::unique_ptr<QSettings> settings_;
};

#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "core/file_dialogs.h"

// The Qt standard dialogs behind FileDialogs.
class QtFileDialogs final : public FileDialogs {
public:
    void setParent(QWidget* parent) { parent_ = parent; }

    std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                        const std::string& defaultExtension) override;
    std::optional<std::vector<std::string>> openFiles(const std::string& title,
                                                      const std::string& filter,
                                                      const std::string& defaultExtension) override;
    std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                        const std::string& defaultExtension) override;
    std::optional<std::string> chooseDirectory(const std::string& title,
                                               const std::string& start) override;
    std::optional<int> chooseColour(int initial) override;

    // "Spectrum files (*.DAT)|*.DAT|All files (*.*)|*.*||" as Qt name filters.
    static QStringList nameFilters(const std::string& filter);

private:
    QPointer<QWidget> parent_;
};

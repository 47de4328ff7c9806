#pragma once

#include <QString>
#include <QValidator>
#include <string>

// The station's texts (comments, names, captions, messages) are 8-bit Latin-1, the form they
// take in its spectrum files, settings and console replies; paths are UTF-8. These are the
// only conversions between them and the widgets.
// A record's text ends at its first NUL, as it does in the files.
inline QString fromStationText(const std::string& text) {
    return QString::fromLatin1(text.c_str());
}

inline std::string toStationText(const QString& text) {
    return text.toLatin1().toStdString();
}

inline QString fromPath(const std::string& path) {
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

// Keeps characters out of an edit that the station's texts cannot hold, so that what the
// operator sees is what gets stored (instead of a '?' in the file).
class StationTextValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (const QChar c : input) {
            if (c.unicode() > 0xFF) {
                return Invalid;
            }
        }
        return Acceptable;
    }
};

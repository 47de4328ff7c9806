#include "window/spectrum/batch_conversion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "spectrum/formatted.h"
#include "window/acquisition/menu_table.h"
#include "window/spectrum/atomic_file.h"
#include "window/spectrum/file_commands.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

namespace {

// A spectrum file holds at most 17 header lines of 255 bytes and 1024 counts; the reader never
// looks further, so the rest of a large file is not read.
constexpr qint64 kReadLimit = 64 * 1024;
constexpr std::size_t kHeaderLineLimit = 254;  // the reader's header line, its line end aside
constexpr std::size_t kCountLineLimit = 12;    // the reader's value line, its line end aside
constexpr std::size_t kMostCounts = 1024;
// So many files are named in the summary; a message box holds no more.
constexpr std::size_t kListedFiles = 15;

QString qPath(const std::string& path) {
    return QString::fromStdString(path);
}

// Paths come in UTF-8; the window's texts are in the station's 8-bit code page.
std::string shownName(const std::string& path) {
    return QFileInfo(qPath(path)).fileName().toLatin1().toStdString();
}

// One key for every name of a file: links resolved, and case folded because a case-blind file
// system calls x.TXT and x.txt one file.
std::string fileKey(const std::string& path) {
    const QFileInfo info(qPath(path));
    const QString name =
        info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
    return name.toLower().toStdString();
}

bool blank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// What the reader takes for a count: a number's digits first, after spaces. It ignores what
// follows them ("147.0" is 147), so that is no damage; a line that starts otherwise would be
// read as 0.
bool isCount(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && line[first] >= '0' && line[first] <= '9';
}

}  // namespace

std::optional<std::string> spectrumFileProblem(std::string_view bytes,
                                               const FileStructure& structure) {
    if (bytes.empty()) {
        return std::string("The file is empty.");
    }
    if (bytes.find('\0') != std::string_view::npos) {
        return std::string("The file holds binary data, not a spectrum.");
    }
    const int header = std::max(0, structure.headerLineCount());
    std::size_t pos = 0;
    std::size_t counts = 0;
    int line = 0;
    std::optional<int> blankLine;  // a blank line among the counts, allowed only at the end
    while (pos < bytes.size() && counts < kMostCounts) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        std::string_view text = bytes.substr(pos, end - pos);
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
        }
        pos = end + 1;
        ++line;
        if (line <= header) {
            if (text.size() > kHeaderLineLimit) {
                return formatted("Header line %d is longer than a spectrum file's header line.",
                                 line);
            }
            continue;
        }
        if (blank(text)) {
            blankLine = blankLine.value_or(line);
            continue;
        }
        if (blankLine) {
            return formatted("Line %d is empty in the middle of the counts.", *blankLine);
        }
        if (!isCount(text) || text.size() > kCountLineLimit) {
            return formatted(
                "Line %d is not a count: this is not a spectrum file of the configured layout.",
                line);
        }
        ++counts;
    }
    if (counts == 0) {
        return std::string("The file ends before its first count.");
    }
    return std::nullopt;
}

BatchConversion::BatchConversion(std::vector<std::string> inputs, FileStructure structure,
                                 double scanAmplitude)
    : inputs_(std::move(inputs)), structure_(std::move(structure)) {
    scratch_.scanAmplitude = scanAmplitude;
    for (const std::string& input : inputs_) {
        inputKeys_.insert(fileKey(input));
    }
    reports_.reserve(inputs_.size());
}

std::string BatchConversion::rawPathFor(const std::string& input) {
    const std::size_t slash = input.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t period = input.find_last_of('.');
    if (period == std::string::npos || period <= nameStart) {
        return input + ".txt";  // no extension to replace (".DAT" alone is a name)
    }
    return input.substr(0, period) + ".txt";
}

std::string BatchConversion::next() const {
    return finished() ? std::string() : inputs_[done()];
}

bool BatchConversion::convertNext() {
    if (!finished()) {
        reports_.push_back(convert(inputs_[done()]));
    }
    return !finished();
}

BatchConversion::FileReport BatchConversion::convert(const std::string& input) {
    FileReport report{input, rawPathFor(input), Outcome::Converted, {}};
    const std::string outputKey = fileKey(report.output);
    if (inputKeys_.count(outputKey) != 0) {
        report.outcome = Outcome::Skipped;
        report.why = "Skipped: its raw file " + shownName(report.output) +
                     " would replace one of the chosen files.";
        return report;
    }
    if (outputKeys_.count(outputKey) != 0) {
        report.outcome = Outcome::Skipped;
        report.why = "Skipped: its raw file " + shownName(report.output) +
                     " was already written for another chosen file.";
        return report;
    }
    report.outcome = Outcome::Failed;
    const QFileInfo info(qPath(input));
    if (info.isDir()) {
        report.why = "Cannot be read: it is a folder, not a file.";
        return report;
    }
    QFile file(qPath(input));
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.read(kReadLimit) : QByteArray();
    if (file.error() != QFileDevice::NoError) {
        report.why = "Cannot be read (" + file.errorString().toLatin1().toStdString() + ").";
        return report;
    }
    file.close();
    const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (const auto problem = spectrumFileProblem(view, structure_)) {
        report.why = *problem;
        return report;
    }
    scratch_.ReadFromFile(view, structure_);
    std::string raw;
    scratch_.WriteRawToFile(raw);
    if (const auto failure = writeFileAtomically(report.output, raw)) {
        report.why =
            "Its raw file " + shownName(report.output) + " cannot be written (" + *failure + ").";
        return report;
    }
    outputKeys_.insert(outputKey);
    report.outcome = Outcome::Converted;
    return report;
}

int BatchConversion::converted() const {
    return static_cast<int>(std::count_if(reports_.begin(), reports_.end(), [](const auto& r) {
        return r.outcome == Outcome::Converted;
    }));
}

std::string BatchConversion::summary(bool cancelled) const {
    std::string text = formatted("Successfully converted %d files out of %d", converted(),
                                 static_cast<int>(total()));
    std::size_t listed = 0;
    std::size_t unlisted = 0;
    for (const FileReport& report : reports_) {
        if (report.outcome == Outcome::Converted) {
            continue;
        }
        if (listed == kListedFiles) {
            ++unlisted;
            continue;
        }
        text += (listed == 0 ? "\n\nNot converted:\n" : "\n");
        text += shownName(report.input) + ": " + report.why;
        ++listed;
    }
    if (unlisted > 0) {
        text += formatted("\n... and %d more", static_cast<int>(unlisted));
    }
    if (cancelled && !finished()) {
        text += formatted("\n\nCancelled: %d files were left as they were, without raw files.",
                          static_cast<int>(total() - done()));
    }
    return text;
}

BatchConversionCommand::BatchConversionCommand(CSpectrumwnd& window) : w_(window) {
    w_.addCommand(cmd::kConvertToRaw, [this] { Convert(); });
}

void BatchConversionCommand::Convert() {
    if (!menuItemState(cmd::kConvertToRaw, w_.flags()).enabled) {
        return;  // the menu greys it out; another way in is held to the same rule
    }
    const std::string& ext = w_.settings().fileStructure.defaultExt;
    const auto files = w_.dialogs().openFiles(kTitle, w_.fileCommands().spectrumFilter(), ext);
    if (!files || files->empty()) {
        return;
    }
    BatchConversion batch(*files, w_.settings().fileStructure, w_.state().spectrum().scanAmplitude);
    bool cancelled = false;
    if (batch.total() >= kProgressFrom) {
        cancelled = !w_.view().runWithProgress(
            kProgressTitle, static_cast<int>(batch.total()),
            [&batch] { return "Converting " + shownName(batch.next()); },
            [&batch] { return batch.convertNext(); });
    } else {
        while (batch.convertNext()) {
        }
    }
    const bool allConverted = batch.converted() == static_cast<int>(batch.total());
    w_.prompter().tell(batch.summary(cancelled),
                       allConverted ? PromptIcon::Information : PromptIcon::Exclamation);
}

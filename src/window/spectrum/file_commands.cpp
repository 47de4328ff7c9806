#include "window/spectrum/file_commands.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

#include "platform/messages.h"
#include "window/captions.h"
#include "window/spectrum/atomic_file.h"
#include "window/spectrum/measurement_information.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

namespace {

// The readers look at far less than this (a spectrum file at most some 18 kB, a raw file 1024
// lines); the rest of a huge file chosen by mistake is not read into memory.
constexpr qint64 kReadLimit = 16 * 1024 * 1024;

QString qPath(const std::string& path) {
    return QString::fromStdString(path);
}

// Paths come in UTF-8; the window's texts are in the station's 8-bit code page.
std::string shown(const QString& text) {
    return text.toLatin1().toStdString();
}

std::string cannotRead(const std::string& path, const QString& why) {
    return "Cannot read the file\n" + shown(qPath(path)) + "\n" + shown(why) +
           "\nThe spectrum has not been changed.";
}

std::string cannotWrite(const std::string& path, const QString& why) {
    return "Cannot write the file\n" + shown(qPath(path)) + "\n" + shown(why) +
           "\nNothing was saved; a file of that name was left as it was.";
}

std::string notRaw(const std::string& path) {
    return "The file\n" + shown(qPath(path)) +
           "\ndoes not hold raw data: its first line is not a frequency and a count.\nThe "
           "spectrum has not been changed.";
}

}  // namespace

FileCommands::FileCommands(CSpectrumwnd& window) : w_(window) {
    w_.addCommand(cmd::kLoadSpectrum, [this] { Load(); });
    w_.addCommand(ctl::kLoad, [this] { Load(); });
    w_.addCommand(cmd::kSaveAs, [this] { SaveAs(); });
    w_.addCommand(ctl::kSave, [this] { SaveAs(); });
    w_.addCommand(cmd::kSaveOverwrite, [this] { Overwrite(); });
    w_.addCommand(cmd::kLoadRaw, [this] { LoadRaw(); });
    w_.addCommand(cmd::kSaveRaw, [this] { SaveRaw(); });
    w_.addCommand(cmd::kSaveZone, [this] { SaveZone(); });
    w_.addCommand(cmd::kNewSpectrum, [this] { Delete(); });
    w_.addCommand(ctl::kDelete, [this] { Delete(); });
    w_.addCommand(cmd::kMeasurementInformation, [this] { EditInformation(); });
    w_.addCommand(ctl::kInformation, [this] { EditInformation(); });
    w_.addMessageHandler(msg::WM_OPEN_COMMAND_LINE_FILE,
                         [this](Message&) { OpenCommandLineFile(); });
}

std::string FileCommands::spectrumFilter() const {
    const std::string& ext = w_.settings().fileStructure.defaultExt;
    return "Spectrum files (*." + ext + ")|*." + ext + "|All files (*.*)|*.*||";
}

std::string FileCommands::defaultFilePath() const {
    const std::string& dir = w_.context().executableDirectory;
    if (dir.empty()) {
        return {};
    }
    const QString name =
        QString::fromStdString("default." + w_.settings().fileStructure.defaultExt);
    return QDir::toNativeSeparators(QDir(qPath(dir)).filePath(name)).toStdString();
}

std::optional<FileCommands::FileBytes> FileCommands::readFile(const std::string& path) {
    const QFileInfo info(qPath(path));
    if (info.isDir()) {
        w_.prompter().tell(cannotRead(path, "It is a folder, not a file."));
        return std::nullopt;
    }
    QFile file(qPath(path));
    if (!file.open(QIODevice::ReadOnly)) {
        w_.prompter().tell(cannotRead(path, file.errorString()));
        return std::nullopt;
    }
    FileBytes read;
    const QByteArray bytes = file.read(kReadLimit);
    if (file.error() != QFileDevice::NoError) {
        w_.prompter().tell(cannotRead(path, file.errorString()));
        return std::nullopt;
    }
    read.bytes = bytes.toStdString();
    read.modified = static_cast<std::time_t>(info.lastModified().toSecsSinceEpoch());
    return read;
}

bool FileCommands::writeFile(const std::string& path, const std::string& bytes) {
    if (const auto failure = writeFileAtomically(path, bytes)) {
        w_.prompter().tell(cannotWrite(path, QString::fromStdString(*failure)));
        return false;
    }
    return true;
}

void FileCommands::showChannels(const char* format) {
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<int>(w_.state().spectrum().channels));
    w_.view().setControlText(ctl::kChannelsLabel, text);
}

bool FileCommands::LoadFromPath(const std::string& path) {
    std::optional<FileBytes> file = readFile(path);
    if (!file) {
        return false;
    }
    CKavroSpectrum spectrum;
    spectrum = w_.state().spectrum();
    spectrum.ReadFromFile(file->bytes, w_.settings().fileStructure);
    w_.state().fileLoaded(spectrum, {shown(QFileInfo(qPath(path)).fileName()), path},
                          file->modified, SpectrumSource::File);
    w_.view().setControlText(ctl::kAcquisition, caption::kStartAcquisition);
    if (w_.settings().autoscale_on_load) {
        w_.plot().setScale(w_.state().spectrum().AutoscaleLevel());
    }
    showChannels("Channels : %d");
    w_.view().setTitle("Spectrum window - " + w_.state().fileName() + " ");
    w_.view().redraw();
    return true;
}

void FileCommands::Load() {
    Prompter& prompter = w_.prompter();
    if (w_.state().modified() && !prompter.askYesNo(kDiscard, PromptIcon::Question)) {
        return;
    }
    std::optional<double> keptAmplitude;
    bool discardCalibration = false;
    if (w_.state().calibrated()) {
        if (prompter.askYesNo(kDiscardCalibration, PromptIcon::None)) {
            discardCalibration = true;
        } else {
            keptAmplitude = w_.state().spectrum().scanAmplitude;
        }
    }
    const auto path =
        w_.dialogs().openFile(kLoadTitle, spectrumFilter(), w_.settings().fileStructure.defaultExt);
    if (!path) {
        if (discardCalibration) {
            w_.state().calibrationDiscarded();  // the answer stands without a file
        }
        return;
    }
    if (!LoadFromPath(*path)) {
        return;  // nothing was loaded: the calibration still holds
    }
    if (discardCalibration) {
        w_.state().calibrationDiscarded();
    } else if (keptAmplitude) {
        w_.state().calibrationKept(*keptAmplitude);
    }
    if (w_.settings().show_summary) {
        w_.view().showInformation(
            SpectrumInformation(w_.state().spectrum(), w_.state().fileTime()));
    }
}

void FileCommands::SaveAs() {
    const auto path =
        w_.dialogs().saveFile(kSaveTitle, spectrumFilter(), w_.settings().fileStructure.defaultExt);
    if (path) {
        std::string bytes;
        w_.state().spectrum().WriteToFile(bytes, w_.settings().fileStructure);
        if (writeFile(*path, bytes)) {
            w_.state().saved({shown(QFileInfo(qPath(*path)).fileName()), *path});
        }
    }
    w_.view().redraw();
}

void FileCommands::Overwrite() {
    const std::string& current = w_.state().filePath();
    if (!current.empty() && current != kNoName) {
        std::string bytes;
        w_.state().spectrum().WriteToFile(bytes, w_.settings().fileStructure);
        if (writeFile(current, bytes)) {
            w_.state().saved();
        }
    }
    w_.view().redraw();
}

void FileCommands::SaveRaw() {
    const auto path = w_.dialogs().saveFile(kSaveRawTitle, kRawFilter, kRawExtension);
    if (!path) {
        return;
    }
    std::string bytes;
    CKavroSpectrum spectrum;
    spectrum = w_.state().spectrum();  // the raw writer may fill in channels
    spectrum.WriteRawGeneralToFile(bytes);
    writeFile(*path, bytes);
}

void FileCommands::SaveZone() {
    const OperatingFlags flags = w_.flags();
    const std::uint16_t lower = std::min(flags.marker1Channel, flags.marker2Channel);
    const std::uint16_t upper = std::max(flags.marker1Channel, flags.marker2Channel);
    const auto path = w_.dialogs().saveFile(kSaveZoneTitle, kRawFilter, kRawExtension);
    if (!path) {
        return;
    }
    std::string bytes;
    CKavroSpectrum spectrum;
    spectrum = w_.state().spectrum();
    spectrum.WriteRawGeneralToFile(bytes, lower, upper);
    writeFile(*path, bytes);
}

void FileCommands::LoadRaw() {
    if (w_.state().modified() && !w_.prompter().askYesNo(kDiscardBeforeRaw, PromptIcon::None)) {
        return;
    }
    const auto path = w_.dialogs().openFile(kLoadRawTitle, kRawFilter, kRawExtension);
    if (!path) {
        return;
    }
    std::optional<FileBytes> file = readFile(*path);
    if (!file) {
        return;
    }
    CKavroSpectrum spectrum;
    spectrum = w_.state().spectrum();
    if (!spectrum.ReadRawFromFile(file->bytes)) {
        w_.prompter().tell(notRaw(*path));
        return;
    }
    w_.state().fileLoaded(spectrum, {shown(QFileInfo(qPath(*path)).fileName()), *path}, 0,
                          SpectrumSource::RawFile);
    showChannels("Channels : %d");
    w_.view().setTitle("Spectrum window - " + w_.state().fileName());
    w_.view().redraw();
}

void FileCommands::Delete() {
    const OperatingFlags flags = w_.flags();
    if (w_.state().modified() && !flags.consoleHoldsControl &&
        !w_.prompter().askYesNo(kDiscard, PromptIcon::Question)) {
        return;
    }
    // A client holding remote control tells its server from its spectrum-replaced listener.
    w_.state().cleared(w_.settings().last_mirror_spacing);
    w_.view().setProgress(0);
    w_.view().setControlText(ctl::kAcquisition, caption::kStartAcquisition);
    w_.view().setTitle("Spectrum window");
    w_.view().redraw();
}

void FileCommands::EditInformation() {
    w_.state().markModified();  // whatever the dialog's outcome
    // The editor works on a copy: a cancelled dialog leaves the spectrum as it was.
    CKavroSpectrum spectrum;
    spectrum = w_.state().spectrum();
    MeasurementInformationEdit edit(spectrum, w_.state().calibrated(), w_.state().fileTime(),
                                    w_.prompter());
    if (w_.view().editInformation(edit)) {
        w_.state().informationEdited(spectrum, edit.locked());
    }
    showChannels("Channels :   %d");
    w_.view().redraw();
}

void FileCommands::ReadDefaultFile() {
    const std::string path = defaultFilePath();
    if (path.empty()) {
        return;
    }
    QFile file(qPath(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return;  // no default file is the usual case
    }
    const QByteArray bytes = file.read(kReadLimit);
    if (file.error() != QFileDevice::NoError) {
        return;
    }
    CKavroSpectrum spectrum;
    spectrum = w_.state().spectrum();
    spectrum.ReadFromFile(bytes.toStdString(), w_.settings().fileStructure);
    w_.state().defaultFileRead(spectrum);
    showChannels("Channels : %d");
}

int FileCommands::OpenCommandLineFile() {
    const std::string& file = w_.context().commandLineFile;
    if (file.empty()) {
        return -1;
    }
    if (!w_.state().running() && !w_.flags().clientMode && !w_.state().modified()) {
        LoadFromPath(file);
    }
    return 0;
}

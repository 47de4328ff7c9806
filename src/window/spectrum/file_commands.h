#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

class CSpectrumwnd;

// The spectrum window's commands that move its spectrum to and from files, clear it, and
// edit its measurement information; the default file and the file named at start.
class FileCommands {
public:
    static constexpr const char* kDiscard = "Do you want to discard this spectrum ?";
    static constexpr const char* kDiscardCalibration =
        "The scan amplitude has been calibrated - do you want to discard it and load the new "
        "spectrum one?\n(if you answer no I'll keep the current amplitude)";
    static constexpr const char* kDiscardBeforeRaw =
        "Do you want to discard this spectrum ? If you answer yes, any calibration of the "
        "frequency scale will be lost, too.";
    static constexpr const char* kNoName = "<NONAME>";
    static constexpr const char* kLoadTitle = "Load data from KAVRO format";
    static constexpr const char* kSaveTitle = "Save data to KAVRO file format";
    static constexpr const char* kLoadRawTitle = "Load data from raw file format";
    static constexpr const char* kSaveRawTitle = "Save data to raw file format";
    static constexpr const char* kSaveZoneTitle = "Save data region to file";
    static constexpr const char* kRawFilter =
        "Raw spectrum data (*.txt)|*.TXT|All files (*.*)|*.*||";
    static constexpr const char* kRawExtension = "txt";

    explicit FileCommands(CSpectrumwnd& window);

    void Load();
    void SaveAs();
    void Overwrite();
    void LoadRaw();
    void SaveRaw();
    void SaveZone();
    void Delete();
    void EditInformation();
    // The default spectrum file next to the executable, read into the initial spectrum.
    void ReadDefaultFile();
    // Message 0x443: -1 when the window was started without a file name, else 0.
    int OpenCommandLineFile();

    // Loads a spectrum file into the window; false, with the operator told why and nothing
    // changed, when it cannot be read.
    bool LoadFromPath(const std::string& path);

    std::string spectrumFilter() const;
    std::string defaultFilePath() const;

private:
    struct FileBytes {
        std::string bytes;
        std::time_t modified = 0;
    };
    std::optional<FileBytes> readFile(const std::string& path);
    bool writeFile(const std::string& path, const std::string& bytes);
    void showChannels(const char* format);

    CSpectrumwnd& w_;
};

#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "spectrum/file_structure.h"
#include "spectrum/kavro_spectrum.h"

class CSpectrumwnd;

// Why the bytes of a file are not a spectrum file of the given layout, or nothing when they
// are: the reader itself takes any bytes and would turn damage into counts silently.
std::optional<std::string> spectrumFileProblem(std::string_view bytes,
                                               const FileStructure& structure);

// One batch: spectrum files turned into fixed-point raw files next to them, one file at a
// time through a single scratch record, so that metadata a file's layout does not carry is
// what the file before it left. Inputs are only ever read; no output replaces an input.
class BatchConversion {
public:
    enum class Outcome { Converted, Skipped, Failed };
    struct FileReport {
        std::string input;
        std::string output;
        Outcome outcome = Outcome::Converted;
        std::string why;  // empty when converted
    };

    // `scanAmplitude` stands for the first files whose layout carries none.
    BatchConversion(std::vector<std::string> inputs, FileStructure structure, double scanAmplitude);

    // The raw file of an input: the same name up to its last period, then ".txt"; a name
    // without a period gets ".txt" added.
    static std::string rawPathFor(const std::string& input);

    std::size_t total() const { return inputs_.size(); }
    std::size_t done() const { return reports_.size(); }
    bool finished() const { return done() == total(); }
    // The input to be converted next; empty once finished.
    std::string next() const;
    // Converts, skips or reports the next input; returns whether any are left.
    bool convertNext();

    const std::vector<FileReport>& reports() const { return reports_; }
    int converted() const;
    // "Successfully converted %d files out of %d", then every file that was not converted
    // with the reason, and a line for the files a cancel left out.
    std::string summary(bool cancelled) const;

private:
    FileReport convert(const std::string& input);

    std::vector<std::string> inputs_;
    FileStructure structure_;
    CKavroSpectrum scratch_;
    std::set<std::string> inputKeys_;
    std::set<std::string> outputKeys_;  // raw files this batch has written
    std::vector<FileReport> reports_;
};

// The File menu's "Convert multiple files to raw format ...". The window's spectrum, flags
// and file name are left as they are.
class BatchConversionCommand {
public:
    static constexpr const char* kTitle = "Convert multiple files from KAVRO to raw data format";
    static constexpr const char* kProgressTitle = "Converting files to raw format";
    // From this many files the batch runs under the progress dialog.
    static constexpr std::size_t kProgressFrom = 20;

    explicit BatchConversionCommand(CSpectrumwnd& window);
    void Convert();

private:
    CSpectrumwnd& w_;
};

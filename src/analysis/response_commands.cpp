#include "analysis/response_commands.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/prompter.h"
#include "spectrum/formatted.h"
#include "spectrum/kavro_spectrum.h"

namespace {

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Written beside the target and renamed over it, so a failed save leaves the old file.
bool WriteReplacing(const std::string& path, const std::string& bytes) {
    const std::filesystem::path target(path);
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace

ResponseCommands::ResponseCommands(Prompter& prompter, ResponseFileDialog& dialog)
    : prompter_(prompter), dialog_(dialog) {}

bool ResponseCommands::SelectEnabled(bool modeAllowsAnalysis, bool bothMarkersPlaced) const {
    return modeAllowsAnalysis && (present_ || bothMarkersPlaced);
}

std::string ResponseCommands::SelectText(bool bothMarkersPlaced) const {
    if (!present_) {
        return "Select instrumental response";
    }
    return bothMarkersPlaced ? "Replace instrumental response" : "Discard instrumental response";
}

void ResponseCommands::Adopt(int samples) {
    if (handOver_) {
        handOver_(response_);
    }
    const bool centre = prompter_.askYesNo(
        formatted("%d points saved as convolution base.\nThey can now be used for convoluted "
                  "fitting.\nDo you want the curve to be automatically centered ?",
                  samples),
        PromptIcon::Question);
    response_.centreOnMaximum = centre ? 1 : 0;
    present_ = true;
}

void ResponseCommands::Select(CKavroSpectrum& spectrum, bool bothMarkersPlaced, int marker1,
                              int marker2) {
    if (!bothMarkersPlaced) {
        response_.Clear();
        present_ = false;
        // The worker must not keep convolving with what the operator discarded.
        if (handOver_) {
            handOver_(response_);
        }
        return;
    }
    const int lo = marker1 < marker2 ? marker1 : marker2;
    int hi = marker1 < marker2 ? marker2 : marker1;
    if (lo == hi) {
        prompter_.tell("Markers are both on the same channel, please position them correctly.",
                       PromptIcon::Stop);
        return;
    }
    // Markers beyond the counts (a spectrum that shrank) take only the channels that exist.
    const int last = static_cast<int>(spectrum.elementCount()) - 1;
    hi = hi > last ? last : hi;
    if (lo < 0 || lo > hi) {
        return;
    }
    response_.Clear();
    for (int c = lo; c <= hi; ++c) {
        response_.AddPoint(spectrum.ChannelFrequency(static_cast<std::uint16_t>(c)),
                           static_cast<double>(spectrum.counts[static_cast<std::size_t>(c)]));
    }
    // The export evaluation needs the step whichever way the response arrived.
    response_.UpdateSampleStep();
    Adopt(hi - lo + 1);
}

void ResponseCommands::Load() {
    const std::optional<std::string> path =
        dialog_.GetOpenFileName(kLoadResponseTitle, kLoadResponseFilter);
    if (!path) {
        return;
    }
    const std::optional<std::string> text = ReadWholeFile(*path);
    if (!text) {
        return;
    }
    const ResponseFileRead read = ParseResponseFile(*text, response_);
    if (read.status == ResponseFileRead::Status::TooFewDeclared) {
        prompter_.tell(
            "It is impossible to perform convolution on less than 3 points. Operation aborted.",
            PromptIcon::Stop);
        present_ = false;
        return;
    }
    if (read.status == ResponseFileRead::Status::Short) {
        char buffer[160];
        std::snprintf(buffer, sizeof buffer,
                      "Inconsistent number of points in the convolution file. Expected %hu "
                      "samples, please check!",
                      static_cast<unsigned short>(read.declared));
        prompter_.tell(buffer, PromptIcon::Stop);
        // Without two samples there is no step to place them by.
        if (response_.GetCount() < 2) {
            response_.Clear();
            present_ = false;
            return;
        }
    }
    Adopt(response_.GetCount());
}

void ResponseCommands::Save() {
    if (!present_) {
        return;
    }
    const std::optional<std::string> path =
        dialog_.GetSaveFileName(kSaveResponseTitle, kSaveResponseFilter, kSaveResponseExtension);
    if (!path) {
        return;
    }
    if (!WriteReplacing(*path, FormatResponseFile(response_))) {
        prompter_.tell("Cannot write the instrumental response to " + *path, PromptIcon::Stop);
    }
}

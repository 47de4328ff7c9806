// Batch conversion as the operator runs it from the File menu: 1000 station spectrum files of
// 1024 channels in one folder turned into fixed-point raw files beside them. Each iteration is
// one whole batch, the raw files of the one before it replaced (the slower case: every output
// goes through the atomic replacement of an existing file).
#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "window/spectrum/batch_conversion.h"

namespace {

constexpr int kFiles = 1000;
constexpr int kChannels = 1024;

// The failsafe layout's 12 header lines, then counts as a Brillouin spectrum has them: a
// background with a strong elastic line in the centre.
std::string stationFile(int seed) {
    std::string text =
        "Sample : silica " + std::to_string(seed) +
        "\r\nScan number: 4000\r\n\r\nWavelength: 514.5\r\nPolarization :  VV\r\nPower: 20\r\n"
        "Mirror sp. : 6.5\r\nCh. duration : 0.0005\r\nScan amplitude : 50\r\n\r\n\r\n\r\n";
    for (int i = 0; i < kChannels; ++i) {
        const int d = i - kChannels / 2;
        const unsigned count = 120u + static_cast<unsigned>((i * 7919 + seed) % 40) +
                               static_cast<unsigned>(900000 / (1 + d * d));
        text += std::to_string(count) + "\r\n";
    }
    return text;
}

struct Folder {
    Folder() {
        for (int i = 0; i < kFiles; ++i) {
            const std::string name = "run" + std::to_string(i) + ".DAT";
            files.push_back(QDir(dir.path()).filePath(QString::fromStdString(name)).toStdString());
            std::ofstream(files.back(), std::ios::binary) << stationFile(i);
        }
    }
    QTemporaryDir dir;
    std::vector<std::string> files;
};

void BM_Convert1000Files(benchmark::State& state) {
    static Folder folder;
    int converted = 0;
    for (auto _ : state) {
        BatchConversion batch(folder.files, FileStructure{}, 50.0);
        while (batch.convertNext()) {
        }
        converted = batch.converted();
        benchmark::DoNotOptimize(converted);
    }
    if (converted != kFiles) {
        state.SkipWithError("not every file was converted");
    }
    state.counters["files"] = converted;
    state.counters["files/s"] = benchmark::Counter(static_cast<double>(kFiles),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Convert1000Files)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

// Developer tool: prints the feature vectors and energies of an audio file, computed by the
// engine's own feature code with the settings of an acoustic model file or a standard layout.
//
//   print_features [--model FILE.hmm | --layout 38|15] [--energy-db] [--settings] AUDIO
//
// One line per frame: the frame's start in milliseconds, its energy value, then the features.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "engine/analysis/feature_config.h"
#include "engine/analysis/observation_stream.h"
#include "engine/api/error_messages.h"
#include "engine/audio/audio_file_reader.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/pcm_stream.h"
#include "engine/recognition/acoustic_hmm.h"
#include "engine/util/memory_buffer.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: print_features [--model FILE.hmm | --layout 38|15] [--energy-db] "
                 "[--settings] AUDIO\n"
                 "  --model     take the feature settings from an acoustic model file\n"
                 "  --layout    a standard layout: 38 or 15 features (default 38)\n"
                 "  --energy-db print the decibel energy instead of the spectral magnitude\n"
                 "  --settings  print the feature settings before the frames\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string modelPath;
    int layout = 38;
    bool energyDb = false;
    bool settings = false;
    std::string audio;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--model" && i + 1 < argc) {
            modelPath = argv[++i];
        } else if (arg == "--layout" && i + 1 < argc) {
            layout = std::atoi(argv[++i]);
        } else if (arg == "--energy-db") {
            energyDb = true;
        } else if (arg == "--settings") {
            settings = true;
        } else if (!arg.empty() && arg[0] != '-' && audio.empty()) {
            audio = arg;
        } else {
            return Usage();
        }
    }
    if (audio.empty()) return Usage();

    CFeatureConfig config;
    if (!modelPath.empty()) {
        CMemoryBuffer file;
        if (!file.LoadFile(modelPath.c_str())) {
            std::fprintf(stderr, "print_features: cannot read %s\n", modelPath.c_str());
            return 1;
        }
        char error[kAccErrorTextSize] = "";
        CAccousticHMM* model = nullptr;
        if (CreateAccHMM(file.data.get(), static_cast<int>(file.size), error, &model) != 0) {
            std::fprintf(stderr, "print_features: %s: %s\n", modelPath.c_str(), error);
            return 1;
        }
        config = model->features;
        DestroyAccHMM(model);
    } else if (!MakeStandardFeatureConfig(layout, &config)) {
        std::fprintf(stderr, "print_features: no standard layout with %d features\n", layout);
        return 2;
    }

    InstallDefaultAudioFileReaders();
    CPCMStream* source = nullptr;
    int rc = CreateZuvoStreamFromFile(audio.c_str(), &source);
    if (rc != 0) {
        std::fprintf(stderr, "print_features: %s: %s\n", audio.c_str(), GetErrorMessage(rc));
        return 1;
    }
    std::vector<float> features;
    std::vector<float> energies;
    rc = ComputeFeatures(source, 1, config, energyDb, &features, &energies);
    source->Release();
    if (rc != 0) {
        std::fprintf(stderr, "print_features: %s: %s\n", audio.c_str(), GetErrorMessage(rc));
        return 1;
    }

    if (settings) config.Dump(std::cout);
    const double periodMs = config.FramePeriodMs();
    const size_t dim = static_cast<size_t>(config.numFeatures);
    std::printf("# %zu frames, %zu features, %.3f ms apart\n", energies.size(), dim, periodMs);
    for (size_t t = 0; t < energies.size(); ++t) {
        std::printf("%.1f %.6g", t * periodMs, energies[t]);
        for (size_t i = 0; i < dim; ++i) std::printf(" %.6g", features[t * dim + i]);
        std::printf("\n");
    }
    return 0;
}

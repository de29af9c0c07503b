// Trains an acoustic model file from the generated corpus (tools/corpus/make_corpus.py).
//
//   train_models --corpus corpus.tsv --out MODEL.hmm [--voices all|male|female] [--layout 38|15]
//                [--real-corpus real.tsv] [--threads 8] [--passes 4] [--realign 0]
//                [--realign-exact] [--mixtures 10] [--floor 0.02] [--limit N] [--name NAME]
//                [--dictionary FILE] [--flat-exits] [--forward-scale 1]
//                [--prior MODEL.hmm [--prior-weight 16]]
//
// --prior adapts a trained model of the same shape (the model of all voices, say) to the selected
// voices: each state's mixture moves towards their frames as far as their number outweighs the
// prior weight, so that a model of one kind of voice keeps what the larger model learnt where its
// own data is thin.
//
// --real-corpus adds recordings of people (tools/corpus/make_real_corpus.py) whose reference
// alignments were made by a recogniser and are only approximate. After the passes of state
// realignment inside the reference phones, --realign passes align those utterances' sentences
// anew with the engine's text-based recogniser (built-in transcriber over the dictionary text) and
// re-estimate the models from the new phones and states. The synthesised utterances keep their
// exact phone times unless --realign-exact.
//
// Uses the corpus lines of split "train"; --voices male takes male voices, female takes female
// voices and male voices made higher by a speed change. --layout 15 trains the 19 mouth-shape
// classes with the 15-feature settings.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/audio/default_audio_readers.h"
#include "engine/util/memory_buffer.h"
#include "tools/trainer/model_trainer.h"

namespace {

struct CorpusLine {
    std::string name, voice, gender, split, wav, alignment, text;
    bool approximate = false;
};

#ifndef MURMUREX_SOURCE_DIR
#define MURMUREX_SOURCE_DIR "."
#endif

int Usage() {
    std::fprintf(stderr,
                 "usage: train_models --corpus FILE --out MODEL.hmm [--voices all|male|female]\n"
                 "                    [--layout 38|15] [--real-corpus FILE] [--threads N]\n"
                 "                    [--passes N] [--realign N] [--realign-exact] [--mixtures N]\n"
                 "                    [--floor SHARE] [--limit N] [--name NAME]\n"
                 "                    [--dictionary FILE] [--flat-exits] [--forward-scale F]\n"
                 "                    [--prior MODEL.hmm [--prior-weight W]]\n"
                 "  --real-corpus  recordings with approximate reference alignments\n"
                 "  --floor     variance floor as a share of each feature's global variance\n"
                 "  --realign   passes of realignment by the engine's text-based recogniser\n"
                 "  --realign-exact  realign the synthesised utterances too\n"
                 "  --flat-exits  phone exits shared equally instead of by the phone bigram\n"
                 "  --forward-scale  scale of each step to the next state inside a phone (0 < F <= 1)\n"
                 "  --prior     adapt this model (same shape) to the selected voices instead of\n"
                 "              training from nothing; W frames of a state weigh as much as the prior\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string corpus, realCorpus, out, voices = "all", name = "MODEL", priorPath;
    int layout = 38, limit = 0;
    std::string dictionaryPath = MURMUREX_SOURCE_DIR "/resources/dictionary/dictionary.txt";
    TrainingOptions options;
    options.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (arg == "--corpus") corpus = value();
        else if (arg == "--real-corpus") realCorpus = value();
        else if (arg == "--realign-exact") options.realignExact = true;
        else if (arg == "--forward-scale") options.forwardScale = std::atof(value().c_str());
        else if (arg == "--prior") priorPath = value();
        else if (arg == "--prior-weight") options.priorWeight = std::atof(value().c_str());
        else if (arg == "--out") out = value();
        else if (arg == "--voices") voices = value();
        else if (arg == "--name") name = value();
        else if (arg == "--layout") layout = std::atoi(value().c_str());
        else if (arg == "--threads") options.threads = std::atoi(value().c_str());
        else if (arg == "--passes") options.passes = std::atoi(value().c_str());
        else if (arg == "--mixtures") options.mixtures = std::atoi(value().c_str());
        else if (arg == "--limit") limit = std::atoi(value().c_str());
        else if (arg == "--floor") options.varianceFloor = std::atof(value().c_str());
        else if (arg == "--realign") options.realignPasses = std::atoi(value().c_str());
        else if (arg == "--dictionary") dictionaryPath = value();
        else if (arg == "--flat-exits") options.bigramExits = false;
        else return Usage();
    }
    if (corpus.empty() || out.empty() || (voices != "all" && voices != "male" && voices != "female") ||
        options.threads < 1 || options.mixtures < 1 || options.passes < 0 || options.realignPasses < 0 ||
        !(options.varianceFloor > 0.0) || !(options.forwardScale > 0.0 && options.forwardScale <= 1.0) ||
        !(options.priorWeight >= 0.0)) {
        return Usage();
    }
    CFeatureConfig config;
    if (!MakeStandardFeatureConfig(layout, &config)) return Usage();
    const LabelSet set = layout == 15 ? VisemeLabelSet() : FullLabelSet();
    // Utterances carry the 40 codes; the recipe maps them onto a smaller set at the end.
    const LabelSet full = FullLabelSet();
    std::string dictionary;
    if (options.realignPasses > 0) {
        std::ifstream d(dictionaryPath, std::ios::binary);
        std::ostringstream text;
        text << d.rdbuf();
        dictionary = text.str();
        if (dictionary.empty()) {
            std::fprintf(stderr, "train_models: cannot read the dictionary %s\n", dictionaryPath.c_str());
            return 1;
        }
    }

    std::vector<CorpusLine> lines;
    std::vector<std::string> voiceNames;
    auto readCorpus = [&](const std::string& path, bool approximate) {
        std::ifstream in(path);
        if (!in.is_open()) {
            std::fprintf(stderr, "train_models: cannot open %s\n", path.c_str());
            return false;
        }
        for (std::string row; std::getline(in, row);) {
            std::istringstream f(row);
            CorpusLine c;
            if (!std::getline(f, c.name, '\t') || !std::getline(f, c.voice, '\t') ||
                !std::getline(f, c.gender, '\t') || !std::getline(f, c.split, '\t') ||
                !std::getline(f, c.wav, '\t') || !std::getline(f, c.alignment, '\t') ||
                !std::getline(f, c.text)) {
                continue;
            }
            if (c.split != "train") continue;
            if (voices == "male" && c.gender != "male") continue;
            if (voices == "female" && c.gender != "female" && c.gender != "raised") continue;
            if (limit > 0 && static_cast<int>(lines.size()) >= limit) break;
            c.approximate = approximate;
            lines.push_back(c);
            if (std::find(voiceNames.begin(), voiceNames.end(), c.voice) == voiceNames.end()) {
                voiceNames.push_back(c.voice);
            }
        }
        return true;
    };
    if (!readCorpus(corpus, false) || (!realCorpus.empty() && !readCorpus(realCorpus, true))) return 1;
    if (lines.empty()) {
        std::fprintf(stderr, "train_models: no training lines selected\n");
        return 1;
    }

    const auto t0 = std::chrono::steady_clock::now();
    InstallDefaultAudioFileReaders();
    std::vector<TrainingUtterance> utterances(lines.size());
    std::vector<std::string> errors(lines.size());
    {
        std::vector<std::thread> pool;
        std::atomic<size_t> next{0};
        for (int t = 0; t < options.threads; ++t) {
            pool.emplace_back([&]() {
                for (size_t i = next++; i < lines.size(); i = next++) {
                    errors[i] = LoadUtterance(lines[i].wav, lines[i].alignment, config, full, &utterances[i]);
                    utterances[i].text = lines[i].text;
                    utterances[i].approximate = lines[i].approximate;
                }
            });
        }
        for (std::thread& t : pool) t.join();
    }
    std::vector<TrainingUtterance> good;
    size_t frames = 0, recorded = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!errors[i].empty()) {
            std::fprintf(stderr, "train_models: skipped %s\n", errors[i].c_str());
            continue;
        }
        frames += utterances[i].frames;
        if (utterances[i].approximate) ++recorded;
        good.push_back(std::move(utterances[i]));
    }
    const double loadSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%zu utterances, %zu frames (%.1f minutes of speech), features in %.1f s\n",
                good.size(), frames, frames / 6000.0, loadSeconds);

    CMemoryBuffer priorImage;
    std::string mixturesFrom = "mixtures by splitting";
    CAccousticHMM* priorModel = nullptr;
    if (!priorPath.empty()) {
        char text[kAccErrorTextSize] = "";
        if (!priorImage.LoadFile(priorPath.c_str()) ||
            CreateAccHMM(priorImage.data.get(), static_cast<int>(priorImage.size), text, &priorModel) != 0) {
            std::fprintf(stderr, "train_models: cannot read the prior model %s %s\n", priorPath.c_str(), text);
            return 1;
        }
        options.prior = priorModel;
        std::string priorName = priorModel->Info() != nullptr ? priorModel->Info() : "";
        priorName = priorName.substr(0, priorName.find(':'));
        std::ostringstream adapted;
        adapted << "mixtures adapted from " << (priorName.empty() ? priorPath : priorName) << " (prior weight "
                << options.priorWeight << " frames)";
        mixturesFrom = adapted.str();
    }
    const std::unique_ptr<CAccousticHMM, void (*)(CAccousticHMM*)> priorOwner(
        priorModel, [](CAccousticHMM* m) { if (m != nullptr) DestroyAccHMM(m); });
    std::ostringstream info;
    std::time_t now = std::time(nullptr);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d", std::gmtime(&now));
    info << name << ": " << set.labels.size() << " phone models x " << options.states << " states x "
         << options.mixtures << " diagonal Gaussians, " << config.numFeatures << " features. "
         << "Trained " << date << " by train_models on " << good.size() - recorded
         << " synthesised utterances";
    if (recorded > 0) info << " and " << recorded << " recordings of people";
    info << " (" << frames << " frames; voices " << voices << ":";
    for (const std::string& v : voiceNames) info << " " << v;
    info << "), augmented with gain, noise, reverberation, speed and equalisation. States initialised "
            "by equal split of the reference phone times (the synthesisers' own";
    if (recorded > 0) info << "; for the recordings, the text-based recogniser's";
    info << "), " << mixturesFrom << ", " << options.passes << " passes of state realignment and re-estimation";
    if (options.realignPasses > 0) {
        info << ", then " << options.realignPasses << " pass" << (options.realignPasses > 1 ? "es" : "")
             << " of realignment of the " << (options.realignExact ? "utterances" : "recordings")
             << " by the text-based recogniser and re-estimation";
    }
    info << "; transitions from state occupancies";
    if (options.forwardScale != 1.0) info << ", steps inside a phone scaled by " << options.forwardScale;
    info << ", phone exits " << (options.bigramExits ? "weighted by the training phone bigram." : "shared equally.");
    options.info = info.str();

    CAccousticHMM model;
    const std::string error = TrainWithRealignment(&good, set, config, options, dictionary, &model);
    if (!error.empty()) {
        std::fprintf(stderr, "train_models: %s\n", error.c_str());
        return 1;
    }
    if (!model.Write(out.c_str())) {
        std::fprintf(stderr, "train_models: cannot write %s\n", out.c_str());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%s written in %.1f s\n%s\n", out.c_str(), seconds, model.Info());
    return 0;
}

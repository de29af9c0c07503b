// Label sets of the trainer (the 40 phoneme codes, the 19 viseme classes) and frame labels from a
// reference alignment's phones.
#include "tools/trainer/model_trainer.h"

#include <fstream>
#include <sstream>

#include "engine/analysis/observation_stream.h"
#include "engine/audio/audio_file_reader.h"
#include "engine/audio/pcm_stream.h"
#include "model/sync_results_file.h"

namespace {

// The 40 phoneme codes of the full label set, in model order.
const char* const kInventory[] = {"x",  "m",  "p",  "b",  "v",  "f",  "ZH", "CH", "j",  "SH",
                                  "s",  "z",  "DH", "TH", "t",  "NG", "g",  "k",  "h",  "r",
                                  "ER", "w",  "UH", "UW", "AW", "IY", "y",  "IH", "AE", "AY",
                                  "EY", "EH", "n",  "d",  "l",  "AA", "AH", "AO", "OW", "OY"};

}  // namespace

std::string LabelSet::PhoneMapText() const {
    std::string out;
    for (const auto& [code, model] : codeToModel) out += code + "=" + labels[model] + "\n";
    return out;
}

LabelSet FullLabelSet() {
    LabelSet set;
    for (const char* code : kInventory) {
        set.codeToModel[code] = static_cast<int>(set.labels.size());
        set.labels.push_back(code);
    }
    return set;
}

LabelSet VisemeLabelSet() {
    // Each class is named by its first code, the one most frequent in the built-in phone trigram
    // text: a model set of classes reads only the trigram counts of its names, so the names should
    // carry as much of their classes' counts as they can. Classes in the inventory order of their
    // names.
    static const char* const classes[][5] = {
        {"x"},           {"m", "p", "b"},       {"f", "v"},        {"SH", "ZH", "CH", "j"},
        {"s", "z"},      {"DH", "TH"},          {"k", "g", "NG"},  {"h"},
        {"r", "ER"},     {"w"},                 {"UH", "UW"},      {"IY", "y"},
        {"IH", "EY"},    {"EH", "AE"},          {"n", "t", "d"},   {"l"},
        {"AH", "AA", "AY", "AW"}, {"AO", "OY"}, {"OW"}};
    LabelSet set;
    for (const auto& cls : classes) {
        const int index = static_cast<int>(set.labels.size());
        set.labels.push_back(cls[0]);
        for (const char* code : cls) {
            if (code != nullptr) set.codeToModel[code] = index;
        }
    }
    return set;
}

bool FrameModelsFromPhones(const std::vector<std::pair<int, int>>& spans,
                           const std::vector<std::string>& codes, const LabelSet& set,
                           double periodMs, int frames, std::vector<int>* out) {
    out->assign(frames, 0);
    if (spans.empty()) return frames == 0;
    std::vector<int> models;
    for (const std::string& c : codes) {
        auto it = set.codeToModel.find(c);
        if (it == set.codeToModel.end()) return false;
        models.push_back(it->second);
    }
    size_t p = 0;
    for (int t = 0; t < frames; ++t) {
        const double middle = (t + 0.5) * periodMs;
        while (p + 1 < spans.size() && middle >= spans[p].second) ++p;
        (*out)[t] = models[p];
    }
    return true;
}

std::string LoadUtterance(const std::string& wav, const std::string& alignment,
                          const CFeatureConfig& config, const LabelSet& set,
                          TrainingUtterance* out) {
    std::ifstream in(alignment, std::ios::binary);
    if (!in.is_open()) return "cannot open " + alignment;
    sync_results_file file;
    std::ostringstream errors;
    if (!file.read(in, errors)) return alignment + ": " + errors.str();
    std::vector<std::pair<int, int>> spans;
    std::vector<std::string> codes;
    for (const phn_marker& p : file.results.phonemes) {
        spans.emplace_back(p.start, p.end);
        codes.push_back(p.label);
    }
    if (spans.empty()) return alignment + ": no phones";

    CPCMStream* source = nullptr;
    int rc = CreateZuvoStreamFromFile(wav.c_str(), &source);
    if (rc != 0) return wav + ": cannot read (" + std::to_string(rc) + ")";
    std::vector<float> energies;
    rc = ComputeFeatures(source, 1, config, false, &out->features, &energies);
    source->Release();
    if (rc != 0) return wav + ": features failed (" + std::to_string(rc) + ")";
    out->name = wav;
    out->wav = wav;
    out->frameStates.clear();
    out->frames = static_cast<int>(energies.size());
    const double period = config.FramePeriodMs();
    if (!FrameModelsFromPhones(spans, codes, set, period, out->frames, &out->frameModels)) {
        return alignment + ": a phone outside the label set";
    }
    return "";
}

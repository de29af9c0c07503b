// The trainer's recipe: train on the references, realign with the text-based recogniser,
// re-estimate, and estimate the target label set from the last realignment.
#include "tools/trainer/model_trainer.h"

#include <cstdio>

std::string TrainWithRealignment(std::vector<TrainingUtterance>* utterances, const LabelSet& target,
                                 const CFeatureConfig& config, const TrainingOptions& options,
                                 const std::string& dictionary, CAccousticHMM* model) {
    const LabelSet full = FullLabelSet();
    const bool isFull = target.labels == full.labels;
    // The utterances' 40-label models mapped onto the target's classes.
    auto toTarget = [&]() -> std::string {
        if (isFull) return "";
        std::vector<int> map(full.labels.size());
        for (size_t i = 0; i < full.labels.size(); ++i) {
            auto it = target.codeToModel.find(full.labels[i]);
            if (it == target.codeToModel.end()) return "the target set lacks " + full.labels[i];
            map[i] = it->second;
        }
        for (TrainingUtterance& u : *utterances) {
            for (int& m : u.frameModels) m = map[static_cast<size_t>(m)];
        }
        return "";
    };
    if (options.realignPasses <= 0) {
        const std::string e = toTarget();
        return e.empty() ? TrainModels(*utterances, target, config, options, model) : e;
    }
    CAccousticHMM current;
    std::string e = TrainModels(*utterances, full, config, options, &current);
    if (!e.empty()) return e;
    TrainingOptions reestimate = options;
    // Realigned utterances bring the recogniser's states; when exact references are kept, their
    // states are realigned inside the phones as in the first training.
    if (options.realignExact) reestimate.passes = 0;
    for (int pass = 1; pass <= options.realignPasses; ++pass) {
        std::string error;
        const int n = RealignWithRecognizer(current, dictionary, options.threads, options.realignExact,
                                            utterances, &error);
        if (n == 0) return "realignment pass " + std::to_string(pass) + ": " + (error.empty() ? "nothing aligned" : error);
        std::fprintf(stderr, "realignment pass %d: %d of %zu utterances realigned\n", pass, n,
                     utterances->size());
        if (pass == options.realignPasses) {
            e = toTarget();
            return e.empty() ? TrainModels(*utterances, target, config, reestimate, model) : e;
        }
        e = TrainModels(*utterances, full, config, reestimate, &current);
        if (!e.empty()) return e;
    }
    return "";
}

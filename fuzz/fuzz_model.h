// A small valid acoustic model with the standard phoneme inventory, built once per process for the
// targets that load text into a model.
#pragma once

#include "engine/recognition/acoustic_hmm.h"
#include "engine/recognition/model_image_test_support.h"

namespace fuzz {

inline CAccousticHMM* InventoryModel() {
    static CAccousticHMM* model = [] {
        ModelImageLayout layout;
        layout.labels = InventoryLabels();
        layout.models = static_cast<int32_t>(layout.labels.size());
        layout.mixtures = 1;
        const std::vector<uint8_t> image = BuildModelImage(layout);
        CAccousticHMM* made = nullptr;
        char errorText[kAccErrorTextSize];
        CreateAccHMM(image.data(), static_cast<int>(image.size()), errorText, &made);
        return made;
    }();
    return model;
}

}  // namespace fuzz

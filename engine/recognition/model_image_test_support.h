// Test helper: builds acoustic model images byte by byte, independently of the model's writer.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/analysis/feature_config.h"

struct ModelImageLayout {
    int32_t models = 40;
    int32_t states = 3;
    int32_t mixtures = 10;
    uint16_t version = 1;
    CFeatureConfig features;  // numFeatures is the dimension
    std::vector<std::string> labels;
    bool withPhoneMap = true;
    std::string phoneMap = "map";
    bool withInfo = true;
    std::string info = "info";
    // Global transition (i, j) value; default left-to-right 0.5/0.5.
    float (*transition)(int i, int j, int statesPerModel) = nullptr;
};

// The phoneme inventory in its standard order.
inline std::vector<std::string> InventoryLabels() {
    return {"x",  "m",  "p",  "b",  "v",  "f",  "ZH", "CH", "j",  "SH", "s",  "z",  "DH", "TH",
            "t",  "NG", "g",  "k",  "h",  "r",  "ER", "w",  "UH", "UW", "AW", "IY", "y",  "IH",
            "AE", "AY", "EY", "EH", "n",  "d",  "l",  "AA", "AH", "AO", "OW", "OY"};
}

class ImageBytes {
public:
    void I32(int32_t v) {
        uint32_t u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(u >> (8 * i)));
    }
    void I16(uint16_t v) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    void F32(float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        I32(static_cast<int32_t>(u));
    }
    void F64(double v) {
        uint64_t u;
        std::memcpy(&u, &v, 8);
        I32(static_cast<int32_t>(static_cast<uint32_t>(u)));
        I32(static_cast<int32_t>(static_cast<uint32_t>(u >> 32)));
    }
    void Str(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back(0);
    }
    void Tag(const char* four) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(four[i]));
    }

    std::vector<uint8_t> bytes;
};

inline float DefaultTransition(int i, int j, int statesPerModel) {
    if (j == i) return 0.5f;
    if (j == i + 1) return 0.5f;
    return 0.0f;
}

// Parameter values depend on their position so that a misplaced value shows.
inline std::vector<uint8_t> BuildModelImage(const ModelImageLayout& layout) {
    ImageBytes b;
    b.Tag("mmhz");
    b.I16(layout.version);
    b.I32(layout.models);
    b.I32(layout.states);
    b.I32(layout.mixtures);
    const CFeatureConfig& f = layout.features;
    b.Tag("taef");
    b.I16(1);
    b.F32(f.samplerate);
    b.F32(f.preemphasis);
    b.I32(f.windowSize);
    b.I32(f.windowOverlap);
    b.I32(f.numFeatures);
    b.I32(f.bands.count);
    for (int i = 0; i < f.bands.count; ++i) {
        b.F32(f.bands.data[i].low);
        b.F32(f.bands.data[i].centre);
        b.F32(f.bands.data[i].high);
        b.F32(f.bands.data[i].extra);
    }
    b.I32(f.num_cep);
    b.I32(f.flags);
    const int dim = f.numFeatures;
    auto transition = layout.transition ? layout.transition : DefaultTransition;
    for (int m = 0; m < layout.models; ++m) {
        b.Tag("mmhz");
        for (int s = 0; s < layout.states; ++s) {
            for (int g = 0; g < layout.mixtures; ++g) {
                b.F64(1.0 / layout.mixtures + 0.001 * g);
                for (int d = 0; d < dim; ++d) b.F32(0.01f * m + 0.1f * s + 0.001f * g + 0.5f * d);
                for (int d = 0; d < dim; ++d) b.F32(1.0f + 0.01f * d + 0.002f * g);
                b.F64(0.25 + m + 0.125 * s);
            }
            for (int s2 = 0; s2 < layout.states; ++s2) b.F32(s2 == s ? 0.6f : 0.4f / layout.states);
        }
    }
    b.Tag("mmhz");
    const int t = layout.models * layout.states;
    for (int i = 0; i < t; ++i) {
        for (int j = 0; j < t; ++j) b.F32(transition(i, j, layout.states));
    }
    for (int m = 0; m < layout.models; ++m) {
        b.Str(m < static_cast<int>(layout.labels.size()) ? layout.labels[m] : "L" + std::to_string(m));
    }
    if (layout.withPhoneMap) b.Str(layout.phoneMap);
    if (layout.withInfo) b.Str(layout.info);
    return b.bytes;
}

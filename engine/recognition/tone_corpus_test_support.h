// Test and benchmark support: a synthetic "tone corpus". Pseudo-phonemes are steady sounds (sine
// tones, silence is faint noise); a model is trained here from the engine's own features of each
// sound, and scripts are spelled with a small dictionary of made-up words.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/analysis/feature_config.h"
#include "engine/analysis/observation_stream.h"
#include "engine/recognition/model_observation_stream.h"
#include "engine/analysis/spectral_stream.h"
#include "engine/audio/zuvo_pcm_stream.h"
#include "engine/recognition/acoustic_hmm.h"
#include "engine/text/lexicon_file.h"
#include "engine/text/transcriber.h"

namespace tone_corpus {

constexpr int kRate = 16000;

// The pseudo-phonemes: label and tone frequency (0 is the silence, faint noise).
struct Tone {
    const char* label;
    double hz;
};
inline const std::vector<Tone>& Tones() {
    static const std::vector<Tone> tones = {{"x", 0.0},     {"AA", 300.0},  {"IY", 620.0},
                                            {"UW", 1100.0}, {"EH", 1800.0}, {"OW", 2800.0},
                                            {"m", 4300.0}};
    return tones;
}
inline int ToneIndex(const std::string& label) {
    for (size_t i = 0; i < Tones().size(); ++i) {
        if (label == Tones()[i].label) return static_cast<int>(i);
    }
    return -1;
}

// Words of the scripts. TWO has two pronunciations.
inline const char* Dictionary() {
    return "AMI=AAmIY\n"
           "EMO=EHmOW\n"
           "OWE=OWEH\n"
           "TWO=IYUW\n"
           "TWO=EHOW\n"
           "UMA=UWmAA\n";
}

// An application audio source over 16-bit mono samples at 16 kHz.
class CSampleSource : public IZuvoPCMStream {
public:
    explicit CSampleSource(std::vector<int16_t> samples) : samples_(std::move(samples)) {}
    int GetFormat(PCMFormat* out) override {
        out->sampleRate = static_cast<uint32_t>(kRate) << 16;
        out->bitsPerSample = 16;
        out->channels = 1;
        return 0;
    }
    int GetLength() override { return static_cast<int>(samples_.size() * 2); }
    int Read(void* buffer, int bytes) override {
        const int64_t left = GetLength() - position_;
        const int n = static_cast<int>(std::min<int64_t>(bytes, left)) & ~1;
        std::memcpy(buffer, reinterpret_cast<const char*>(samples_.data()) + position_, static_cast<size_t>(n));
        position_ += n;
        return n;
    }
    int Rewind() override {
        position_ = 0;
        return 0;
    }
    const std::vector<int16_t>& Samples() const { return samples_; }

private:
    std::vector<int16_t> samples_;
    int64_t position_ = 0;
};

// One stretch of a recording: a tone and its length.
struct Piece {
    int tone;
    int ms;
};

// Deterministic noise so every run sees the same audio.
class CNoise {
public:
    explicit CNoise(uint32_t seed = 12345u) : state_(seed) {}
    double Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return (static_cast<double>(state_ >> 8) / 16777216.0) * 2.0 - 1.0;
    }

private:
    uint32_t state_;
};

inline std::vector<int16_t> Synthesize(const std::vector<Piece>& pieces, uint32_t seed = 12345u) {
    std::vector<int16_t> out;
    CNoise noise(seed);
    double phase = 0.0;
    for (const Piece& p : pieces) {
        const int n = p.ms * kRate / 1000;
        const double hz = Tones()[static_cast<size_t>(p.tone)].hz;
        for (int i = 0; i < n; ++i) {
            double v = 60.0 * noise.Next();
            if (hz > 0.0) {
                phase += 2.0 * M_PI * hz / kRate;
                v += 7000.0 * std::sin(phase) + 2000.0 * std::sin(2.0 * phase);
            }
            out.push_back(static_cast<int16_t>(std::lround(v)));
        }
    }
    return out;
}

// Every frame of the samples through the engine's own feature chain with model's settings.
inline std::vector<std::vector<float>> Features(CAccousticHMM& model, const std::vector<int16_t>& samples) {
    CSampleSource source(samples);
    IObservationStream* obs = nullptr;
    std::vector<std::vector<float>> frames;
    if (CreateObservationStreamFromZuvoStream(&source, &model, &obs) != 0) return frames;
    const unsigned count = obs->GetFrameCount();
    std::vector<float> x(static_cast<size_t>(model.features.numFeatures));
    for (unsigned t = 0; t < count; ++t) {
        float e = 0.0f;
        if (obs->ReadFrame(x.data(), &e) != 0) break;
        frames.push_back(x);
    }
    DestroyObservationStream(obs);
    return frames;
}

// Feature frames handed out as an observation stream (10 ms frames of a 16 kHz model).
class CFrameListStream : public IObservationStream {
public:
    explicit CFrameListStream(std::vector<std::vector<float>> frames, std::vector<float> energies = {})
        : frames_(std::move(frames)), energies_(std::move(energies)) {
        if (energies_.size() < frames_.size()) energies_.resize(frames_.size(), 1000.0f);
    }
    unsigned GetFrameCount() override { return static_cast<unsigned>(frames_.size()); }
    int ReadFrame(float* features, float* energy) override {
        if (next_ >= frames_.size()) return 3;
        std::memcpy(features, frames_[next_].data(), sizeof(float) * frames_[next_].size());
        *energy = energies_[next_];
        minEnergy_ = std::min(minEnergy_, *energy);
        maxEnergy_ = std::max(maxEnergy_, *energy);
        ++next_;
        return 0;
    }
    void GetWindow(int* size, int* overlap) override {
        *size = 512;
        *overlap = 352;
    }
    float GetSampleRate() override { return 16000.0f; }
    void GetEnergyRange(float* min, float* max) override {
        *min = next_ ? minEnergy_ : 0.0f;
        *max = next_ ? maxEnergy_ : 0.0f;
    }
    void SetOptions(int) override {}
    void Rewind() { next_ = 0; }

private:
    std::vector<std::vector<float>> frames_;
    std::vector<float> energies_;
    size_t next_ = 0;
    float minEnergy_ = 1e30f;
    float maxEnergy_ = -1e30f;
};

struct ModelOptions {
    int numFeatures = 38;
    int states = 3;
    int mixtures = 1;
    // Variances never go below this; a large floor keeps every likelihood far from underflow.
    double varianceFloor = 1e-3;
    // Trains from the steady middle of long tones only: a model that has never seen a
    // transition, whose plain likelihoods of transition frames fall below the smallest double.
    bool steadyOnly = false;
    // Extra models (copies of the tones with shifted means) to reach a model set's usual size.
    int extraModels = 0;
};

// A model with one left-to-right HMM per tone, trained from one second of each tone.
inline std::unique_ptr<CAccousticHMM> TrainModel(const ModelOptions& options = ModelOptions()) {
    auto model = std::make_unique<CAccousticHMM>();
    MakeStandardFeatureConfig(options.numFeatures, &model->features);
    const int D = model->features.numFeatures;
    const int tones = static_cast<int>(Tones().size());
    const int M = tones + options.extraModels;
    const int S = options.states;
    const int X = options.mixtures;
    model->numModels = M;
    model->numStates = S;
    model->numMixtures = X;
    // Training speech: every tone after every other in a fixed random order and random lengths,
    // each frame labelled by the piece under its window's centre and split into S states by its
    // place in the piece, so the states learn the transitions as well as the steady sound.
    std::vector<Piece> pieces;
    CNoise order(4242u);
    for (int k = 0; k < tones && options.steadyOnly; ++k) pieces.push_back({k, 1000});
    for (int round = 0; round < 12 && !options.steadyOnly; ++round) {
        for (int k = 0; k < tones; ++k) {
            int tone = static_cast<int>((order.Next() + 1.0) * 0.5 * tones) % tones;
            pieces.push_back({tone, 80 + static_cast<int>((order.Next() + 1.0) * 110.0)});
            pieces.push_back({k, 80 + static_cast<int>((order.Next() + 1.0) * 110.0)});
        }
    }
    const auto frames = Features(*model, Synthesize(pieces, 777u));
    const int hopMs = (model->features.windowSize - model->features.windowOverlap) * 1000 / kRate;
    const int centreMs = model->features.windowSize * 500 / kRate;
    const size_t cells = static_cast<size_t>(tones) * S;
    std::vector<std::vector<double>> sum(cells, std::vector<double>(static_cast<size_t>(D), 0.0));
    std::vector<std::vector<double>> sq(cells, std::vector<double>(static_cast<size_t>(D), 0.0));
    std::vector<int> n(cells, 0);
    {
        size_t piece = 0;
        int pieceStart = 0;
        for (size_t t = 0; t < frames.size(); ++t) {
            const int centre = static_cast<int>(t) * hopMs + centreMs;
            while (piece < pieces.size() && centre >= pieceStart + pieces[piece].ms) {
                pieceStart += pieces[piece].ms;
                ++piece;
            }
            if (piece >= pieces.size()) break;
            if (options.steadyOnly && (centre - pieceStart < 60 || pieceStart + pieces[piece].ms - centre < 60)) {
                continue;
            }
            const int state = std::min(S - 1, (centre - pieceStart) * S / pieces[piece].ms);
            const size_t cell = static_cast<size_t>(pieces[piece].tone) * S + state;
            for (int d = 0; d < D; ++d) {
                const double v = frames[t][static_cast<size_t>(d)];
                sum[cell][static_cast<size_t>(d)] += v;
                sq[cell][static_cast<size_t>(d)] += v * v;
            }
            ++n[cell];
        }
    }
    std::vector<std::vector<double>> means(cells), vars(cells);
    for (size_t c = 0; c < cells; ++c) {
        means[c].assign(static_cast<size_t>(D), 0.0);
        vars[c].assign(static_cast<size_t>(D), 1.0);
        if (n[c] < 2) continue;
        for (int d = 0; d < D; ++d) {
            const double m = sum[c][static_cast<size_t>(d)] / n[c];
            means[c][static_cast<size_t>(d)] = m;
            vars[c][static_cast<size_t>(d)] = std::max(sq[c][static_cast<size_t>(d)] / n[c] - m * m, options.varianceFloor);
        }
    }
    model->parameters.assign(static_cast<size_t>(M) * S * X * 2 * D, 0.0f);
    model->models.assign(static_cast<size_t>(M), AccModel{});
    model->labels.clear();
    float* p = model->parameters.data();
    for (int m = 0; m < M; ++m) {
        const int k = m % tones;
        if (m < tones) {
            model->labels.push_back(Tones()[static_cast<size_t>(k)].label);
        } else {
            // Made-up labels for the extra models; they never match a script's phoneme code.
            model->labels.push_back(std::string("#") + static_cast<char>('A' + m % 26) +
                                    static_cast<char>('a' + m / 26));
        }
        model->models[static_cast<size_t>(m)].states.assign(static_cast<size_t>(S), AccState{});
        for (int s = 0; s < S; ++s) {
            AccState& state = model->models[static_cast<size_t>(m)].states[static_cast<size_t>(s)];
            // The within-model row the image carries (the searches read the global matrix).
            state.transitions.assign(static_cast<size_t>(S), 0.0f);
            state.transitions[static_cast<size_t>(s)] = 0.5f;
            if (s + 1 < S) state.transitions[static_cast<size_t>(s) + 1] = 0.5f;
            for (int x = 0; x < X; ++x) {
                AccMixture mix;
                mix.weight = 1.0 / X;
                mix.mean = p;
                for (int d = 0; d < D; ++d) {
                    // Extra models sit well away from every tone.
                    const double shift = m < tones ? 0.0 : 3.0 + 0.5 * m;
                    p[d] = static_cast<float>(means[static_cast<size_t>(k) * S + s][static_cast<size_t>(d)] +
                                              shift + 0.01 * x * ((d % 3) - 1));
                }
                p += D;
                mix.precision = p;
                double logDet = 0.0;
                for (int d = 0; d < D; ++d) {
                    p[d] = static_cast<float>(1.0 / vars[static_cast<size_t>(k) * S + s][static_cast<size_t>(d)]);
                    logDet += std::log(static_cast<double>(p[d]));
                }
                p += D;
                mix.gConst = std::exp(0.5 * logDet - 0.5 * D * std::log(2.0 * M_PI));
                state.mixtures.push_back(mix);
            }
        }
    }
    const int T = M * S;
    model->transitions.assign(static_cast<size_t>(T) * T, 0.0f);
    for (int m = 0; m < M; ++m) {
        for (int s = 0; s < S; ++s) {
            const int i = m * S + s;
            model->transitions[static_cast<size_t>(i) * T + i] = 0.5f;
            if (s + 1 < S) {
                model->transitions[static_cast<size_t>(i) * T + i + 1] = 0.5f;
            } else {
                for (int b = 0; b < M; ++b) {
                    if (b != m) model->transitions[static_cast<size_t>(i) * T + b * S] = 0.5f / (M - 1);
                }
            }
        }
    }
    model->FinishRead();
    return model;
}

// Frames that sit exactly on state means: (tone, frames) pieces, each piece's frames shared out
// over the model's states in order.
inline std::vector<std::vector<float>> MeanFrames(const CAccousticHMM& model, const std::vector<Piece>& pieces) {
    std::vector<std::vector<float>> out;
    const int S = model.numStates, D = model.features.numFeatures;
    for (const Piece& p : pieces) {
        for (int i = 0; i < p.ms; ++i) {
            const int state = std::min(S - 1, i * S / p.ms);
            const float* mean = model.models[static_cast<size_t>(p.tone)].states[static_cast<size_t>(state)].mixtures[0].mean;
            out.emplace_back(mean, mean + D);
        }
    }
    return out;
}

// A transcriber over the tone dictionary (one reference, the caller's).
inline CTranscriber* MakeTranscriber() {
    CTranscriber* t = nullptr;
    const char* text = Dictionary();
    CreateDefaultTranscriber(text, static_cast<int>(std::strlen(text)), &t);
    return t;
}

// A uniform trigram model over the tones as count text: the language-model search runs, and every
// sequence is allowed.
inline std::string UniformToneTrigrams() {
    std::ostringstream text;
    for (const Tone& a : Tones()) {
        text << a.label << "\t10\n";
        for (const Tone& b : Tones()) {
            text << a.label << b.label << "\t5\n";
            for (const Tone& c : Tones()) text << a.label << b.label << c.label << "\t1\n";
        }
    }
    return text.str();
}

// Splits phoneme codes written together into tone indices.
inline std::vector<int> Spell(const std::string& phones) {
    std::vector<int> out;
    size_t i = 0;
    while (i < phones.size()) {
        int best = -1;
        size_t len = 0;
        for (size_t k = 0; k < Tones().size(); ++k) {
            const std::string label = Tones()[k].label;
            if (phones.compare(i, label.size(), label) == 0 && label.size() > len) {
                best = static_cast<int>(k);
                len = label.size();
            }
        }
        if (best < 0) return {};
        out.push_back(best);
        i += len;
    }
    return out;
}

}  // namespace tone_corpus

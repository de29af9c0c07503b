// The phoneme acoustic model: one left-to-right HMM per label with diagonal-Gaussian mixtures, the
// global transition matrix, the labels, the feature settings, and the phone constraints and trigram
// language model loaded into it before a run. Read from a model image; used by the recognisers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/analysis/feature_config.h"

// One Gaussian of a state's mixture. mean and precision (inverse variances) point at D floats in
// the model's parameter block.
struct AccMixture {
    double weight = 0.0;
    const float* mean = nullptr;
    const float* precision = nullptr;
    double gConst = 0.0;
};

struct AccState {
    std::vector<AccMixture> mixtures;
    // The within-model transition row as the file stores it; the searches use the global matrix.
    std::vector<float> transitions;
};

struct AccModel {
    std::vector<AccState> states;
};

// The messages Read leaves in its error text (the buffer must hold kAccErrorTextSize characters).
constexpr int kAccErrorTextSize = 88;
extern const char* const kAccErrNotAModel;
extern const char* const kAccErrNewerVersion;
extern const char* const kAccErrTooSmall;

// Built once by Read, then used read-only by one recogniser run at a time (one thread); loading
// constraints or a language model must not overlap a run. No lock.
class CAccousticHMM {
public:
    CAccousticHMM() = default;
    CAccousticHMM(const CAccousticHMM&) = delete;
    CAccousticHMM& operator=(const CAccousticHMM&) = delete;
    virtual ~CAccousticHMM();

    // Phone trigram language model (text of "token count" pairs). Rebuilds the three tables. False
    // when no pair was read, or the tables cannot be allocated.
    // On any failure the model is left without a language model (empty tables).
    virtual bool ReadTrigrams(std::istream& in, bool countsAreConditional);
    // Drops the language model; the textless search then runs without it.
    void ClearTrigrams();
    // Phone constraints ("codes milliseconds" pairs); false (and no constraints) when a token holds
    // a character that starts no label.
    virtual bool ReadConstraints(std::istream& in, int unused);
    virtual void ClearConstraints();

    // Reads the model image at the cursor. On failure errorText (kAccErrorTextSize characters, may
    // be null) holds one of the three messages; on success it is empty.
    virtual bool Read(const unsigned char** cursor, unsigned* remaining, char* errorText);
    // Saves the image (version 1) to path through the safe save, so the old file stays on any
    // failure; false (error, when given, says why) when it cannot be written.
    virtual bool Write(const char* path, std::string* error = nullptr) const;
    // The same image in memory, the bytes Read and CreateAccHMM take; false when it cannot be made.
    bool WriteImage(std::vector<uint8_t>* out) const;
    // The image itself; false when a write failed.
    bool WriteImage(FILE* f) const;
    virtual void DumpText(std::ostream& out) const;
    virtual bool WriteFeatureDatabaseHeader(const char* path) const;
    // Works out hasSkips from the transition matrix.
    virtual void FinishRead();
    // 1e-7 when a phoneme stays in one state (fromModel == toModel) longer than its constraint,
    // else 1.0.
    virtual float SelfLoopWeight(int fromModel, int toModel, int framesInState) const;
    virtual bool ReadSingleAccModel(AccModel* model, const unsigned char** cursor,
                                    unsigned* remaining, char* errorText);
    virtual void DumpModel(FILE* file, int model) const;
    // Splits up to three labels written together; indices default to -1. False when a character
    // starts no label or no label was found.
    virtual bool SplitLabel(const char* text, int* a, int* b, int* c) const;

    // The length of the label that the text starts with, and its index (-1 and 0 when none).
    int FindLabel(const char* text, int* index) const;
    // Splits phoneme codes written together into label indices; a character that starts no label
    // gives index 0, is skipped and makes the result false.
    bool LabelsToIndices(const char* text, std::vector<uint16_t>* out) const;

    // Sum over the state's mixtures of exp(-0.5 sum_d precision[d] (x[d] - mean[d])^2) x weight x
    // gConst, in extended precision so that distant frames do not underflow to 0 (0 means "no
    // path" to the searches). x holds numFeatures values; globalState = model x numStates + state.
    // Allocates nothing; cheap enough to call once per state and frame.
    long double StateLikelihood(const float* x, int globalState) const;

    // Frees everything read or loaded; the model is empty afterwards.
    void Destroy();

    int StateCount() const { return numModels * numStates; }
    float Transition(int from, int to) const {
        return transitions[static_cast<size_t>(from) * StateCount() + to];
    }
    const float* TransitionRow(int from) const {
        return transitions.data() + static_cast<size_t>(from) * StateCount();
    }
    const char* Label(int index) const { return labels[index].c_str(); }
    // Null when the image carried no such text.
    const char* PhoneMap() const { return phoneMap ? phoneMap->c_str() : nullptr; }
    const char* Info() const { return info ? info->c_str() : nullptr; }
    float Unigram(int i) const { return unigrams[i]; }
    float Bigram(int i, int j) const { return bigrams[static_cast<size_t>(i) * numModels + j]; }
    float Trigram(int i, int j, int k) const {
        return trigrams[(static_cast<size_t>(i) * numModels + j) * numModels + k];
    }

    int32_t numModels = 0;
    int32_t numStates = 0;
    int32_t numMixtures = 0;
    CFeatureConfig features;
    std::vector<AccModel> models;
    std::vector<float> transitions;  // T x T, row by row, T = numModels x numStates
    std::vector<std::string> labels;
    int32_t hasSkips = 0;
    std::optional<std::string> phoneMap;
    std::optional<std::string> info;
    std::vector<float> trigrams;  // numModels^3, empty until ReadTrigrams
    std::vector<float> bigrams;   // numModels^2
    std::vector<float> unigrams;  // numModels
    uint8_t trigramVersion1 = 0;
    std::vector<int32_t> constraints;  // frames per state, one per model; 0 = no limit

private:
    bool ReadImage(const unsigned char** cursor, unsigned* remaining, char* errorText);

public:
    // Every mean and precision vector, model after model (the mixtures point into it).
    std::vector<float> parameters;
};

// Entry points. CreateAccHMM: 0, 1 when memory runs out, 12 when the image does not read (errorText
// then says why). DestroyAccHMM accepts null.
int CreateAccHMM(const void* data, int size, char* errorText, CAccousticHMM** out);
int DestroyAccHMM(CAccousticHMM* model);

// Load phone constraints or the trigram language model into a model: 10 when the file does not
// open, 2 for a null model, 12 when the text does not read, else 0. A null constraint text clears
// the model's constraints. The last argument is handed to the reader unchanged (callers pass 0).
int LoadPhoneConstraintsIntoHMM(CAccousticHMM* model, const char* text, int length, int unused);
int LoadPhoneConstraintsFileIntoHMM(CAccousticHMM* model, const char* path, int unused);
int LoadTrigramIntoHMM(CAccousticHMM* model, const char* text, int length, int unused);
int LoadTrigramFileIntoHMM(CAccousticHMM* model, const char* path, int unused);

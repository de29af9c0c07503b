// Acoustic model training: features from the engine's own feature chain, phone labels from
// reference alignments, three-state left-to-right phone models with diagonal-Gaussian mixtures,
// and the global transition matrix; the result is written in the engine's model format.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/analysis/feature_config.h"
#include "engine/recognition/acoustic_hmm.h"

// One utterance: its features and the model index of every frame.
struct TrainingUtterance {
    std::string name;
    std::string wav;   // the recording, read again for realignment
    std::string text;  // its sentence, for realignment
    int frames = 0;
    std::vector<float> features;   // frames x numFeatures
    std::vector<int> frameModels;  // frames
    std::vector<int> frameStates;  // frames, or empty: each phone split equally into states
    // The reference was made by a recogniser (real recordings), not by the synthesiser that spoke
    // it: realignment passes refine it.
    bool approximate = false;
};

struct TrainingOptions {
    int states = 3;
    int mixtures = 10;
    int passes = 4;     // state realignments, each followed by re-estimation
    int realignPasses = 0;  // then realignments by the text-based recogniser, each re-estimated
    // Realignment also relabels utterances with exact references. Viterbi training drifts from
    // exact times towards its own alignment, so by default only approximate references move.
    bool realignExact = false;
    int emRounds = 4;   // mixture re-estimation rounds after each split
    int threads = 8;
    double varianceFloor = 0.02;  // share of the global variance of each feature
    // Phone exits weighted by the training phone bigram, or shared equally among the phones.
    bool bigramExits = true;
    // Multiplies each state's step to the next state of its phone (the self-loop takes the rest):
    // below 1 it penalises entering a phone, which keeps textless recognition from inserting
    // short phones, while the text-based alignment, whose phone sequence is given, hardly moves.
    double forwardScale = 1.0;
    // A trained model of the same labels and shape to adapt instead of training from nothing (see
    // AdaptMixture): each state's mixture moves towards its frames as their count outweighs
    // priorWeight frames.
    const CAccousticHMM* prior = nullptr;
    double priorWeight = 16.0;
    std::string info;             // the model's info text
};

// Model labels (phoneme codes) and the map of every phoneme code of the alignments onto one of
// them. The 40-label set maps each code to itself.
struct LabelSet {
    std::vector<std::string> labels;
    std::map<std::string, int> codeToModel;
    std::string PhoneMapText() const;  // "code=label" lines
};

LabelSet FullLabelSet();
// 19 classes of phonemes that look alike on the mouth, each named by one of its codes.
LabelSet VisemeLabelSet();

// Phone segments (ms) and the label set give the model of every frame: a frame takes the phone
// that covers the middle of its period, as the recognisers report phone starts half a period after
// a frame's start. Codes outside the set make the result false.
bool FrameModelsFromPhones(const std::vector<std::pair<int, int>>& spans,
                           const std::vector<std::string>& codes, const LabelSet& set,
                           double periodMs, int frames, std::vector<int>* out);

// Reads a WAV file and its reference alignment (a results file's "phn" records) and computes the
// features with config. Empty message on success.
std::string LoadUtterance(const std::string& wav, const std::string& alignment,
                          const CFeatureConfig& config, const LabelSet& set,
                          TrainingUtterance* out);

// Trains a model set on the utterances and fills model (labels, features, states, mixtures,
// transitions, phone map, info). Runs on options.threads threads. Empty message on success.
std::string TrainModels(const std::vector<TrainingUtterance>& utterances, const LabelSet& set,
                        const CFeatureConfig& config, const TrainingOptions& options,
                        CAccousticHMM* model);

// Realigns every utterance through the program's recognition run (app/core) with the text-based
// recogniser and model (40 labels): the model goes through its in-memory image and CreateAccHMM
// (one copy and transcriber per thread),
// the sentence through the built-in transcriber over dictionary (its "WORD=phones" text), and the
// phoneme records and their state-run records become the frame models and states. Utterances with
// exact references are left alone unless includeExact; utterances that do not align keep their
// labels. Returns how many were realigned; error says why none could be.
int RealignWithRecognizer(const CAccousticHMM& model, const std::string& dictionary, int threads,
                          bool includeExact, std::vector<TrainingUtterance>* utterances,
                          std::string* error);

// The whole recipe: utterances labelled with the 40-label set are trained (TrainModels), then
// realigned options.realignPasses times by the text-based recogniser (approximate references only,
// unless options.realignExact), each time re-estimated from the new labels and states. A smaller
// target set is estimated from the last realignment, its classes taking the states of their
// phonemes. The utterances' labels are changed. Empty message on success.
std::string TrainWithRealignment(std::vector<TrainingUtterance>* utterances, const LabelSet& target,
                                 const CFeatureConfig& config, const TrainingOptions& options,
                                 const std::string& dictionary, CAccousticHMM* model);

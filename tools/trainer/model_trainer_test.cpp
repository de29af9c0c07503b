// Training smoke test: a few pseudo-phonemes (faint noise, a voiced tone, hiss) in a few
// utterances written as WAV files with their alignments, trained through the engine's own
// features, written, read back and checked for sound parameters and frame classification.
#include "tools/trainer/model_trainer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "engine/audio/audio_test_support.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/util/memory_buffer.h"

namespace {

constexpr int kRate = 16000;

// The sound of one pseudo-phoneme, appended for ms milliseconds.
void AppendSound(const std::string& code, int ms, std::mt19937& rng, std::vector<int16_t>* out) {
    std::normal_distribution<double> noise(0.0, 1.0);
    const int n = ms * kRate / 1000;
    double previous = 0.0;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(out->size()) / kRate;
        double v;
        if (code == "x") {
            v = 30.0 * noise(rng);
        } else if (code == "AA") {
            v = 0.0;
            for (int h = 1; h <= 8; ++h) v += 3000.0 / h * std::sin(2 * M_PI * 140.0 * h * t);
            v += 50.0 * noise(rng);
        } else {  // "s": hiss, white noise differenced so that its energy sits high
            const double w = 2500.0 * noise(rng);
            v = w - previous;
            previous = w;
        }
        out->push_back(static_cast<int16_t>(std::clamp(v, -32000.0, 32000.0)));
    }
}

struct Corpus {
    std::vector<std::string> wavs, alignments;
    std::vector<std::vector<std::pair<int, int>>> spans;  // ms, per utterance
    std::vector<std::vector<std::string>> codes;
};

Corpus MakeCorpus(const std::filesystem::path& dir, int count) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> len(60, 160);
    const char* pattern[] = {"x", "AA", "s", "AA", "x", "s", "AA", "s", "x"};
    Corpus c;
    for (int u = 0; u < count; ++u) {
        std::vector<int16_t> samples;
        std::string zuvo = "version 1.2\n";
        c.spans.emplace_back();
        c.codes.emplace_back();
        int t = 0;
        for (int k = 0; k < 9; ++k) {
            const std::string code = pattern[(k + u) % 9];
            const int ms = len(rng);
            AppendSound(code, ms, rng, &samples);
            zuvo += "phn " + std::to_string(t) + " " + std::to_string(t + ms) + " 0 " + code + "\n";
            c.spans.back().emplace_back(t, t + ms);
            c.codes.back().push_back(code);
            t += ms;
        }
        zuvo += "end_markers\n";
        const std::string base = (dir / ("u" + std::to_string(u))).string();
        EXPECT_TRUE(audio_test::WriteWav(base + ".wav", samples, kRate));
        std::ofstream(base + ".zuvo") << zuvo;
        c.wavs.push_back(base + ".wav");
        c.alignments.push_back(base + ".zuvo");
    }
    return c;
}

class TrainerSmoke : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("model_trainer_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        InstallDefaultAudioFileReaders();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

TEST_F(TrainerSmoke, TrainsWritesAndReadsBackAModelThatTellsThePhonesApart) {
    CFeatureConfig config;
    ASSERT_TRUE(MakeStandardFeatureConfig(38, &config));
    const LabelSet set = FullLabelSet();
    const Corpus corpus = MakeCorpus(dir, 7);
    std::vector<TrainingUtterance> utterances(corpus.wavs.size());
    for (size_t i = 0; i < corpus.wavs.size(); ++i) {
        ASSERT_EQ(LoadUtterance(corpus.wavs[i], corpus.alignments[i], config, set, &utterances[i]), "");
        ASSERT_GT(utterances[i].frames, 50);
    }
    TrainingUtterance held = utterances.back();
    utterances.pop_back();

    TrainingOptions options;
    options.mixtures = 3;
    options.passes = 2;
    options.threads = 3;
    options.info = "smoke";
    CAccousticHMM trained;
    ASSERT_EQ(TrainModels(utterances, set, config, options, &trained), "");
    const std::string path = (dir / "smoke.hmm").string();
    ASSERT_TRUE(trained.Write(path.c_str()));

    CMemoryBuffer file;
    ASSERT_TRUE(file.LoadFile(path.c_str()));
    // The image size follows the format's arithmetic: header and features, per model its marker
    // and states (each mixture two doubles and two vectors, each state its transition row), the
    // separator, the transition matrix, then the strings.
    const size_t D = 38, S = 3, K = 3, M = 40;
    const size_t fixed = 424 + M * (4 + S * (K * (16 + 8 * D) + 4 * S)) + 4 + 4 * (M * S) * (M * S);
    EXPECT_GT(file.size, fixed);
    size_t labelBytes = 0;
    for (const std::string& l : set.labels) labelBytes += l.size() + 1;
    EXPECT_EQ(file.size, fixed + labelBytes + std::strlen(trained.PhoneMap()) + 1 +
                             std::strlen(trained.Info()) + 1);

    char error[kAccErrorTextSize] = "";
    CAccousticHMM* model = nullptr;
    ASSERT_EQ(CreateAccHMM(file.data.get(), static_cast<int>(file.size), error, &model), 0) << error;
    EXPECT_EQ(model->numModels, 40);
    EXPECT_EQ(model->numStates, 3);
    EXPECT_EQ(model->numMixtures, 3);
    EXPECT_EQ(model->hasSkips, 0);
    EXPECT_STREQ(model->Label(35), "AA");

    // Every transition row is a distribution; the last state of a model leads into first states.
    const int T = model->StateCount();
    for (int i = 0; i < T; ++i) {
        double sum = 0.0;
        for (int j = 0; j < T; ++j) sum += model->Transition(i, j);
        EXPECT_NEAR(sum, 1.0, 1e-4) << "state " << i;
    }
    EXPECT_GT(model->Transition(35 * 3 + 2, 10 * 3), 0.0f);  // AA -> s, seen in training
    EXPECT_EQ(model->Transition(35 * 3 + 2, 10 * 3 + 1), 0.0f);

    // A forward scale shrinks only the steps inside a phone; its exits stay as they were.
    TrainingOptions scaledOptions = options;
    scaledOptions.forwardScale = 0.1;
    CAccousticHMM scaled;
    ASSERT_EQ(TrainModels(utterances, set, config, scaledOptions, &scaled), "");
    for (int state : {35 * 3, 35 * 3 + 1}) {
        EXPECT_NEAR(scaled.Transition(state, state + 1), 0.1 * model->Transition(state, state + 1), 1e-6);
        EXPECT_NEAR(scaled.Transition(state, state) + scaled.Transition(state, state + 1), 1.0, 1e-6);
    }
    EXPECT_EQ(scaled.Transition(35 * 3 + 2, 10 * 3), model->Transition(35 * 3 + 2, 10 * 3));

    // gConst makes each Gaussian a density: at its mean the likelihood is weight x gConst, and
    // gConst is (2 pi)^(-D/2) times the root of the precisions' product.
    const AccMixture& mix = model->models[35].states[1].mixtures[0];
    double logDet = 0.0;
    for (size_t d = 0; d < D; ++d) logDet += std::log(static_cast<double>(mix.precision[d]));
    EXPECT_NEAR(std::log(mix.gConst), -0.5 * D * std::log(2 * M_PI) + 0.5 * logDet, 1e-6);
    long double atMean = 0.0L;
    for (const AccMixture& m : model->models[35].states[1].mixtures) {
        double dist = 0.0;
        for (size_t d = 0; d < D; ++d) dist += m.precision[d] * std::pow(mix.mean[d] - m.mean[d], 2.0);
        atMean += std::exp(-0.5 * dist) * m.weight * m.gConst;
    }
    EXPECT_NEAR(static_cast<double>(model->StateLikelihood(mix.mean, 35 * 3 + 1) / atMean), 1.0, 1e-6);

    // Frames of the held-out utterance go to the right phone (best state of the three models).
    const int codes[] = {0, 35, 10};
    int right = 0, counted = 0;
    for (int t = 0; t < held.frames; ++t) {
        // Frames that straddle a boundary are left out.
        if (t < 2 || t + 2 >= held.frames || held.frameModels[t - 2] != held.frameModels[t + 2]) continue;
        const float* x = &held.features[static_cast<size_t>(t) * D];
        int best = -1;
        long double bestL = -1.0L;
        for (int m : codes) {
            for (int s = 0; s < 3; ++s) {
                const long double l = model->StateLikelihood(x, m * 3 + s);
                if (l > bestL) {
                    bestL = l;
                    best = m;
                }
            }
        }
        right += best == held.frameModels[t];
        ++counted;
    }
    ASSERT_GT(counted, 40);
    EXPECT_GT(static_cast<double>(right) / counted, 0.95);
    EXPECT_NE(std::string(model->Info()).find("smoke"), std::string::npos);
    EXPECT_NE(std::string(model->Info()).find("without training frames"), std::string::npos);
    DestroyAccHMM(model);
}

// Adapting a trained model: a prior that outweighs the frames stays as it was; one that weighs
// nothing moves to the frames (here shifted by one unit in the first feature); a prior of another
// shape is refused.
TEST_F(TrainerSmoke, AdaptationMovesThePriorTowardsTheFramesByTheirWeight) {
    CFeatureConfig config;
    ASSERT_TRUE(MakeStandardFeatureConfig(38, &config));
    const LabelSet set = FullLabelSet();
    const Corpus corpus = MakeCorpus(dir, 4);
    std::vector<TrainingUtterance> utterances(corpus.wavs.size());
    for (size_t i = 0; i < corpus.wavs.size(); ++i) {
        ASSERT_EQ(LoadUtterance(corpus.wavs[i], corpus.alignments[i], config, set, &utterances[i]), "");
    }
    TrainingOptions options;
    options.mixtures = 2;
    options.passes = 1;
    options.threads = 2;
    CAccousticHMM prior;
    ASSERT_EQ(TrainModels(utterances, set, config, options, &prior), "");
    std::vector<TrainingUtterance> shifted = utterances;
    for (TrainingUtterance& u : shifted) {
        for (size_t t = 0; t < static_cast<size_t>(u.frames); ++t) u.features[t * 38] += 1.0f;
    }
    const AccMixture& before = prior.models[35].states[1].mixtures[0];  // AA, seen in training
    options.prior = &prior;
    for (double weight : {1e12, 0.0}) {
        options.priorWeight = weight;
        CAccousticHMM adapted;
        ASSERT_EQ(TrainModels(shifted, set, config, options, &adapted), "");
        const AccMixture& after = adapted.models[35].states[1].mixtures[0];
        const double expected = weight > 1.0 ? 0.0 : 1.0;
        EXPECT_NEAR(after.mean[0] - before.mean[0], expected, 0.05) << weight;
        EXPECT_NEAR(after.mean[1] - before.mean[1], 0.0, 0.05) << weight;
    }
    options.mixtures = 3;
    CAccousticHMM other;
    EXPECT_NE(TrainModels(shifted, set, config, options, &other), "");
}

// Reference boundaries 30 ms off, in turn late and early: realignment by the text-based recogniser
// (the sentence's words through a small dictionary) moves them back where the sounds change, with
// the states of each phone in order; a smaller label set is then estimated from the realigned
// phones. An utterance whose reference is marked exact keeps its labels.
TEST_F(TrainerSmoke, RealignmentByTheRecognizerCorrectsMisplacedReferenceBoundaries) {
    CFeatureConfig config;
    ASSERT_TRUE(MakeStandardFeatureConfig(38, &config));
    const LabelSet set = FullLabelSet();
    const Corpus corpus = MakeCorpus(dir, 8);
    const double period = config.FramePeriodMs();
    std::vector<TrainingUtterance> utterances(corpus.wavs.size());
    std::vector<std::vector<int>> truth(corpus.wavs.size());
    for (size_t i = 0; i < corpus.wavs.size(); ++i) {
        std::string zuvo = "version 1.2\n", text;
        const auto& spans = corpus.spans[i];
        for (size_t k = 0; k < spans.size(); ++k) {
            // Boundary k moves 30 ms later or earlier in turn.
            auto moved = [&](size_t b, int ms) { return ms + (b % 2 ? 30 : -30); };
            const int start = k == 0 ? 0 : moved(k, spans[k].first);
            const int end = k + 1 == spans.size() ? spans[k].second : moved(k + 1, spans[k].second);
            zuvo += "phn " + std::to_string(start) + " " + std::to_string(end) + " 0 " + corpus.codes[i][k] + "\n";
            if (corpus.codes[i][k] != "x") text += corpus.codes[i][k] == "AA" ? "ZA " : "ZS ";
        }
        const std::string late = corpus.alignments[i] + ".late";
        std::ofstream(late) << zuvo << "end_markers\n";
        ASSERT_EQ(LoadUtterance(corpus.wavs[i], late, config, set, &utterances[i]), "");
        utterances[i].text = text;
        utterances[i].approximate = i + 1 < corpus.wavs.size();
        ASSERT_TRUE(FrameModelsFromPhones(spans, corpus.codes[i], set, period, utterances[i].frames, &truth[i]));
    }
    const std::vector<int> exactLabels = utterances.back().frameModels;
    auto agreement = [&](const std::vector<TrainingUtterance>& us) {
        int same = 0, all = 0;
        for (size_t i = 0; i + 1 < us.size(); ++i) {
            for (int t = 0; t < us[i].frames; ++t, ++all) same += us[i].frameModels[t] == truth[i][t];
        }
        return static_cast<double>(same) / all;
    };
    const double before = agreement(utterances);

    TrainingOptions options;
    options.mixtures = 3;
    options.passes = 2;
    options.realignPasses = 2;
    options.threads = 3;
    const std::string dictionary = "ZA=AA\nZS=s\n";
    std::vector<TrainingUtterance> fastUtterances = utterances;
    CAccousticHMM trained;
    ASSERT_EQ(TrainWithRealignment(&utterances, set, config, options, dictionary, &trained), "");
    EXPECT_EQ(trained.numModels, 40);
    const double after = agreement(utterances);
    EXPECT_EQ(utterances.back().frameModels, exactLabels);
    EXPECT_LT(before, 0.8);
    EXPECT_GT(after, 0.95) << "before " << before;
    for (const TrainingUtterance& u : utterances) {
        if (!u.approximate) continue;
        ASSERT_EQ(static_cast<int>(u.frameStates.size()), u.frames);
        for (int t = 1; t < u.frames; ++t) {
            ASSERT_GE(u.frameStates[t], 0);
            ASSERT_LT(u.frameStates[t], 3);
            // Inside a phone the states only go forward, one at a time.
            if (u.frameModels[t] == u.frameModels[t - 1] && u.frameStates[t] >= u.frameStates[t - 1]) {
                EXPECT_LE(u.frameStates[t] - u.frameStates[t - 1], 1);
            }
        }
    }

    // The mouth-shape classes: the realigned phones are mapped onto them before the estimate.
    CAccousticHMM classes;
    options.realignPasses = 1;
    ASSERT_EQ(TrainWithRealignment(&fastUtterances, VisemeLabelSet(), config, options, dictionary, &classes), "");
    EXPECT_EQ(classes.numModels, 19);
    const LabelSet fast = VisemeLabelSet();
    for (const TrainingUtterance& u : fastUtterances) {
        for (int m : u.frameModels) EXPECT_TRUE(m == 0 || m == fast.codeToModel.at("AA") || m == fast.codeToModel.at("s"));
    }
}

TEST(TrainerLabels, FramesTakeThePhoneAtTheMiddleOfTheirPeriod) {
    const LabelSet set = FullLabelSet();
    std::vector<int> models;
    // Phones x [0, 25), AA [25, 60), s [60, 100) ms with 10 ms frames: middles 5, 15, 25, ...
    ASSERT_TRUE(FrameModelsFromPhones({{0, 25}, {25, 60}, {60, 100}}, {"x", "AA", "s"}, set, 10.0, 12,
                                      &models));
    EXPECT_EQ(models, (std::vector<int>{0, 0, 35, 35, 35, 35, 10, 10, 10, 10, 10, 10}));
    EXPECT_FALSE(FrameModelsFromPhones({{0, 10}}, {"q"}, set, 10.0, 1, &models));
}

TEST(TrainerLabels, MouthShapeClassesCoverEveryPhonemeWithNineteenNamedLabels) {
    const LabelSet full = FullLabelSet();
    const LabelSet fast = VisemeLabelSet();
    ASSERT_EQ(fast.labels.size(), 19u);
    ASSERT_EQ(full.labels.size(), 40u);
    std::set<std::string> names(fast.labels.begin(), fast.labels.end());
    EXPECT_EQ(names.size(), 19u);
    int previous = -1;
    for (const std::string& label : fast.labels) {
        // Each class is named by one of the 40 codes, in their order, and contains its name.
        ASSERT_TRUE(full.codeToModel.count(label)) << label;
        EXPECT_GT(full.codeToModel.at(label), previous);
        previous = full.codeToModel.at(label);
        EXPECT_EQ(fast.labels[fast.codeToModel.at(label)], label);
    }
    for (const std::string& code : full.labels) EXPECT_TRUE(fast.codeToModel.count(code)) << code;
    struct Case {
        const char* code;
        const char* cls;
    };
    const Case lookAlike[] = {{"p", "m"}, {"b", "m"}, {"v", "f"}, {"CH", "SH"}, {"TH", "DH"},
                              {"OY", "AO"}, {"AY", "AH"}, {"AA", "AH"}, {"t", "n"}, {"x", "x"}};
    for (const Case& c : lookAlike) EXPECT_EQ(fast.labels[fast.codeToModel.at(c.code)], c.cls) << c.code;
    EXPECT_NE(fast.PhoneMapText().find("CH=SH\n"), std::string::npos);
}

TEST(TrainerLabels, StandardFeatureSettingsHaveTheBuiltInBandEdges) {
    struct Case {
        int features, bands, cepstra, flags;
        float first[3], last[3];
    };
    const Case cases[] = {{38, 23, 12, 4, {69, 150, 240}, {6287, 7024, 7839}},
                          {15, 24, 8, 0, {70, 100, 200}, {6050, 6950, 8000}}};
    for (const Case& c : cases) {
        CFeatureConfig config;
        ASSERT_TRUE(MakeStandardFeatureConfig(c.features, &config));
        ASSERT_EQ(config.numBands, c.bands);
        EXPECT_EQ(config.num_cep, c.cepstra);
        EXPECT_EQ(config.flags, c.flags);
        const auto& first = config.bands.data[0];
        const auto& last = config.bands.data[c.bands - 1];
        EXPECT_EQ(first.low, c.first[0]);
        EXPECT_EQ(first.centre, c.first[1]);
        EXPECT_EQ(first.high, c.first[2]);
        EXPECT_EQ(last.low, c.last[0]);
        EXPECT_EQ(last.centre, c.last[1]);
        EXPECT_EQ(last.high, c.last[2]);
        for (int b = 1; b < c.bands; ++b) {
            // Neighbouring bands overlap by half: each centre is the next band's low edge.
            EXPECT_EQ(config.bands.data[b].low, config.bands.data[b - 1].centre);
        }
    }
}

}  // namespace

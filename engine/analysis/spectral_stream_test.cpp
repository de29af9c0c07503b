// Tests of the feature stream: framing, silence, differences, layouts, the mean pass and a
// comparison with the independent numpy reference on a seeded signal.
#include "engine/analysis/spectral_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/analysis/feature_test_support.h"
#include "engine/audio/audio_test_support.h"
#include "engine/analysis/observation_stream.h"
#include "engine/api/progress.h"
#include "engine/audio/zuvo_stream.h"

namespace {

const std::string kFixtures = std::string(MURMUREX_TESTDATA_DIR) + "/features/";

struct StreamHolder {
    std::unique_ptr<VectorSource> source;
    IObservationStream* stream = nullptr;
    ~StreamHolder() { DestroyObservationStream(stream); }
};

// An observation stream over samples with the given settings.
std::unique_ptr<StreamHolder> OpenStream(std::vector<int16_t> samples, const CFeatureConfig& config,
                                         int* rc = nullptr) {
    auto holder = std::make_unique<StreamHolder>();
    holder->source = std::make_unique<VectorSource>(std::move(samples));
    CSpectralStream* stream = nullptr;
    const int code = CreateFeatureStreamFromZuvoStream(holder->source.get(), config, &stream);
    holder->stream = stream;
    if (rc) *rc = code;
    return holder;
}

CFeatureConfig Standard(int numFeatures) {
    CFeatureConfig config;
    MakeStandardFeatureConfig(numFeatures, &config);
    return config;
}

struct Frames {
    std::vector<std::vector<float>> features;
    std::vector<float> energies;
};

Frames ReadAll(IObservationStream* stream, int numFeatures) {
    Frames frames;
    const unsigned count = stream->GetFrameCount();
    for (unsigned t = 0; t < count; ++t) {
        std::vector<float> v(numFeatures);
        float energy = -1.0f;
        EXPECT_EQ(stream->ReadFrame(v.data(), &energy), 0);
        frames.features.push_back(v);
        frames.energies.push_back(energy);
    }
    return frames;
}

std::vector<int16_t> Sine(int count, double hz, double amplitude) {
    return audio_test::Tones(16000, static_cast<unsigned>(count), {hz}, amplitude);
}

class RecordingProgress : public CProgress {
public:
    void SetStatusText(const char* text) override { texts.push_back(text); }
    bool Progress(int, int) override { return cancel; }
    std::vector<std::string> texts;
    bool cancel = false;
};

std::string PythonWithNumpy() {
    for (const char* python : {"python3", "/usr/bin/python3"}) {
        const std::string probe =
            std::string(python) + " -c \"import numpy\" > /dev/null 2>&1";
        if (std::system(probe.c_str()) == 0) return python;
    }
    return "";
}

// Frames compared with a reference table (energy value first on each line).
void ExpectMatchesReference(const Frames& frames, const std::vector<std::vector<double>>& table,
                            const char* what) {
    ASSERT_EQ(frames.features.size(), table.size()) << what;
    for (size_t t = 0; t < table.size(); ++t) {
        ASSERT_EQ(table[t].size(), frames.features[t].size() + 1) << what;
        EXPECT_NEAR(frames.energies[t], table[t][0], 1e-3 + 1e-5 * std::fabs(table[t][0]))
            << what << " frame " << t;
        for (size_t i = 0; i < frames.features[t].size(); ++i) {
            const double expected = table[t][i + 1];
            EXPECT_NEAR(frames.features[t][i], expected, 2e-3 + 1e-4 * std::fabs(expected))
                << what << " frame " << t << " feature " << i;
        }
    }
}

}  // namespace

TEST(SpectralStream, InitRefusesWindowsItCannotAnalyse) {
    VectorSource source(std::vector<int16_t>(1000, 0));
    CZuvoStream* pcm = new CZuvoStream;
    ASSERT_EQ(pcm->Open(&source), 0);
    struct Case {
        int size;
        int overlap;
        int expected;
    } cases[] = {{512, 352, 0}, {500, 352, 2}, {512, 512, 2}, {512, -1, 2}, {8192, 100, 2},
                 {2, 0, 0}};
    for (const Case& c : cases) {
        CSpectralStream stream;
        EXPECT_EQ(stream.Init(pcm, 1, c.size, c.overlap), c.expected) << c.size << " " << c.overlap;
    }
    CFeatureConfig config = Standard(38);
    config.num_cep = 19;
    CSpectralStream stream;
    EXPECT_EQ(stream.Init2(pcm, 1, &config), 0);
    config.num_cep = 20;  // no room for the energy term
    EXPECT_EQ(stream.Init2(pcm, 1, &config), 2);
    pcm->Release();
}

TEST(SpectralStream, FramePeriodAndCount) {
    auto holder = OpenStream(std::vector<int16_t>(16000, 0), Standard(38));
    ASSERT_NE(holder->stream, nullptr);
    int size = 0, overlap = 0;
    holder->stream->GetWindow(&size, &overlap);
    EXPECT_EQ(size, 512);
    EXPECT_EQ(overlap, 352);
    EXPECT_EQ(holder->stream->GetSampleRate(), 16000.0f);
    EXPECT_NEAR((size - overlap) / holder->stream->GetSampleRate() * 1000.0, 10.0, 1e-6);
    EXPECT_EQ(holder->stream->GetFrameCount(), 100u);
    static_cast<CSpectralStream*>(holder->stream)->SetMaxFrames(40);
    EXPECT_EQ(holder->stream->GetFrameCount(), 40u);
}

TEST(SpectralStream, SilenceGivesZerosAndTheSmallestEnergyTerm) {
    // Which position carries the energy term 0.05 x 0.5, by layout.
    struct Case {
        int numFeatures;
        int numCep;
        int energyPosition;  // -1: no energy term
    } cases[] = {{38, 12, 35}, {39, 12, 35}, {37, 12, -1}, {15, 8, -1}, {16, 8, 0}};
    for (const Case& c : cases) {
        CFeatureConfig config = Standard(c.numFeatures >= 35 ? 38 : 15);
        config.numFeatures = c.numFeatures;
        config.num_cep = c.numCep;
        auto holder = OpenStream(std::vector<int16_t>(8000, 0), config);
        ASSERT_NE(holder->stream, nullptr) << c.numFeatures;
        Frames frames = ReadAll(holder->stream, c.numFeatures);
        ASSERT_EQ(frames.features.size(), 50u);
        for (size_t t = 0; t < frames.features.size(); ++t) {
            EXPECT_EQ(frames.energies[t], 0.0f);
            for (int i = 0; i < c.numFeatures; ++i) {
                EXPECT_FLOAT_EQ(frames.features[t][i], i == c.energyPosition ? 0.025f : 0.0f)
                    << c.numFeatures << " frame " << t << " feature " << i;
            }
        }
        float lo = -1, hi = -1;
        holder->stream->GetEnergyRange(&lo, &hi);
        EXPECT_EQ(lo, 0.0f);
        EXPECT_EQ(hi, 0.0f);
    }
}

TEST(SpectralStream, FirstFramesDifferencesSpanTwoFrames) {
    std::vector<int16_t> samples = ReadRawSamples(kFixtures + "seeded_signal.raw");
    ASSERT_FALSE(samples.empty());
    // Start inside the voiced part so that consecutive frames differ.
    samples.erase(samples.begin(), samples.begin() + 3000);
    auto holder = OpenStream(samples, Standard(38));
    ASSERT_NE(holder->stream, nullptr);
    Frames f = ReadAll(holder->stream, 38);
    ASSERT_GE(f.features.size(), 3u);
    // Layout: c1..c11 at 0..10, dc0..dc11 at 11..22, ddc0..ddc11 at 23..34, E, dE, ddE.
    auto c = [&](int t, int i) { return f.features[t][i - 1]; };
    auto d = [&](int t, int i) { return f.features[t][11 + i]; };
    auto dd = [&](int t, int i) { return f.features[t][23 + i]; };
    for (int i = 1; i < 12; ++i) {
        EXPECT_EQ(d(0, i), 0.0f);
        EXPECT_EQ(dd(0, i), 0.0f);
        EXPECT_FLOAT_EQ(d(1, i), c(1, i) - c(0, i));
        EXPECT_FLOAT_EQ(dd(1, i), d(1, i));
        EXPECT_FLOAT_EQ(d(2, i), c(2, i) - c(0, i));
        EXPECT_FLOAT_EQ(dd(2, i), d(2, i) - d(0, i));
    }
    EXPECT_EQ(f.features[0][36], 0.0f);
    EXPECT_FLOAT_EQ(f.features[1][36], f.features[1][35] - f.features[0][35]);
    EXPECT_FLOAT_EQ(f.features[2][37], f.features[2][36] - f.features[0][36]);
}

TEST(SpectralStream, ReadFrameWritesExactlyTheFeatureCount) {
    // Layouts whose three difference levels hold more values than the vector.
    struct Case {
        int numFeatures;
        int numCep;
        int flags;
    } cases[] = {{38, 12, 4}, {36, 12, 4}, {38, 12, 0}, {15, 8, 0}, {12, 8, 0}, {40, 19, 4}};
    const std::vector<int16_t> samples = Sine(4000, 440.0, 5000.0);
    for (const Case& c : cases) {
        CFeatureConfig config = Standard(c.numFeatures >= 35 ? 38 : 15);
        config.numFeatures = c.numFeatures;
        config.num_cep = c.numCep;
        config.flags = c.flags;
        auto holder = OpenStream(samples, config);
        ASSERT_NE(holder->stream, nullptr);
        std::vector<float> buffer(64, 12345.0f);
        for (int t = 0; t < 5; ++t) {
            ASSERT_EQ(holder->stream->ReadFrame(buffer.data(), nullptr), 0);
            for (int i = c.numFeatures; i < 64; ++i) {
                ASSERT_EQ(buffer[i], 12345.0f) << c.numFeatures << " wrote past the vector at " << i;
            }
        }
    }
}

TEST(SpectralStream, EnergyRangeFollowsTheDeliveredValues) {
    std::vector<int16_t> samples = Sine(8000, 300.0, 2000.0);
    for (int i = 3000; i < 5000; ++i) samples[i] = static_cast<int16_t>(samples[i] * 8);
    auto holder = OpenStream(samples, Standard(38));
    Frames f = ReadAll(holder->stream, 38);
    float lo = 0, hi = 0;
    holder->stream->GetEnergyRange(&lo, &hi);
    EXPECT_EQ(lo, *std::min_element(f.energies.begin(), f.energies.end()));
    EXPECT_EQ(hi, *std::max_element(f.energies.begin(), f.energies.end()));
    EXPECT_GT(hi, 4.0f * lo);

    // Values of 10,000 or more never raise the maximum.
    auto loud = OpenStream(Sine(8000, 300.0, 30000.0), Standard(38));
    Frames g = ReadAll(loud->stream, 38);
    loud->stream->GetEnergyRange(&lo, &hi);
    EXPECT_GE(*std::max_element(g.energies.begin(), g.energies.end()), 10000.0f);
    EXPECT_LT(hi, 10000.0f);

    // With the decibel option the energy value is the hop's decibel energy.
    auto db = OpenStream(std::vector<int16_t>(4000, 0), Standard(38));
    db->stream->SetOptions(kObservationEnergyInDb);
    Frames h = ReadAll(db->stream, 38);
    EXPECT_FLOAT_EQ(h.energies[3], 0.5f);
}

TEST(SpectralStream, MeanPassRunsOnceAndLeavesTheFeaturesAlone) {
    const std::vector<int16_t> samples = ReadRawSamples(kFixtures + "seeded_signal.raw");
    for (int numFeatures : {38, 15}) {
        CFeatureConfig config = Standard(numFeatures);
        auto plain = OpenStream(samples, config);
        Frames expected = ReadAll(plain->stream, numFeatures);

        config.flags |= kFeatureFlagSpectralMean;
        auto withMean = OpenStream(samples, config);
        RecordingProgress progress;
        auto* spectral = static_cast<CSpectralStream*>(withMean->stream);
        spectral->SetProgress(&progress);
        Frames got = ReadAll(withMean->stream, numFeatures);
        EXPECT_EQ(got.features, expected.features) << numFeatures;
        EXPECT_EQ(got.energies, expected.energies) << numFeatures;
        EXPECT_EQ(progress.texts,
                  (std::vector<std::string>{"Calculating Spectral Mean...", "Recognizing..."}));
        float total = 0.0f;
        for (int k = 0; k < 256; ++k) total += spectral->MeanSpectrum()[k];
        EXPECT_GT(total, 0.0f);

        auto cancelled = OpenStream(samples, config);
        RecordingProgress cancel;
        cancel.cancel = true;
        static_cast<CSpectralStream*>(cancelled->stream)->SetProgress(&cancel);
        std::vector<float> v(numFeatures);
        EXPECT_EQ(cancelled->stream->ReadFrame(v.data(), nullptr), 5);
    }
}

TEST(SpectralStream, FeaturesMatchTheIndependentReference) {
    const std::vector<int16_t> samples = ReadRawSamples(kFixtures + "seeded_signal.raw");
    ASSERT_EQ(samples.size(), 12000u);
    const std::string python = PythonWithNumpy();
    for (int numFeatures : {38, 15}) {
        const std::string name = "expected_" + std::to_string(numFeatures) + ".txt";
        auto holder = OpenStream(samples, Standard(numFeatures));
        ASSERT_NE(holder->stream, nullptr);
        Frames frames = ReadAll(holder->stream, numFeatures);
        ExpectMatchesReference(frames, ReadNumberTable(kFixtures + name), name.c_str());

        // The same through the library function the tool and the trainer use.
        CZuvoStream* pcm = new CZuvoStream;
        VectorSource source(samples);
        ASSERT_EQ(pcm->Open(&source), 0);
        std::vector<float> features, energies;
        ASSERT_EQ(ComputeFeatures(pcm, 1, Standard(numFeatures), false, &features, &energies), 0);
        pcm->Release();
        ASSERT_EQ(features.size(), frames.features.size() * numFeatures);
        for (size_t t = 0; t < frames.features.size(); ++t) {
            EXPECT_EQ(std::vector<float>(features.begin() + t * numFeatures,
                                         features.begin() + (t + 1) * numFeatures),
                      frames.features[t]);
            EXPECT_EQ(energies[t], frames.energies[t]);
        }

        if (python.empty()) continue;
        // Run the reference itself: the committed tables must be what it computes now.
        const std::string out = std::string(::testing::TempDir()) + "spectral_stream_test_fresh_" + name;
        const std::string command = python + " " + MURMUREX_SOURCE_DIR +
                                    "/tools/features_reference.py features " +
                                    std::to_string(numFeatures) + " " + kFixtures +
                                    "seeded_signal.raw " + out;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        ExpectMatchesReference(frames, ReadNumberTable(out), ("fresh " + name).c_str());
        std::remove(out.c_str());
    }
}

// Tests of the display analysis source on sine inputs.
#include "engine/analysis/spectral_data_source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "engine/analysis/feature_test_support.h"
#include "engine/audio/audio_test_support.h"
#include "engine/audio/memory_pcm_stream.h"

namespace {

std::vector<short> Tone(int n, const std::vector<std::pair<double, double>>& partials) {
    return audio_test::Partials(16000, static_cast<unsigned>(n), partials);
}

// |X[k]|^2 of the block under the display window, by a plain DFT.
std::vector<double> WindowedPower(const std::vector<short>& s) {
    const int n = static_cast<int>(s.size());
    std::vector<double> power(n / 2 + 1);
    for (int k = 0; k <= n / 2; ++k) {
        std::complex<double> sum = 0;
        for (int i = 0; i < n; ++i) {
            const double w = 0.54 - 0.46 * std::cos(2 * M_PI * i / (n - 1));
            sum += s[i] * w * std::polar(1.0, -2 * M_PI * k * i / n);
        }
        power[k] = std::norm(sum);
    }
    return power;
}

struct Source {
    Source() { EXPECT_EQ(CreateSpectralDataSource(&source), 0); }
    ~Source() { source->Destroy(); }
    CSpectralDataSource* operator->() { return static_cast<CSpectralDataSource*>(source); }
    ISpectralDataSource* source = nullptr;
};

}  // namespace

TEST(SpectralDataSource, DbColumnOfSineInputs) {
    Source src;
    // Digital silence: all 0, level 0, and no pitch.
    std::vector<short> silence(512, 0);
    int32_t pitch = 5;
    EXPECT_EQ(src->ComputeDbColumn(silence.data(), 512, true, &pitch), 0.0f);
    EXPECT_EQ(pitch, -1);
    for (int k = 0; k <= 256; ++k) EXPECT_EQ(silence[k], 0) << k;

    // A full-scale sine at the centre of bin 32 saturates that bin.
    std::vector<short> loud = Tone(512, {{1000.0, 32767.0}});
    src->ComputeDbColumn(loud.data(), 512, false, nullptr);
    EXPECT_EQ(loud[32], 255);

    // A quieter one: 80 log10(|X| / 256) per bin, and the block level 20 log10 sqrt(sum |X|^2).
    for (double amplitude : {300.0, 3000.0}) {
        std::vector<short> s = Tone(512, {{1000.0, amplitude}, {2500.0, amplitude / 3}});
        const std::vector<double> power = WindowedPower(s);
        double total = 0.0;
        for (double p : power) total += p;
        const float level = src->ComputeDbColumn(s.data(), 512, false, nullptr);
        EXPECT_NEAR(level, 20.0 * std::log10(std::sqrt(total)), 1e-3);
        for (int k = 0; k <= 256; ++k) {
            const double p = power[k] / (256.0 * 256.0);
            const double expected = p >= 1.0 ? std::min(40.0 * std::log10(p), 255.0) : 0.0;
            EXPECT_NEAR(s[k], expected, 1.0) << amplitude << " bin " << k;
        }
    }
}

TEST(SpectralDataSource, NoiseGateClearsBinsAtOrBelowTheReference) {
    Source src;
    std::vector<short> reference(512, 0);
    std::vector<short> plain = Tone(512, {{1000.0, 3000.0}});
    src->ComputeDbColumn(plain.data(), 512, false, nullptr);
    for (int k = 0; k < 256; ++k) reference[k] = k == 32 ? plain[32] : plain[k] - 1;
    std::vector<short> gated = Tone(512, {{1000.0, 3000.0}});
    src->SetNoiseGate(true, reference.data(), 512);
    src->ComputeDbColumn(gated.data(), 512, false, nullptr);
    EXPECT_EQ(gated[32], 0);
    for (int k = 0; k < 256; ++k) {
        if (k != 32) {
            EXPECT_EQ(gated[k], plain[k]) << k;
        }
    }
    // A gate for another block size does not apply; one longer than the table stays off.
    std::vector<short> other = Tone(512, {{1000.0, 3000.0}});
    src->SetNoiseGate(true, reference.data(), 256);
    src->ComputeDbColumn(other.data(), 512, false, nullptr);
    EXPECT_EQ(other, plain);
    std::vector<short> huge(4096, 300);
    src->SetNoiseGate(true, huge.data(), 4096);
    other = Tone(512, {{1000.0, 3000.0}});
    src->ComputeDbColumn(other.data(), 512, false, nullptr);
    EXPECT_EQ(other, plain);
}

TEST(SpectralDataSource, PitchOfAHarmonicTone) {
    // 200 Hz and its harmonics: a period of 80 samples.
    std::vector<std::pair<double, double>> partials;
    for (int h = 1; h <= 20; ++h) partials.push_back({200.0 * h, 4000.0 / h});
    Source src;
    std::vector<short> s = Tone(512, partials);
    int32_t pitch = -1;
    EXPECT_TRUE(src->EstimatePitch(s.data(), 512, &pitch));
    // The cosine factor pi / n puts the period at twice its length in samples.
    EXPECT_NEAR(pitch, 160, 3);

    // The column's pitch is found in the reversed cepstrum: quefrency 80 sits at 255 - 80.
    s = Tone(512, partials);
    pitch = -1;
    src->ComputeDbColumn(s.data(), 512, true, &pitch);
    EXPECT_NEAR(pitch, 255 - 80, 3);
    for (int k = 0; k <= 254; ++k) {
        EXPECT_GE(s[k], 0);
        EXPECT_LE(s[k], 255);
    }
}

TEST(SpectralDataSource, BandLevelsOfASine) {
    Source src;
    const FeatureBand bands[] = {{0.0f, 100.0f, 200.0f, 0.0f},
                                 {900.0f, 1000.0f, 1100.0f, 0.0f},
                                 {2900.0f, 3000.0f, 3100.0f, 0.0f}};
    std::vector<short> s = Tone(512, {{1000.0, 10000.0}, {3000.0, 100.0}});
    const std::vector<double> power = WindowedPower(s);
    s[0] = -7;
    EXPECT_EQ(src->ComputeBandLevels(s.data(), bands, 3, 512, 16000.0f), 3);
    EXPECT_EQ(s[0], -7);  // entry 0 is left as it was
    for (int i = 1; i < 3; ++i) {
        double sum = 0.0, weights = 0.0;
        for (int k = 0; k <= 256; ++k) {
            const float w = TriangularBandWeight(k * 31.25f, bands[i]);
            sum += w * std::sqrt(power[k]) / 256.0;
            weights += w;
        }
        const double level = sum / weights >= 1.0 ? std::log10(sum / weights) : 0.0;
        EXPECT_NEAR(s[i], 20.0 * level, 1.0) << i;
    }
    EXPECT_GT(s[1], s[2] + 30);
}

TEST(SpectralDataSource, LpcEnvelopeAndResidual) {
    Source src;
    // The inverse filter 1 (no prediction) is flat: 60 log10(4 x 256) in every bin.
    std::vector<float> a(512, 0.0f);
    a[0] = 1.0f;
    src->ComputeLpcEnvelope(a.data(), 512);
    for (int k = 0; k <= 256; ++k) EXPECT_NEAR(a[k], 60.0 * std::log10(1024.0), 1e-3) << k;
    std::vector<float> zero(512, 0.0f);
    src->ComputeLpcEnvelope(zero.data(), 512);
    EXPECT_EQ(zero[10], 0.0f);

    std::vector<short> sine = Tone(400, {{700.0, 8000.0}});
    std::vector<float> residual(400, 99.0f);
    EXPECT_EQ(src->ComputeLpcError(sine.data(), 400, residual.data(), 2), 0);
    EXPECT_EQ(residual[2], 0.0f);
    for (int t = 3; t < 400; ++t) EXPECT_NEAR(residual[t], 0.0f, 30.0f) << t;
    EXPECT_EQ(src->ComputeLpcError(sine.data(), 400, residual.data(), 40), 3);
}

TEST(SpectralDataSource, AverageSpectrumOfAStream) {
    CMemoryPCMStream memory;
    VectorSource source(Tone(16000, {{1000.0, 3000.0}}));
    ASSERT_EQ(memory.LoadFromStream(&source, nullptr), 0);
    Source src;
    std::vector<short> out(512);
    src->AverageSpectrum(512, out.data(), &memory, nullptr);
    std::vector<short> column = Tone(512, {{1000.0, 3000.0}});
    src->ComputeDbColumn(column.data(), 512, false, nullptr);
    // Every full block of a steady tone gives the same column; the last, partly empty blocks pull
    // the mean down only a little.
    EXPECT_NEAR(out[32], column[32], 8);
    EXPECT_EQ(std::max_element(out.begin(), out.begin() + 256) - out.begin(), 32);

    EXPECT_EQ(src->GetFrameCount(), 0);
    int32_t start = -1;
    EXPECT_EQ(src->GetFrameAt(100, &start), nullptr);
}

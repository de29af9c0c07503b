// Tests of the shared spectral helpers and the FFT.
#include "engine/analysis/spectral_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "engine/analysis/fft.h"

TEST(SpectralHelpers, PowerOfTwoLog2) {
    struct Case {
        int32_t n;
        int32_t expected;
    } cases[] = {{512, 9}, {2, 1}, {4096, 12}, {500, -512}, {1, -2}, {0, -2}, {-7, -2}, {3, -4},
                 {0x40000001, INT32_MIN}};
    for (const Case& c : cases) EXPECT_EQ(IsPowerOfTwoLog2(c.n), c.expected) << c.n;
}

TEST(SpectralHelpers, EnergyDbOfFirstDifferences) {
    std::vector<float> flat(160, 123.0f);
    float previous = 123.0f;
    EXPECT_FLOAT_EQ(ComputeEnergyDb(flat.data(), &previous, 160), 0.5f);

    // Alternating +-100 after a previous sample of 0: differences 100, then 200 each.
    std::vector<float> alt(160);
    for (int i = 0; i < 160; ++i) alt[i] = i % 2 ? -100.0f : 100.0f;
    previous = 0.0f;
    const double e = 100.0 * 100.0 + 159 * 200.0 * 200.0;
    EXPECT_NEAR(ComputeEnergyDb(alt.data(), &previous, 160), 10.0 * std::log10(e / 160) + 0.5, 1e-4);
    EXPECT_EQ(previous, -100.0f);
}

TEST(SpectralHelpers, BandWeightsTakeTheFallingWeightOnTheLowEdge) {
    const FeatureBand band = {500.0f, 600.0f, 700.0f, 0.0f};
    const float expected[] = {2.0f, 0.3125f, 0.625f, 0.9375f, 0.75f, 0.4375f, 0.125f};
    for (int i = 0; i < 7; ++i) {
        EXPECT_FLOAT_EQ(TriangularBandWeight(500.0f + 31.25f * i, band), expected[i]) << i;
    }
    EXPECT_EQ(TriangularBandWeight(700.0f, band), 0.0f);
    EXPECT_EQ(TriangularBandWeight(468.75f, band), 0.0f);

    // Filterbank over 256 bins at 16 kHz: a spectrum that is 1 everywhere but 1000 at 500 Hz
    // (bin 16) weighs that bin by 2 of a total weight of 5.1875.
    std::vector<float> spectrum(257, 1.0f);
    spectrum[16] = 1000.0f;
    float out = -1.0f;
    ApplyTriangularFilterbank(spectrum.data(), 256, 16000.0f, &band, 1, &out);
    EXPECT_NEAR(out, std::log10((2.0 * 1000 + 3.1875) / 5.1875), 1e-6);
}

TEST(SpectralHelpers, FilterbankEdgeCases) {
    std::vector<float> spectrum(257, 0.5f);
    const FeatureBand bands[] = {
        {505.0f, 510.0f, 520.0f, 0.0f},   // no bin inside: W = 0 gives 0, not a division by 0
        {100.0f, 200.0f, 300.0f, 0.0f},   // S / W = 0.5 is below 1: 0
        {7900.0f, 8000.0f, 8100.0f, 0.0f},  // reaches the Nyquist bin and no further
        {500.0f, 600.0f, 600.0f, 0.0f},   // no falling side: the low-edge bin weighs 0
    };
    spectrum[256] = 100.0f;
    float out[4] = {-1, -1, -1, -1};
    ApplyTriangularFilterbank(spectrum.data(), 256, 16000.0f, bands, 4, out);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_GT(out[2], 0.0f);
    EXPECT_TRUE(std::isfinite(out[3]));
    // A rate of 0 puts every edge at an infinite bin: no bin is covered.
    ApplyTriangularFilterbank(spectrum.data(), 256, 0.0f, bands, 4, out);
    EXPECT_EQ(std::vector<float>(out, out + 4), std::vector<float>(4, 0.0f));

    // The precomputed filterbank of the per-frame path gives the very same values.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> value(0.0f, 1e6f);
    for (float& v : spectrum) v = value(rng);
    std::vector<FeatureBand> many;
    for (int i = 0; i < 30; ++i) {
        const float low = 50.0f + 250.0f * i;
        many.push_back({low, low + 150.0f, low + 400.0f, 0.0f});
    }
    std::vector<float> direct(many.size()), cached(many.size());
    ApplyTriangularFilterbank(spectrum.data(), 256, 16000.0f, many.data(), 30, direct.data());
    CTriangularFilterbank bank;
    bank.Build(256, 16000.0f, many.data(), 30);
    bank.Apply(spectrum.data(), cached.data());
    EXPECT_EQ(direct, cached);
}

TEST(SpectralHelpers, CosineTransformIsUnscaled) {
    CCosineTransform dct;
    dct.Build(4, 3);
    const float x[4] = {1.0f, 2.0f, 3.0f, 4.0f};
    float c[3];
    dct.Apply(x, c);
    EXPECT_FLOAT_EQ(c[0], 10.0f);
    double c1 = 0, c2 = 0;
    for (int j = 0; j < 4; ++j) {
        c1 += x[j] * std::cos(M_PI * 1 * (j + 0.5) / 4);
        c2 += x[j] * std::cos(M_PI * 2 * (j + 0.5) / 4);
    }
    EXPECT_NEAR(c[1], c1, 1e-5);
    EXPECT_NEAR(c[2], c2, 1e-5);
}

TEST(Fft, RealTransformMatchesTheDftInItsPackedLayout) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> value(-1000.0f, 1000.0f);
    CFFT fft;
    for (int n : {4, 8, 64, 512}) {
        std::vector<float> x(n);
        for (float& v : x) v = value(rng);
        std::vector<float> packed = x;
        ASSERT_TRUE(fft.RealTransform(packed.data(), n));
        for (int k = 0; k <= n / 2; ++k) {
            std::complex<double> sum = 0;
            for (int t = 0; t < n; ++t) sum += double(x[t]) * std::polar(1.0, -2 * M_PI * k * t / n);
            const double tolerance = 1e-4 * n * 1000.0;
            double re, im;
            if (k == 0) {
                re = packed[0];
                im = 0;
            } else if (k == n / 2) {
                re = packed[1];
                im = 0;
            } else {
                re = packed[2 * k];
                im = packed[2 * k + 1];
            }
            // Only squared magnitudes are used, so the sign of the imaginary part is free.
            EXPECT_NEAR(re, sum.real(), tolerance) << n << " " << k;
            EXPECT_NEAR(std::abs(im), std::abs(sum.imag()), tolerance) << n << " " << k;
        }
    }
    std::vector<float> odd(500, 1.0f);
    EXPECT_FALSE(fft.RealTransform(odd.data(), 500));
    EXPECT_EQ(odd[0], 1.0f);
}

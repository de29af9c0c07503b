// Tests of the LPC analyser.
#include "engine/analysis/lpc_analyzer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

TEST(LpcAnalyzer, RecoversAKnownAllPoleFilter) {
    // x[t] = 1.3 x[t-1] - 0.8 x[t-2] + e[t], e white noise: the predictor is (1.3, -0.8).
    std::mt19937 rng(11);
    std::normal_distribution<float> noise(0.0f, 100.0f);
    std::vector<float> x(8000, 0.0f);
    for (size_t t = 2; t < x.size(); ++t) x[t] = 1.3f * x[t - 1] - 0.8f * x[t - 2] + noise(rng);
    CLpcAnalyzer lpc;
    float a[3], k[3], lar[2];
    std::vector<float> residual(x.size());
    ASSERT_EQ(lpc.Analyze(x.data(), static_cast<int>(x.size()), 2, residual.data(), a, k, lar), 0);
    EXPECT_NEAR(a[1], 1.3f, 0.02f);
    EXPECT_NEAR(a[2], -0.8f, 0.02f);
    EXPECT_FLOAT_EQ(k[2], a[2]);  // the last reflection coefficient is the last predictor one
    for (int i = 1; i <= 2; ++i) EXPECT_NEAR(lar[i - 1], std::log((1 - k[i]) / (1 + k[i])), 1e-5);
    // The residual is the excitation: its power is close to the noise's.
    double power = 0.0;
    for (size_t t = 3; t < x.size(); ++t) power += residual[t] * residual[t];
    EXPECT_NEAR(std::sqrt(power / (x.size() - 3)), 100.0, 5.0);
    EXPECT_EQ(residual[0], 0.0f);
    EXPECT_EQ(residual[2], 0.0f);
}

TEST(LpcAnalyzer, KnownBlocks) {
    CLpcAnalyzer lpc;
    // A constant block at order 1: k1 = a1 = (n - 1) / n.
    std::vector<float> constant(50, 3.0f);
    float a[2], k[2];
    ASSERT_EQ(lpc.Analyze(constant.data(), 50, 1, nullptr, a, k, nullptr), 0);
    EXPECT_FLOAT_EQ(a[1], 49.0f / 50.0f);
    EXPECT_FLOAT_EQ(k[1], 49.0f / 50.0f);

    // Silence: zero coefficients, log-area ratios ln 1 = 0, zero residual.
    std::vector<float> zeros(64, 0.0f), residual(64, 7.0f);
    float a16[17], k16[17], lar16[16];
    ASSERT_EQ(lpc.Analyze(zeros.data(), 64, 16, residual.data(), a16, k16, lar16), 0);
    for (int i = 1; i <= 16; ++i) {
        EXPECT_EQ(a16[i], 0.0f);
        EXPECT_EQ(k16[i], 0.0f);
        EXPECT_EQ(lar16[i - 1], 0.0f);
    }
    for (float r : residual) EXPECT_EQ(r, 0.0f);

    // A pure sinusoid at order 2 is predicted almost exactly from index 3 on, whichever outputs
    // are asked for.
    std::vector<float> sine(400);
    for (int t = 0; t < 400; ++t) sine[t] = 1000.0f * std::sin(0.3f * t);
    std::vector<float> r1(400), r2(400);
    float a2[3];
    ASSERT_EQ(lpc.Analyze(sine.data(), 400, 2, r1.data(), a2, nullptr, nullptr), 0);
    ASSERT_EQ(lpc.Analyze(sine.data(), 400, 2, r2.data(), nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(r1, r2);
    for (int t = 3; t < 400; ++t) EXPECT_NEAR(r1[t], 0.0f, 20.0f) << t;
}

TEST(LpcAnalyzer, RefusesOrdersBeyondItsArrays) {
    CLpcAnalyzer lpc;
    std::vector<float> x(100, 1.0f);
    float a[40];
    a[1] = 42.0f;
    EXPECT_EQ(lpc.Analyze(x.data(), 100, 29, nullptr, a, nullptr, nullptr), 0);
    a[1] = 42.0f;
    EXPECT_EQ(lpc.Analyze(x.data(), 100, 30, nullptr, a, nullptr, nullptr), 3);
    EXPECT_EQ(a[1], 42.0f);
    EXPECT_EQ(lpc.Analyze(x.data(), 100, -1, nullptr, a, nullptr, nullptr), 2);
    // A block shorter than the order is analysed without reading past it.
    std::vector<float> shortBlock(5, 1.0f), residual(5, 9.0f);
    EXPECT_EQ(lpc.Analyze(shortBlock.data(), 5, 16, residual.data(), a, nullptr, nullptr), 0);
    for (float r : residual) EXPECT_EQ(r, 0.0f);
}

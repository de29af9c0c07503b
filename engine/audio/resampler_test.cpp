// Tests of the resampler's filter set-up and paths, the resampled and pre-emphasis stream
// stages: ratios, piecewise feeding, buffer bounds, lengths and clamping.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "engine/api/error_messages.h"
#include "engine/audio/preemphasis_pcm_stream.h"
#include "engine/audio/resampled_pcm_stream.h"
#include "engine/audio/resampler.h"
#include "engine/audio/audio_test_support.h"

using namespace audio_test;

namespace {

std::vector<float> Noise(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(-10000.0f, 10000.0f);
    std::vector<float> v(n);
    for (float& x : v) x = d(rng);
    return v;
}

TEST(Resampler, RatioTapsAndPathFollowTheRates) {
    const struct {
        unsigned in, out, L, M;
        int taps;
    } cases[] = {
        {44100, 16000, 160, 441, 43}, {48000, 16000, 1, 3, 47}, {8000, 16000, 2, 1, 71},
        {16000, 16000, 1, 1, 71},     {22050, 16000, 320, 441, 21}, {11025, 16000, 640, 441, 71},
    };
    for (const auto& c : cases) {
        CResampler r;
        ASSERT_EQ(r.Instantiate(c.in, c.out, 0.8f), 0);
        EXPECT_EQ(r.Interpolation(), c.L) << c.in;
        EXPECT_EQ(r.Decimation(), c.M) << c.in;
        EXPECT_EQ(r.Taps(), c.taps) << c.in;
    }
    // The downsampling filter's centre tap is the cut-off times the window there times the
    // overall gain of 0.9.
    CResampler r;
    r.Instantiate(48000, 16000, 0.8f);
    const double w = 2 * M_PI * 23 / 47;
    const double window = 0.35875 - 0.48829 * std::cos(w) + 0.14128 * std::cos(2 * w) - 0.01168 * std::cos(3 * w);
    EXPECT_NEAR(r.Coefficient(0, 23), 0.9 * window * 16000 * 0.8 / 48000, 1e-6);
}

TEST(Resampler, EqualRatesCopyTheInput) {
    CResampler r;
    r.Instantiate(16000, 16000, 0.8f);
    const std::vector<float> in = {1, -2, 3.5f, 4};
    float out[4];
    ASSERT_EQ(r.Filter(out, in.data(), 4, 4), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], in[i]);
}

// Feeding a signal in pieces of any size, with output room of any size, must give exactly what
// one call over the whole signal gives: decimation must keep its phase and the general path
// must not drop inputs between calls.
TEST(Resampler, PiecewiseFeedingMatchesOneCall) {
    const unsigned rates[][2] = {{48000, 16000}, {44100, 16000}, {22050, 16000}, {8000, 16000}, {11025, 16000}};
    const std::vector<float> signal = Noise(20000, 7);
    for (const auto& rate : rates) {
        CResampler whole;
        whole.Instantiate(rate[0], rate[1], 0.8f);
        std::vector<float> expected(signal.size() * 3);
        const unsigned n = whole.Filter(expected.data(), signal.data(), static_cast<unsigned>(signal.size()),
                                        static_cast<unsigned>(expected.size()));
        expected.resize(n);

        CResampler pieces;
        pieces.Instantiate(rate[0], rate[1], 0.8f);
        std::vector<float> got;
        const unsigned sizes[] = {1, 7, 160, 3, 441, 2, 999};
        const unsigned rooms[] = {5, 1, 200, 3, 1000};
        size_t at = 0;
        for (int k = 0; at < signal.size(); ++k) {
            const unsigned take = std::min<unsigned>(sizes[k % 7], static_cast<unsigned>(signal.size() - at));
            const unsigned room = rooms[k % 5];
            std::vector<float> out(room + 1, 12345.0f);
            const unsigned made = pieces.Filter(out.data(), signal.data() + at, take, room);
            ASSERT_LE(made, room);
            ASSERT_EQ(out[room], 12345.0f) << "wrote past the room given";
            got.insert(got.end(), out.begin(), out.begin() + made);
            at += take;
            if (k > 100000) break;
        }
        // Drain what is held over once the input has ended.
        for (int k = 0; k < 100000; ++k) {
            float out[64];
            const unsigned made = pieces.Filter(out, nullptr, 0, 64);
            if (made == 0) break;
            got.insert(got.end(), out, out + made);
        }
        ASSERT_EQ(got.size(), expected.size()) << rate[0];
        for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], expected[i]) << rate[0] << " output " << i;
    }
}

TEST(ResampledStream, FrameCountUsesTheSinglePrecisionRatio) {
    const struct {
        unsigned rate, frames, expected;
    } cases[] = {{22050, 22050, 16001}, {44100, 44100, 16001}, {48000, 48000, 16001}, {8000, 8000, 16000}};
    for (const auto& c : cases) {
        Ref<MemoryStream> src(new MemoryStream(c.rate, std::vector<float>(c.frames)));
        Ref<CResampledPCMStream> s(new CResampledPCMStream);
        const PCMFormat target{16000u << 16, 16, 1};
        ASSERT_EQ(s->Instantiate(src.get(), &target, 1, 0.8f), 0);
        EXPECT_EQ(s->GetFrameCount(), c.expected) << c.rate;
        EXPECT_EQ(s->GetByteLength(), 2 * c.expected) << c.rate;
        EXPECT_EQ(s->GetBits(), 16u);
        EXPECT_EQ(s->GetChannels(), 1u);
    }
}

TEST(ResampledStream, OddReadSizesStayInsideTheCallersBuffer) {
    // Upsampling makes two outputs per input: a request for an odd count must not write the
    // extra one into memory it was not given, and must not lose it either.
    const std::vector<float> signal = Noise(1000, 3);
    const PCMFormat target{16000u << 16, 16, 1};
    Ref<MemoryStream> refSrc(new MemoryStream(8000, signal));
    Ref<CResampledPCMStream> ref(new CResampledPCMStream);
    ref->Instantiate(refSrc.get(), &target, 1, 0.8f);
    ref->Start();
    std::vector<float> expected(2000);
    unsigned n = 2000;
    ASSERT_EQ(ref->ReadChannelFloat(expected.data(), &n, 1), 0);
    ASSERT_EQ(n, 2000u);

    Ref<MemoryStream> src(new MemoryStream(8000, signal));
    Ref<CResampledPCMStream> s(new CResampledPCMStream);
    s->Instantiate(src.get(), &target, 1, 0.8f);
    s->Start();
    std::vector<float> got;
    for (unsigned request : {5u, 1u, 3u, 7u, 161u, 1u}) {
        auto buffer = std::make_unique<float[]>(request);  // exact size: the sanitizer sees overruns
        unsigned frames = request;
        ASSERT_EQ(s->ReadChannelFloat(buffer.get(), &frames, 1), 0);
        ASSERT_EQ(frames, request);
        got.insert(got.end(), buffer.get(), buffer.get() + frames);
    }
    for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], expected[i]) << i;
}

TEST(ResampledStream, SixteenBitResultsClampAndReadErrorsPassUp) {
    Ref<MemoryStream> src(new MemoryStream(16000, {40000.0f, -40000.0f, 32767.9f, -32768.5f, 12.9f, -12.9f}));
    Ref<CResampledPCMStream> s(new CResampledPCMStream);
    const PCMFormat target{16000u << 16, 16, 1};
    ASSERT_EQ(s->Instantiate(src.get(), &target, 1, 0.8f), 0);
    ASSERT_EQ(s->Start(), 0);
    short out[6];
    unsigned frames = 6;
    ASSERT_EQ(s->Read(out, &frames), 0);
    ASSERT_EQ(frames, 6u);
    const short expected[] = {32767, -32768, 32767, -32768, 12, -12};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], expected[i]) << i;

    src->failAtRead = 0;
    ASSERT_EQ(s->Start(), 0);
    frames = 6;
    EXPECT_EQ(s->Read(out, &frames), kErrBadData);
    EXPECT_EQ(frames, 0u);

    EXPECT_EQ(s->Instantiate(nullptr, &target, 1, 0.8f), kErrInvalidArgument);
    const PCMFormat noRate{0, 16, 1};
    EXPECT_EQ(s->Instantiate(src.get(), &noRate, 1, 0.8f), kErrBadData);
}

TEST(PreemphasisStream, FiltersAcrossReadsAndRestartsClean) {
    Ref<MemoryStream> src(new MemoryStream(16000, {100, 100, 100, 100}));
    Ref<CPreemphasisPCMStream> s(new CPreemphasisPCMStream);
    ASSERT_EQ(s->SetSource(src.get(), 1, 0.97f), 0);
    EXPECT_EQ(s->GetFrameCount(), 4u);
    EXPECT_EQ(s->GetRate(), 16000u << 16);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(s->Start(), 0);
        float a[1], b[3];
        unsigned frames = 1;
        ASSERT_EQ(s->ReadChannelFloat(a, &frames, 1), 0);
        EXPECT_EQ(a[0], 100.0f) << pass;
        frames = 3;
        ASSERT_EQ(s->ReadChannelFloat(b, &frames, 1), 0);
        ASSERT_EQ(frames, 3u);
        for (float y : b) EXPECT_NEAR(y, 3.0f, 1e-4f) << pass;
    }
    ASSERT_EQ(s->Start(), 0);
    short out[4];
    unsigned frames = 4;
    ASSERT_EQ(s->Read(out, &frames), 0);
    EXPECT_EQ(out[0], 100);
    EXPECT_EQ(out[1], 3);  // 3.0000076 truncated
}

}  // namespace

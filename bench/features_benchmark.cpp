// Feature extraction speed: ten minutes of 16 kHz audio through the whole feature chain
// (resampler, pre-emphasis, spectral stream) with the 38-feature and 15-feature layouts.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "engine/analysis/feature_config.h"
#include "engine/analysis/observation_stream.h"
#include "engine/audio/zuvo_pcm_stream.h"
#include "engine/audio/zuvo_stream.h"

namespace {

constexpr int kSeconds = 600;

class SamplesSource : public IZuvoPCMStream {
public:
    explicit SamplesSource(const std::vector<int16_t>& samples) : samples_(samples) {}
    virtual ~SamplesSource() = default;
    int GetFormat(PCMFormat* out) override {
        out->sampleRate = 16000;
        out->bitsPerSample = 16;
        out->channels = 1;
        return 0;
    }
    int GetLength() override { return static_cast<int>(samples_.size() * 2); }
    int Read(void* buffer, int bytes) override {
        const size_t n = std::min((samples_.size() - position_) * 2, static_cast<size_t>(bytes)) / 2;
        std::memcpy(buffer, samples_.data() + position_, n * 2);
        position_ += n;
        return static_cast<int>(n * 2);
    }
    int Rewind() override {
        position_ = 0;
        return 0;
    }

private:
    const std::vector<int16_t>& samples_;
    size_t position_ = 0;
};

const std::vector<int16_t>& TenMinutes() {
    static const std::vector<int16_t> samples = [] {
        std::vector<int16_t> s(16000u * kSeconds);
        std::mt19937 rng(5);
        std::normal_distribution<double> noise(0.0, 400.0);
        for (size_t i = 0; i < s.size(); ++i) {
            const double t = i / 16000.0;
            const double v = 3000.0 * std::sin(2 * M_PI * 150.0 * t) * (1.0 + std::sin(3.0 * t)) +
                             1000.0 * std::sin(2 * M_PI * 1234.0 * t) + noise(rng);
            s[i] = static_cast<int16_t>(std::lround(std::max(-32768.0, std::min(32767.0, v))));
        }
        return s;
    }();
    return samples;
}

void Features(benchmark::State& state) {
    const std::vector<int16_t>& samples = TenMinutes();
    CFeatureConfig config;
    MakeStandardFeatureConfig(static_cast<int32_t>(state.range(0)), &config);
    size_t frames = 0;
    for (auto _ : state) {
        SamplesSource source(samples);
        CZuvoStream* pcm = new CZuvoStream;
        pcm->Open(&source);
        std::vector<float> features, energies;
        if (ComputeFeatures(pcm, 1, config, false, &features, &energies) != 0) {
            state.SkipWithError("feature computation failed");
        }
        pcm->Release();
        frames = energies.size();
        benchmark::DoNotOptimize(features.data());
    }
    state.counters["frames"] = static_cast<double>(frames);
    // Seconds of audio per second of computing.
    state.counters["x_realtime"] = benchmark::Counter(
        static_cast<double>(kSeconds) * state.iterations(), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(Features)->Arg(38)->Arg(15)->Unit(benchmark::kMillisecond)->UseRealTime();

// Loading a ten-minute 44.1 kHz stereo recording into memory at 16 kHz mono, from WAV, MP3 and
// Ogg Vorbis. The inputs are made in a temporary folder when the program starts (MP3 and Ogg
// need lame and oggenc, from the packages lame and vorbis-tools of debian-packages.txt; without
// them those two are skipped). The "x_realtime" counter is seconds of audio loaded per second.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"

namespace {

constexpr unsigned kRate = 44100;
constexpr unsigned kSeconds = 600;

void PutU16(std::FILE* f, unsigned v) {
    const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, f);
}
void PutU32(std::FILE* f, uint32_t v) {
    PutU16(f, v & 0xFFFF);
    PutU16(f, v >> 16);
}

// Speech-like test material: a few harmonics on a gliding pitch with a syllable-rate envelope,
// plus a little noise; the right channel is a slightly different mix.
bool WriteRecording(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const uint32_t frames = kRate * kSeconds;
    const uint32_t dataBytes = frames * 4;
    std::fwrite("RIFF", 1, 4, f);
    PutU32(f, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    PutU32(f, 16);
    PutU16(f, 1);
    PutU16(f, 2);
    PutU32(f, kRate);
    PutU32(f, kRate * 4);
    PutU16(f, 4);
    PutU16(f, 16);
    std::fwrite("data", 1, 4, f);
    PutU32(f, dataBytes);
    std::vector<int16_t> block;
    block.reserve(2 * kRate);
    uint32_t noise = 12345;
    double phase = 0;
    for (uint32_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / kRate;
        const double pitch = 120 + 40 * std::sin(2 * M_PI * 0.3 * t);
        phase += 2 * M_PI * pitch / kRate;
        const double env = 0.5 + 0.5 * std::sin(2 * M_PI * 4 * t);
        noise = noise * 1664525u + 1013904223u;
        const double hiss = (static_cast<double>(noise >> 8) / (1 << 24) - 0.5) * 0.05;
        const double v = env * (0.5 * std::sin(phase) + 0.25 * std::sin(3 * phase) + 0.12 * std::sin(7 * phase)) + hiss;
        block.push_back(static_cast<int16_t>(v * 16000));
        block.push_back(static_cast<int16_t>(v * 12000 + hiss * 8000));
        if (block.size() >= 2 * kRate) {
            std::fwrite(block.data(), 2, block.size(), f);
            block.clear();
        }
    }
    std::fwrite(block.data(), 2, block.size(), f);
    return std::fclose(f) == 0;
}

bool HaveTool(const char* name) {
    const std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

class Inputs {
public:
    Inputs() {
        std::string pattern = (std::filesystem::temp_directory_path() / "murmurex_bench_XXXXXX").string();
        if (!mkdtemp(pattern.data())) return;
        dir = pattern;
        wav = dir + "/speech.wav";
        if (!WriteRecording(wav)) {
            wav.clear();
            return;
        }
        if (HaveTool("lame") &&
            std::system(("lame --quiet -b 128 '" + wav + "' '" + dir + "/speech.mp3'").c_str()) == 0) {
            mp3 = dir + "/speech.mp3";
        }
        if (HaveTool("oggenc") &&
            std::system(("oggenc --quiet -q 4 -o '" + dir + "/speech.ogg' '" + wav + "'").c_str()) == 0) {
            ogg = dir + "/speech.ogg";
        }
    }
    ~Inputs() {
        std::error_code ec;
        if (!dir.empty()) std::filesystem::remove_all(dir, ec);
    }
    std::string dir, wav, mp3, ogg;
};

Inputs& TheInputs() {
    static Inputs inputs;
    return inputs;
}

void LoadFile(benchmark::State& state, const std::string& path, const char* missing) {
    InstallDefaultAudioFileReaders();
    if (path.empty()) {
        state.SkipWithError(missing);
        return;
    }
    const PCMFormat target{16000u << 16, 16, 1};
    for (auto _ : state) {
        CMemoryPCMStream* m = nullptr;
        const int rc = CreateMemoryPCMStreamFromFile(path.c_str(), &target, nullptr, &m);
        if (rc != 0 || !m || m->GetFrameCount() < static_cast<int>(16000 * (kSeconds - 1))) {
            state.SkipWithError("loading failed");
            if (m) m->Destroy();
            return;
        }
        benchmark::DoNotOptimize(m->GetData());
        m->Destroy();
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(kSeconds) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_LoadWav(benchmark::State& state) { LoadFile(state, TheInputs().wav, "could not write the WAV input"); }
void BM_LoadMp3(benchmark::State& state) { LoadFile(state, TheInputs().mp3, "lame not found: MP3 skipped"); }
void BM_LoadOgg(benchmark::State& state) { LoadFile(state, TheInputs().ogg, "oggenc not found: Ogg skipped"); }

BENCHMARK(BM_LoadWav)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LoadMp3)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LoadOgg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

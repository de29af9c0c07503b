// Inputs of the document benchmarks: a recording of some minutes that repeats a bundled
// utterance, and a results file of the repeated alignment with articulation keys, as a saved
// document would have them; made in a temporary folder removed when the program ends.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"

namespace bench_inputs {

namespace fs = std::filesystem;

inline const fs::path kSpeech = fs::path(MURMUREX_SOURCE_DIR) / "testdata" / "speech";

inline void PutU16(std::ofstream& f, unsigned v) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
    f.write(b, 2);
}
inline void PutU32(std::ofstream& f, uint32_t v) {
    PutU16(f, v & 0xFFFF);
    PutU16(f, v >> 16);
}

// The header of a 16 kHz, 16-bit, mono WAVE file whose samples take `bytes`.
inline void WriteWavHeader(std::ofstream& f, uint32_t bytes) {
    f.write("RIFF", 4);
    PutU32(f, 36 + bytes);
    f.write("WAVEfmt ", 8);
    PutU32(f, 16);
    PutU16(f, 1);
    PutU16(f, 1);
    PutU32(f, 16000);
    PutU32(f, 32000);
    PutU16(f, 2);
    PutU16(f, 16);
    f.write("data", 4);
    PutU32(f, bytes);
}

struct utterance {
    std::vector<int16_t> samples;  // 16 kHz mono
    app_sync_results track;
    int length_ms = 0;
};

inline utterance LoadUtterance() {
    utterance u;
    InstallDefaultAudioFileReaders();
    PCMFormat target{};
    target.sampleRate = 16000u << 16;
    target.bitsPerSample = 16;
    target.channels = 1;
    CMemoryPCMStream* audio = nullptr;
    const std::string wav = (kSpeech / "en_us_f4_0003_clean.wav").string();
    if (CreateMemoryPCMStreamFromFile(wav.c_str(), &target, nullptr, &audio) != 0) return u;
    const int16_t* data = static_cast<const int16_t*>(audio->GetData());
    u.samples.assign(data, data + audio->GetFrameCount());
    u.length_ms = audio->GetFrameCount() / 16;
    audio->Destroy();
    sync_results_file file;
    std::ifstream in(kSpeech / "en_us_f4_0003_clean.zuvo");
    std::ostringstream errors;
    file.read(in, errors);
    u.track = file.results;
    return u;
}

// A recording of `minutes` repeating the utterance, and a results file of the repeated alignment
// with articulation keys, as a saved document would have them.
// The inputs' folder, removed when the program ends (the recordings take 130 MB).
struct input_folder {
    fs::path path = fs::temp_directory_path() / ("doc_open_bench_" + std::to_string(::getpid()));
    input_folder() { fs::create_directories(path); }
    ~input_folder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

inline std::string MakeInputs(const utterance& u, int minutes) {
    static const input_folder folder;
    const fs::path& dir = folder.path;
    const std::string base = (dir / ("take" + std::to_string(minutes))).string();
    const int copies = minutes * 60 * 1000 / u.length_ms;
    {
        std::ofstream f(base + ".wav", std::ios::binary);
        const uint32_t bytes = static_cast<uint32_t>(u.samples.size() * 2 * copies);
        WriteWavHeader(f, bytes);
        for (int c = 0; c < copies; ++c) f.write(reinterpret_cast<const char*>(u.samples.data()), u.samples.size() * 2);
    }
    sync_results_file file;
    file.audio_path = base + ".wav";
    const int step = static_cast<int>(u.samples.size() / 16);
    for (int c = 0; c < copies; ++c) {
        for (phn_marker p : u.track.phonemes) {
            p.start += c * step;
            p.end += c * step;
            file.results.phonemes.push_back(p);
        }
        for (og_marker w : u.track.words) {
            w.start += c * step;
            w.end += c * step;
            file.results.words.push_back(w);
        }
    }
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    document_host host;
    host.profile = &profile;
    host.prompts = &prompts;
    CPhonarcDoc doc(host);
    doc.RecomputeArticulation(&file.results);
    SaveResultsFile(file, base + ".zuvo", kWriteAll);
    return base + ".zuvo";
}

inline const utterance& Utterance() {
    static const utterance u = LoadUtterance();
    return u;
}

}  // namespace bench_inputs

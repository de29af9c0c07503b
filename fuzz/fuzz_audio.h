// The work every audio-reader fuzz target does with its input: open it as a file of one kind
// through the engine's reader list, read it whole in each sample form, then load it into memory
// at 16 kHz the way a document opens a recording.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/api/progress.h"
#include "engine/audio/audio_file_reader.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/audio/pcm_stream.h"
#include "fuzz/fuzz_support.h"

namespace fuzz {

// Frames read per pass; a file claiming more is read only this far.
constexpr unsigned kMaxFrames = 1u << 16;
// Frames the memory load makes (at 16 kHz) before it is cancelled: a file of a very low rate
// becomes thousands of times longer, and resampling all of it would only make the run slow.
constexpr int kMaxMemoryFrames = 1 << 15;

// Cancels the memory load once it has passed the frame cap.
class FrameCapProgress : public CProgress {
public:
    void SetStatusText(const char*) override {}
    bool Progress(int done, int) override { return done > kMaxMemoryFrames; }
};

inline void ReadWhole(CPCMStream& stream) {
    const unsigned bytesPerFrame = std::max(1u, stream.GetBytesPerFrame());
    const unsigned channels = std::max(1u, stream.GetChannels());
    const unsigned chunk = std::max(1u, 16384u / std::max(bytesPerFrame, channels * 4u));
    std::vector<unsigned char> raw(static_cast<size_t>(chunk) * bytesPerFrame);
    std::vector<short> samples(chunk);
    std::vector<float> floats(static_cast<size_t>(chunk) * channels);

    for (int pass = 0; pass < 3; ++pass) {
        if (stream.Start() != 0) return;
        unsigned total = 0;
        while (total < kMaxFrames) {
            unsigned frames = chunk;
            int rc = 0;
            if (pass == 0) rc = stream.Read(raw.data(), &frames);
            else if (pass == 1) rc = stream.ReadChannel16(samples.data(), &frames, 1);
            else rc = stream.ReadChannelFloat(floats.data(), &frames, 0);
            if (rc != 0 || frames == 0) break;
            total += frames;
        }
    }
    stream.Stop();
}

inline void FuzzAudioFile(const char* extension, const uint8_t* data, size_t size) {
    static InputFile file(extension);
    static const bool installed = (InstallDefaultAudioFileReaders(), true);
    (void)installed;
    if (size > kMaxInput) return;
    const char* path = file.Write(data, size);
    if (!path) return;

    CPCMStream* stream = nullptr;
    if (CreateZuvoStreamFromFile(path, &stream) == 0 && stream) {
        PCMFormat format{};
        stream->GetFormat(&format);
        ReadWhole(*stream);
        stream->Release();
    }

    PCMFormat target{};
    target.sampleRate = 16000u << 16;
    target.bitsPerSample = 16;
    target.channels = 1;
    FrameCapProgress progress;
    CMemoryPCMStream* memory = nullptr;
    CreateMemoryPCMStreamFromFile(path, &target, &progress, &memory);
    if (memory) memory->Destroy();
}

}  // namespace fuzz

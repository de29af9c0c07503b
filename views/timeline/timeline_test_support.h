// Test support for the timeline: in-memory recordings made from sample vectors or functions.
#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "engine/audio/memory_pcm_stream.h"
#include "engine/audio/pcm_stream.h"

namespace timeline_test {

// Mono 16-bit at 16 kHz; sample n is f(n).
class FunctionSource : public CPCMStream {
public:
    FunctionSource(unsigned frames, std::function<int16_t(unsigned)> f) : f_(std::move(f)) {
        format = {16000u << 16, 16, 1};
        bytesPerFrame = 2;
        frameCount = frames;
        byteLength = frames * 2;
    }
    int Start() override {
        pos_ = 0;
        return 0;
    }
    int Read(void* buffer, unsigned* frames) override {
        const unsigned n = std::min(*frames, frameCount - pos_);
        for (unsigned i = 0; i < n; ++i) static_cast<int16_t*>(buffer)[i] = f_(pos_ + i);
        pos_ += n;
        *frames = n;
        return 0;
    }

private:
    std::function<int16_t(unsigned)> f_;
    unsigned pos_ = 0;
};

inline std::unique_ptr<CMemoryPCMStream> Recording(unsigned frames, std::function<int16_t(unsigned)> f) {
    auto stream = std::make_unique<CMemoryPCMStream>();
    FunctionSource source(frames, std::move(f));
    stream->LoadFromStreamWithProgress(&source, nullptr);
    return stream;
}

// Speech-like test signal: bursts of a few harmonics and noise with pauses between them.
inline int16_t SpeechLike(unsigned n) {
    const unsigned syllable = n % 4000;
    if (syllable > 3200) return 0;
    uint32_t h = n * 2654435761u;
    h ^= h >> 13;
    const double t = n / 16000.0;
    const double f0 = 120 + 30 * ((n / 4000) % 5);
    double v = 0;
    for (int k = 1; k <= 6; ++k) v += std::sin(2 * 3.14159265 * f0 * k * t) / k;
    v = v * 6000 + static_cast<int>(h % 2001) - 1000;
    return static_cast<int16_t>(std::clamp(v, -32767.0, 32767.0));
}

}  // namespace timeline_test

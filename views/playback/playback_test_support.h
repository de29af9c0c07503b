// Test support for the players: an in-memory recording whose samples are their own frame numbers,
// and waiting with a deadline.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "engine/audio/memory_pcm_stream.h"
#include "engine/audio/pcm_stream.h"

namespace playback_test {

// Mono 16-bit; sample n holds n & 0x7FFF, so a buffer shows where it was read from.
class CountingSource : public CPCMStream {
public:
    CountingSource(unsigned rate, unsigned frames) {
        format = {rate << 16, 16, 1};
        bytesPerFrame = 2;
        frameCount = frames;
        byteLength = frames * 2;
    }
    int Start() override {
        pos_ = 0;
        return 0;
    }
    int Read(void* buffer, unsigned* frames) override {
        unsigned n = std::min(*frames, frameCount - pos_);
        for (unsigned i = 0; i < n; ++i) static_cast<int16_t*>(buffer)[i] = static_cast<int16_t>((pos_ + i) & 0x7FFF);
        pos_ += n;
        *frames = n;
        return 0;
    }

private:
    unsigned pos_ = 0;
};

inline std::unique_ptr<CMemoryPCMStream> CountingRecording(unsigned rate, unsigned frames) {
    auto stream = std::make_unique<CMemoryPCMStream>();
    CountingSource source(rate, frames);
    stream->LoadFromStreamWithProgress(&source, nullptr);
    return stream;
}

// Calls step until done() holds or the deadline passes; whether done() held.
inline bool WaitFor(const std::function<bool()>& done, const std::function<void()>& step = [] {},
                    std::chrono::milliseconds deadline = std::chrono::seconds(20)) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        step();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace playback_test

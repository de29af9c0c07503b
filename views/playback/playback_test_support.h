// Test support for the players: an in-memory recording whose samples are their own frame numbers,
// waiting with a deadline, and a head that logs the shapes it is shown.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "engine/audio/memory_pcm_stream.h"
#include "engine/audio/pcm_stream.h"
#include "model/articulation_key.h"
#include "views/playback/viseme_handler.h"

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

// Stands where the head is: logs every shape, a mix as "mix" with its key's start (-1 for a null
// key), and notes a call on any thread but the one that made it.
class shape_log : public IVisemeHandler {
public:
    struct shape {
        std::string label;
        int amount;
        bool operator==(const shape&) const = default;
        friend void PrintTo(const shape& s, std::ostream* os) { *os << s.label << " " << s.amount; }
    };

    void SetVisemeMix(const ArticulationKey* key) override { Add("mix", key ? key->start : -1); }
    void SetViseme(const char* label, int32_t amount) override { Add(label ? label : "", amount); }

    std::vector<shape> shapes;
    bool off_thread = false;

private:
    void Add(const std::string& label, int amount) {
        off_thread = off_thread || std::this_thread::get_id() != owner_;
        shapes.push_back({label, amount});
    }
    const std::thread::id owner_ = std::this_thread::get_id();
};

}  // namespace playback_test

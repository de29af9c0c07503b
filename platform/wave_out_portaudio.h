// The wave-out device on the sound system (PortAudio: PulseAudio, PipeWire or ALSA, whichever
// the machine has). Opened by open_wave_out; the silent device stands in when this one fails.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "platform/wave_out.h"

struct PaStreamCallbackTimeInfo;
class wave_out_session;

// Any thread. mutex_ guards the queue and the positions, shared with the sound system's callback
// thread, which copies queued data out; control_ orders starting and stopping the stream (never
// taken by the callback). The position is interpolated from the time at which the callback's
// first frame reaches the speaker, so it follows what is heard rather than what was handed over,
// and a buffer is done once it has been heard. Pausing drops what the sound system holds and
// rewinds to the position heard, so nothing is skipped on restart.
class wave_out_portaudio : public wave_out_device {
public:
    // Opens the default output for the format; on failure a code and the sound system's reason.
    static int open(const wave_format& format, std::unique_ptr<wave_out_device>* out, std::string* reason);
    ~wave_out_portaudio() override;

    int prepare(wave_header* header) override;
    int unprepare(wave_header* header) override;
    int write(wave_header* header) override;
    bool is_done(const wave_header* header) override;
    int get_position_bytes(uint32_t* bytes) override;
    int pause() override;
    int restart() override;
    int reset() override;
    int close() override;

private:
    explicit wave_out_portaudio(const wave_format& format);
    // The sound system's callback: fills output with queued data, silence for the rest.
    static int callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, unsigned long flags, void* self);
    void fill(unsigned char* output, unsigned long frames, const PaStreamCallbackTimeInfo* time);
    // The interpolated byte position, never below the last one reported. Caller holds mutex_.
    uint64_t position_locked();
    // Marks done, and drops from the queue, the buffers heard to their end. Caller holds mutex_.
    void retire_heard_locked();
    // Starts or stops the stream; caller holds control_, not mutex_.
    void start_stream();
    void stop_stream();

    std::shared_ptr<wave_out_session> session_;
    void* stream_ = nullptr;  // PaStream
    wave_format format_;
    double latency_s_ = 0;

    std::mutex control_;
    bool running_ = false;       // the stream is started; guarded by control_

    std::mutex mutex_;
    std::deque<wave_header*> queue_;  // written and not yet heard to the end, oldest first
    size_t copy_index_ = 0;      // queue_ entry the callback copies from next (played = offset)
    uint64_t front_start_ = 0;   // byte position at which queue_.front() begins
    uint64_t consumed_ = 0;      // bytes of written data handed to the sound system
    uint64_t base_bytes_ = 0;    // consumed_ when the last callback that took data began
    double base_time_ = 0;       // stream time at which that callback's first frame is heard
    bool base_valid_ = false;
    uint64_t reported_ = 0;      // last position given out
    bool paused_ = false;
    bool closed_ = false;
};

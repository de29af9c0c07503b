// The wave-out device on the sound system through PortAudio, and the default opener that falls
// back to the silent device.
#include "platform/wave_out_portaudio.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <portaudio.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>

#include "platform/wave_out_silent.h"

// The sound system, initialised on the first open and kept until the process ends. It is never
// terminated: nothing is gained at exit, and the host back ends' terminate paths lose memory that
// leak checkers then report against us.
class wave_out_session {
public:
    bool ok = false;
    std::string error;

    static std::shared_ptr<wave_out_session> get() {
        static std::mutex mutex;
        static std::shared_ptr<wave_out_session> session;
        std::lock_guard hold(mutex);
        if (!session) {
            session = std::make_shared<wave_out_session>();
            // ALSA and JACK print every card and server they fail to reach; the reason we
            // report is enough.
            snd_lib_error_set_handler(&quiet_alsa);
            jack_set_error_function(&quiet_jack);
            jack_set_info_function(&quiet_jack);
            const PaError e = Pa_Initialize();
            session->ok = e == paNoError;
            if (!session->ok) session->error = Pa_GetErrorText(e);
        }
        return session;
    }

private:
    static void quiet_alsa(const char*, int, const char*, int, const char*, ...) {}
    static void quiet_jack(const char*) {}
};

wave_out_portaudio::wave_out_portaudio(const wave_format& format) : format_(format) {}

int wave_out_portaudio::open(const wave_format& format, std::unique_ptr<wave_out_device>* out, std::string* reason) {
    if (const int rc = check_wave_format(format); rc != kWaveOutOk) {
        *reason = "unsupported format";
        return rc;
    }
    auto session = wave_out_session::get();
    if (!session->ok) {
        *reason = session->error;
        return kWaveOutBadDevice;
    }
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    if (device == paNoDevice) {
        *reason = "no output device";
        return kWaveOutBadDevice;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    PaStreamParameters params{};
    params.device = device;
    params.channelCount = format.channels;
    params.sampleFormat = format.bits_per_sample == 8 ? paUInt8 : paInt16;
    // A roomy device buffer and 10 ms callbacks: the position follows the speaker whatever the
    // latency, and fewer callbacks cost less CPU and risk fewer drop-outs on a busy machine.
    params.suggestedLatency = std::max(info ? info->defaultHighOutputLatency : 0.0, 0.05);
    const unsigned long framesPerCallback = std::max(1u, format.samples_per_sec / 100);

    std::unique_ptr<wave_out_portaudio> dev(new wave_out_portaudio(format));
    dev->session_ = session;
    PaStream* stream = nullptr;
    PaError e = Pa_OpenStream(&stream, nullptr, &params, format.samples_per_sec, framesPerCallback,
                              paNoFlag, reinterpret_cast<PaStreamCallback*>(&wave_out_portaudio::callback), dev.get());
    if (e != paNoError) {
        *reason = Pa_GetErrorText(e);
        return e == paInvalidSampleRate || e == paSampleFormatNotSupported || e == paInvalidChannelCount
                   ? kWaveOutBadFormat
                   : kWaveOutBadDevice;
    }
    dev->stream_ = stream;
    if (const PaStreamInfo* si = Pa_GetStreamInfo(stream)) dev->latency_s_ = si->outputLatency;
    e = Pa_StartStream(stream);
    if (e != paNoError) {
        *reason = Pa_GetErrorText(e);
        return kWaveOutBadDevice;  // the destructor closes the stream
    }
    dev->running_ = true;
    *out = std::move(dev);
    return kWaveOutOk;
}

wave_out_portaudio::~wave_out_portaudio() {
    if (stream_) {
        Pa_AbortStream(stream_);
        Pa_CloseStream(stream_);
    }
}

void wave_out_portaudio::start_stream() {
    if (!running_ && stream_ && Pa_StartStream(stream_) == paNoError) running_ = true;
}

void wave_out_portaudio::stop_stream() {
    if (running_ && stream_) Pa_AbortStream(stream_);  // waits for a callback in progress
    running_ = false;
}

int wave_out_portaudio::callback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* time,
                                 unsigned long, void* self) {
    static_cast<wave_out_portaudio*>(self)->fill(static_cast<unsigned char*>(output), frames, time);
    return paContinue;
}

void wave_out_portaudio::fill(unsigned char* output, unsigned long frames, const PaStreamCallbackTimeInfo* time) {
    size_t want = static_cast<size_t>(frames) * format_.block_align;
    std::lock_guard hold(mutex_);
    if (!paused_) {
        const uint64_t before = consumed_;
        while (want > 0 && copy_index_ < queue_.size()) {
            wave_header* h = queue_[copy_index_];
            const size_t take = std::min<size_t>(h->buffer_length - h->played, want);
            std::memcpy(output, h->data + h->played, take);
            output += take;
            want -= take;
            h->played += static_cast<uint32_t>(take);
            consumed_ += take;
            if (h->played >= h->buffer_length) ++copy_index_;
        }
        // Only a callback that carried data ties bytes to time: silence while starved must not
        // hold the position back from the end of what was written.
        if (consumed_ > before) {
            double heard = time ? time->outputBufferDacTime : 0;
            if (heard <= 0) heard = Pa_GetStreamTime(stream_) + latency_s_;
            base_bytes_ = before;
            base_time_ = heard;
            base_valid_ = true;
        }
    }
    std::memset(output, format_.bits_per_sample == 8 ? 0x80 : 0, want);
}

uint64_t wave_out_portaudio::position_locked() {
    if (paused_ || !base_valid_) return reported_;
    const double since = Pa_GetStreamTime(stream_) - base_time_;
    const double frames = since * format_.samples_per_sec;
    int64_t bytes = static_cast<int64_t>(base_bytes_) + static_cast<int64_t>(frames) * format_.block_align;
    bytes = std::clamp<int64_t>(bytes, 0, static_cast<int64_t>(consumed_));
    reported_ = std::max<uint64_t>(reported_, static_cast<uint64_t>(bytes));
    return reported_;
}

void wave_out_portaudio::retire_heard_locked() {
    const uint64_t heard = position_locked();
    while (!queue_.empty() && copy_index_ > 0 && front_start_ + queue_.front()->buffer_length <= heard) {
        wave_header* h = queue_.front();
        front_start_ += h->buffer_length;
        h->flags = (h->flags & ~kWaveHeaderInQueue) | kWaveHeaderDone;
        queue_.pop_front();
        --copy_index_;
    }
}

int wave_out_portaudio::prepare(wave_header* header) {
    if (!header) return kWaveOutInvalidHandle;
    header->flags |= kWaveHeaderPrepared;
    return kWaveOutOk;
}

int wave_out_portaudio::unprepare(wave_header* header) {
    if (!header) return kWaveOutInvalidHandle;
    std::lock_guard hold(mutex_);
    if (header->flags & kWaveHeaderInQueue) return kWaveOutStillPlaying;
    header->flags &= ~kWaveHeaderPrepared;
    return kWaveOutOk;
}

int wave_out_portaudio::write(wave_header* header) {
    if (!header) return kWaveOutInvalidHandle;
    std::lock_guard control(control_);
    {
        std::lock_guard hold(mutex_);
        if (closed_) return kWaveOutInvalidHandle;
        if (!(header->flags & kWaveHeaderPrepared)) return kWaveOutUnprepared;
        if (header->flags & kWaveHeaderInQueue) return kWaveOutStillPlaying;
        header->played = 0;
        header->flags = (header->flags & ~kWaveHeaderDone) | kWaveHeaderInQueue;
        if (header->buffer_length == 0) {
            header->flags = (header->flags & ~kWaveHeaderInQueue) | kWaveHeaderDone;
            return kWaveOutOk;
        }
        queue_.push_back(header);
        if (paused_) return kWaveOutOk;
    }
    start_stream();  // after a reset the stream stands until there is something to play
    return kWaveOutOk;
}

bool wave_out_portaudio::is_done(const wave_header* header) {
    if (!header) return false;
    if (header->flags & kWaveHeaderDone) return true;
    std::lock_guard hold(mutex_);
    retire_heard_locked();
    return header->flags & kWaveHeaderDone;
}

int wave_out_portaudio::get_position_bytes(uint32_t* bytes) {
    std::lock_guard hold(mutex_);
    if (closed_) return kWaveOutInvalidHandle;
    retire_heard_locked();
    *bytes = static_cast<uint32_t>(reported_);
    return kWaveOutOk;
}

int wave_out_portaudio::pause() {
    std::lock_guard control(control_);
    {
        std::lock_guard hold(mutex_);
        if (closed_) return kWaveOutInvalidHandle;
        if (paused_) return kWaveOutOk;
        retire_heard_locked();  // freezes the position where it is heard now
        paused_ = true;
    }
    stop_stream();
    // What the sound system held but nobody heard is copied again after the restart.
    std::lock_guard hold(mutex_);
    uint64_t offset = front_start_;
    for (size_t i = 0; i < queue_.size(); ++i) {
        wave_header* h = queue_[i];
        h->played = static_cast<uint32_t>(std::clamp<int64_t>(static_cast<int64_t>(reported_ - offset), 0, h->buffer_length));
        offset += h->buffer_length;
    }
    copy_index_ = 0;
    consumed_ = reported_;
    base_valid_ = false;
    return kWaveOutOk;
}

int wave_out_portaudio::restart() {
    std::lock_guard control(control_);
    {
        std::lock_guard hold(mutex_);
        if (closed_) return kWaveOutInvalidHandle;
        if (!paused_) return kWaveOutOk;
        paused_ = false;
    }
    start_stream();
    return kWaveOutOk;
}

int wave_out_portaudio::reset() {
    std::lock_guard control(control_);
    stop_stream();  // silent at once: drops what the sound system holds
    std::lock_guard hold(mutex_);
    for (wave_header* h : queue_) h->flags = (h->flags & ~kWaveHeaderInQueue) | kWaveHeaderDone;
    queue_.clear();
    copy_index_ = 0;
    front_start_ = consumed_ = base_bytes_ = reported_ = 0;
    base_valid_ = false;
    paused_ = false;
    return closed_ ? kWaveOutInvalidHandle : kWaveOutOk;
}

int wave_out_portaudio::close() {
    std::lock_guard control(control_);
    {
        std::lock_guard hold(mutex_);
        if (closed_) return kWaveOutInvalidHandle;
        if (!queue_.empty()) return kWaveOutStillPlaying;
        closed_ = true;
    }
    stop_stream();
    if (stream_) {
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }
    return kWaveOutOk;
}

wave_out_open_result open_wave_out(const wave_format& format, std::unique_ptr<wave_out_device>* out, bool force_silent) {
    wave_out_open_result r;
    r.code = check_wave_format(format);
    if (r.code != kWaveOutOk) return r;
    if (!force_silent) {
        if (wave_out_portaudio::open(format, out, &r.fallback_reason) == kWaveOutOk) return r;
    } else {
        r.fallback_reason = "sound output turned off";
    }
    *out = std::make_unique<wave_out_silent>(format, nullptr);
    r.silent = true;
    return r;
}

// The wave player: buffer arithmetic, the pump thread that keeps the device fed, and the stop
// that joins the pump before releasing the device.
#include "views/playback/wave_player.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>

#include "engine/audio/memory_pcm_stream.h"
#include "views/playback/wave_player_event_sink.h"

namespace {
constexpr int kMaxBuffersPerPass = 16;
constexpr int kNullStream = 7;
constexpr int kNoResources = 1;
}  // namespace

pcmsrc_wave_player::pcmsrc_wave_player()
    : pcmsrc_wave_player([](const wave_format& f, std::unique_ptr<wave_out_device>* out) {
          return open_wave_out(f, out);
      }) {}

pcmsrc_wave_player::pcmsrc_wave_player(wave_out_opener opener) : opener_(std::move(opener)) {}

pcmsrc_wave_player::~pcmsrc_wave_player() { Stop(); }

void pcmsrc_wave_player::SetSink(IWavePlayerEventSink* sink) { sink_ = sink; }

void pcmsrc_wave_player::SetSilentFallbackNotice(std::function<void(const std::string&)> notice) {
    fallbackNotice_ = std::move(notice);
}

int pcmsrc_wave_player::Play(IMemoryPCMStream* stream, double bufferSeconds, double queueSeconds, int start,
                             int count) {
    Stop();
    {
        CSyncLockHolder hold(lock_);
        stream_ = stream;
        if (!stream) return kNullStream;

        PCMFormat format{};
        stream->GetFormat(&format);
        wave_format wf;
        wf.channels = format.channels;
        wf.samples_per_sec = format.sampleRate >> 16;
        wf.block_align = static_cast<uint16_t>(format.channels * format.bitsPerSample / 8);
        wf.avg_bytes_per_sec = wf.block_align * wf.samples_per_sec;
        wf.bits_per_sample = format.bitsPerSample;
        if (wf.block_align == 0) return kWaveOutBadFormat;
        blockAlign_ = wf.block_align;

        position_ = start;
        start_ = start;
        end_ = count != 0 ? start + count : stream->GetFrameCount();

        // Long plays get longer buffers: fewer wake-ups for the same queue.
        double b = bufferSeconds;
        if (static_cast<int>(stream->FramesToMs(end_ - start_)) > 2000 && b < 0.06) b = static_cast<double>(0.06f);
        latency_ = b * 1000.0;

        wave_out_open_result opened = opener_(wf, &device_);
        if (opened.code != kWaveOutOk || !device_) {
            device_.reset();
            Stop();
            return opened.code != kWaveOutOk ? opened.code : kWaveOutError;
        }
        if (opened.silent && !silent_ && fallbackNotice_) fallbackNotice_(opened.fallback_reason);
        silent_ = opened.silent;

        FreeHeaders();
        const int bytesPerSecond = format.bitsPerSample / 8 * format.channels * static_cast<int>(wf.samples_per_sec);
        bufferBytes_ = static_cast<int>(bytesPerSecond * b);
        if (bufferBytes_ % blockAlign_ != 0) bufferBytes_ += blockAlign_ - bufferBytes_ % blockAlign_;
        // A buffer shorter than a frame, or no buffer at all, would never play to the end.
        bufferBytes_ = std::max(bufferBytes_, blockAlign_);
        const int headers = std::max(1, static_cast<int>(queueSeconds / b));

        try {
            headerBlock_ = std::make_unique<wave_header[]>(headers);
            headerCount_ = headers;
            buffers_.reserve(headers);
            for (int i = 0; i < headers; ++i) {
                buffers_.push_back(std::make_unique<char[]>(bufferBytes_));
                wave_header* h = &headerBlock_[i];
                h->data = buffers_.back().get();
                h->buffer_length = bufferBytes_;
                device_->prepare(h);
                freeHeaders_.push_back(h);
            }
        } catch (const std::bad_alloc&) {
            Stop();
            return kNoResources;
        }
        // Playing before the thread exists: a Stop from here on ends the pump at its first test.
        state_ = kPlaying;
    }
    try {
        std::lock_guard hold(threadMutex_);
        thread_ = std::thread(&pcmsrc_wave_player::Run, this);
    } catch (const std::system_error&) {
        Stop();
        return kNoResources;
    }
    return 0;
}

void pcmsrc_wave_player::Run() {
    if (IWavePlayerEventSink* sink = sink_) sink->OnPlaybackStarted();
    // A pass that had more to do than it may handle comes back after 1 ms; otherwise the pump
    // naps for half a buffer: a buffer finishes at most that long before it is handed back,
    // against a queue of seconds, and the thread wakes some 70 times a second instead of 1,000.
    const auto nap = std::chrono::milliseconds(std::max(1, static_cast<int>(latency_ / 2)));
    uint32_t state;
    do {
        {
            CSyncLockHolder hold(lock_);
            Pump();
            if (position_ >= end_ && queuedHeaders_.empty()) state_ = 0;
            state = state_;
        }
        std::unique_lock hold(wakeMutex_);
        wake_.wait_for(hold, pumpBusy_ ? std::chrono::milliseconds(1) : nap, [&] { return state_ == 0; });
    } while (state != 0 && state_ != 0);
    state_ = 0;
    if (IWavePlayerEventSink* sink = sink_) sink->OnPlaybackStopped();
}

void pcmsrc_wave_player::Pump() {
    if (!device_ || !stream_) return;
    IWavePlayerEventSink* sink = sink_;
    const int framesPerBuffer = bufferBytes_ / blockAlign_;
    int filled = 0, reaped = 0;
    for (; (state_ & kPlaying) && !freeHeaders_.empty() && position_ < end_ && filled < kMaxBuffersPerPass;
         ++filled) {
        int n = std::min(end_ - position_, framesPerBuffer);
        wave_header* h = freeHeaders_.front();
        freeHeaders_.pop_front();
        bool written = false;
        if (stream_->ReadFrames(h->data, position_, &n, 0) == 0 && n > 0) {
            position_ += n;
            if (sink) {
                sink->OnBufferQueued(h->data, &n);
                n = std::clamp(n, 0, framesPerBuffer);  // the buffer holds no more than this
            }
            h->flags &= ~kWaveHeaderDone;
            h->buffer_length = static_cast<uint32_t>(blockAlign_ * n);
            if (device_->write(h) == kWaveOutOk) {
                queuedHeaders_.push_back(h);
                written = true;
            }
        } else {
            // Nothing more can be read from here on (a range past the stream's end, a failing
            // stream): end the reading so the play can drain and finish.
            position_ = end_;
        }
        if (!written) freeHeaders_.push_back(h);
    }
    for (; (state_ & kPlaying) && !queuedHeaders_.empty() && reaped < kMaxBuffersPerPass; ++reaped) {
        wave_header* h = queuedHeaders_.front();
        if (!device_->is_done(h)) break;
        if (sink) sink->OnBufferPlayed(h->data, static_cast<int>(h->buffer_length));
        queuedHeaders_.pop_front();
        h->flags &= ~kWaveHeaderDone;
        freeHeaders_.push_back(h);
    }
    pumpBusy_ = filled == kMaxBuffersPerPass || reaped == kMaxBuffersPerPass;
}

void pcmsrc_wave_player::Stop() {
    {
        std::lock_guard hold(wakeMutex_);
        state_ = 0;
    }
    wake_.notify_all();
    {
        std::lock_guard hold(threadMutex_);
        if (thread_.joinable()) {
            // A sink stopping its own player can only ask: the pump ends at its next test.
            if (thread_.get_id() == std::this_thread::get_id()) return;
            thread_.join();
        }
    }
    CSyncLockHolder hold(lock_);
    if (device_) {
        device_->reset();
        for (auto* queue : {&freeHeaders_, &queuedHeaders_}) {
            while (!queue->empty()) {
                device_->unprepare(queue->front());
                queue->pop_front();
            }
        }
        device_->close();
        device_.reset();
    }
    FreeHeaders();
    // The stream belongs to the document, which may free or refill it as soon as playback is
    // stopped: nothing here may reach it after Stop.
    stream_ = nullptr;
}

void pcmsrc_wave_player::FreeHeaders() {
    freeHeaders_.clear();
    queuedHeaders_.clear();
    buffers_.clear();
    headerBlock_.reset();
    headerCount_ = 0;
}

void pcmsrc_wave_player::TogglePause() {
    CSyncLockHolder hold(lock_);
    if (!device_) return;
    if (!(state_ & kPaused)) {
        device_->pause();
        state_ |= kPaused;
    } else {
        state_ &= ~kPaused;
        device_->restart();
    }
}

bool pcmsrc_wave_player::IsPaused() { return state_ & kPaused; }
bool pcmsrc_wave_player::IsPlaying() { return state_ & kPlaying; }

int pcmsrc_wave_player::GetPosition() {
    CSyncLockHolder hold(lock_);
    uint32_t bytes = 0;
    if (!device_ || device_->get_position_bytes(&bytes) != kWaveOutOk) bytes = 0;
    return static_cast<int>(bytes / static_cast<uint32_t>(blockAlign_)) + start_;
}

int pcmsrc_wave_player::GetPositionMs() {
    CSyncLockHolder hold(lock_);
    return stream_ ? static_cast<int>(stream_->FramesToMs(GetPosition())) : 0;
}

bool pcmsrc_wave_player::HoldsStream() {
    CSyncLockHolder hold(lock_);
    return stream_ != nullptr;
}

double pcmsrc_wave_player::GetLatencyMs() { return latency_; }

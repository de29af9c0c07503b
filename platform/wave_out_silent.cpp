// The silent wave-out device: buffers consumed on a clock at the format's byte rate.
#include "platform/wave_out_silent.h"

#include <algorithm>

namespace {
constexpr int64_t kNsPerSecond = 1000000000;
// A longer gap between looks is taken as this much: keeps the credit arithmetic in range.
constexpr int64_t kMaxStepNs = 3600 * kNsPerSecond;
}  // namespace

wave_out_silent::wave_out_silent(const wave_format& format, std::shared_ptr<wave_out_clock> clock)
    : format_(format), clock_(clock ? std::move(clock) : std::make_shared<wave_out_steady_clock>()) {
    last_ns_ = clock_->now_ns();
}

wave_out_silent::~wave_out_silent() { reset(); }

void wave_out_silent::advance_locked() {
    const int64_t now = clock_->now_ns();
    const int64_t step = std::min(now - last_ns_, kMaxStepNs);
    last_ns_ = now;
    if (paused_ || closed_ || queue_.empty() || step <= 0) {
        if (queue_.empty() || paused_) credit_ = 0;
        return;
    }
    credit_ += step * static_cast<int64_t>(format_.samples_per_sec);
    const int64_t frames = credit_ / kNsPerSecond;
    credit_ -= frames * kNsPerSecond;
    uint64_t bytes = static_cast<uint64_t>(frames) * format_.block_align;
    while (bytes > 0 && !queue_.empty()) {
        wave_header* h = queue_.front();
        const uint64_t take = std::min<uint64_t>(h->buffer_length - h->played, bytes);
        h->played += static_cast<uint32_t>(take);
        position_ += take;
        bytes -= take;
        if (h->played >= h->buffer_length) {
            h->flags = (h->flags & ~kWaveHeaderInQueue) | kWaveHeaderDone;
            queue_.pop_front();
        }
    }
    // Buffers of no length finish as soon as they come up.
    while (!queue_.empty() && queue_.front()->buffer_length == 0) {
        queue_.front()->flags = (queue_.front()->flags & ~kWaveHeaderInQueue) | kWaveHeaderDone;
        queue_.pop_front();
    }
    if (queue_.empty()) credit_ = 0;  // a starved device banks no time
}

int wave_out_silent::prepare(wave_header* header) {
    if (!header) return kWaveOutInvalidHandle;
    std::lock_guard hold(mutex_);
    if (closed_) return kWaveOutInvalidHandle;
    header->flags |= kWaveHeaderPrepared;
    return kWaveOutOk;
}

int wave_out_silent::unprepare(wave_header* header) {
    if (!header) return kWaveOutInvalidHandle;
    std::lock_guard hold(mutex_);
    if (header->flags & kWaveHeaderInQueue) return kWaveOutStillPlaying;
    header->flags &= ~kWaveHeaderPrepared;
    return kWaveOutOk;
}

int wave_out_silent::write(wave_header* header) {
    if (!header) return kWaveOutInvalidHandle;
    std::lock_guard hold(mutex_);
    if (closed_) return kWaveOutInvalidHandle;
    if (!(header->flags & kWaveHeaderPrepared)) return kWaveOutUnprepared;
    if (header->flags & kWaveHeaderInQueue) return kWaveOutStillPlaying;
    advance_locked();  // time spent starved before this write does not count
    header->played = 0;
    header->flags = (header->flags & ~kWaveHeaderDone) | kWaveHeaderInQueue;
    queue_.push_back(header);
    return kWaveOutOk;
}

bool wave_out_silent::is_done(const wave_header* header) {
    if (!header) return false;
    std::lock_guard hold(mutex_);
    advance_locked();
    return header->flags & kWaveHeaderDone;
}

int wave_out_silent::get_position_bytes(uint32_t* bytes) {
    std::lock_guard hold(mutex_);
    if (closed_) return kWaveOutInvalidHandle;
    advance_locked();
    *bytes = static_cast<uint32_t>(position_);
    return kWaveOutOk;
}

int wave_out_silent::pause() {
    std::lock_guard hold(mutex_);
    if (closed_) return kWaveOutInvalidHandle;
    advance_locked();
    paused_ = true;
    return kWaveOutOk;
}

int wave_out_silent::restart() {
    std::lock_guard hold(mutex_);
    if (closed_) return kWaveOutInvalidHandle;
    advance_locked();  // moves the time base on without playing
    paused_ = false;
    return kWaveOutOk;
}

int wave_out_silent::reset() {
    std::lock_guard hold(mutex_);
    for (wave_header* h : queue_) h->flags = (h->flags & ~kWaveHeaderInQueue) | kWaveHeaderDone;
    queue_.clear();
    position_ = 0;
    credit_ = 0;
    paused_ = false;
    last_ns_ = clock_->now_ns();
    return closed_ ? kWaveOutInvalidHandle : kWaveOutOk;
}

int wave_out_silent::close() {
    std::lock_guard hold(mutex_);
    if (closed_) return kWaveOutInvalidHandle;
    if (!queue_.empty()) return kWaveOutStillPlaying;
    closed_ = true;
    return kWaveOutOk;
}

wave_out_opener wave_out_silent::opener(std::shared_ptr<wave_out_clock> clock) {
    return [clock](const wave_format& format, std::unique_ptr<wave_out_device>* out) {
        wave_out_open_result r;
        r.code = check_wave_format(format);
        if (r.code == kWaveOutOk) *out = std::make_unique<wave_out_silent>(format, clock);
        r.silent = true;
        return r;
    };
}

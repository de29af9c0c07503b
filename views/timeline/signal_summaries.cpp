// Per-recording summaries behind the signal channels.
#include "views/timeline/signal_summaries.h"

#include <algorithm>
#include <cstring>

#include "engine/audio/memory_pcm_stream.h"

void CWaveformSummary::Build(IMemoryPCMStream* stream) {
    levels_.clear();
    data_ = nullptr;
    frames_ = 0;
    if (stream == nullptr || stream->GetData() == nullptr) return;
    PCMFormat format{};
    stream->GetFormat(&format);
    bits_ = stream->GetBits() == 8 ? 8 : 16;
    stride_ = std::max<int>(format.channels, 1);
    data_ = static_cast<const uint8_t*>(stream->GetData());
    frames_ = std::min(stream->GetFrameCount(), stream->GetByteLength() / (stride_ * bits_ / 8));
    const int blocks = frames_ >> kBaseLog2;
    if (blocks == 0) return;
    std::vector<int16_t> level(size_t(blocks) * 2);
    for (int b = 0; b < blocks; ++b) {
        int lo, hi;
        Scan(b << kBaseLog2, (b + 1) << kBaseLog2, &lo, &hi);
        level[2 * b] = static_cast<int16_t>(lo);
        level[2 * b + 1] = static_cast<int16_t>(hi);
    }
    levels_.push_back(std::move(level));
    while (levels_.back().size() >= 4) {
        const std::vector<int16_t>& below = levels_.back();
        const size_t n = below.size() / 4;
        std::vector<int16_t> up(n * 2);
        for (size_t i = 0; i < n; ++i) {
            up[2 * i] = std::min(below[4 * i], below[4 * i + 2]);
            up[2 * i + 1] = std::max(below[4 * i + 1], below[4 * i + 3]);
        }
        levels_.push_back(std::move(up));
    }
}

int CWaveformSummary::Sample(int frame) const {
    const size_t i = size_t(frame) * stride_;
    if (bits_ == 8) return data_[i];
    int16_t v;
    std::memcpy(&v, data_ + 2 * i, 2);
    return v;
}

void CWaveformSummary::Scan(int a, int b, int* lo, int* hi) const {
    int mn = Sample(a), mx = mn;
    for (int f = a + 1; f < b; ++f) {
        const int v = Sample(f);
        mn = std::min(mn, v);
        mx = std::max(mx, v);
    }
    *lo = mn;
    *hi = mx;
}

void CWaveformSummary::Query(int a, int b, int* lo, int* hi) const {
    constexpr int kBlock = 1 << kBaseLog2;
    const int firstBlock = (a + kBlock - 1) >> kBaseLog2;
    const int endBlock = b >> kBaseLog2;
    if (levels_.empty() || endBlock - firstBlock < 2) {
        Scan(a, b, lo, hi);
        return;
    }
    int mn = INT32_MAX, mx = INT32_MIN;
    auto take = [&](int v0, int v1) {
        mn = std::min(mn, v0);
        mx = std::max(mx, v1);
    };
    if (a < firstBlock << kBaseLog2) {
        int l, h;
        Scan(a, firstBlock << kBaseLog2, &l, &h);
        take(l, h);
    }
    if (b > endBlock << kBaseLog2) {
        int l, h;
        Scan(endBlock << kBaseLog2, b, &l, &h);
        take(l, h);
    }
    // Bottom-up over the block levels: an odd edge block is taken at its own level, the rest
    // by their parents; the top level has no parents and is taken block by block.
    size_t first = firstBlock, end = endBlock;
    for (size_t k = 0; first < end; ++k) {
        const std::vector<int16_t>& level = levels_[k];
        if (k + 1 == levels_.size()) {
            for (size_t i = first; i < end; ++i) take(level[2 * i], level[2 * i + 1]);
            break;
        }
        if (first & 1) take(level[2 * first], level[2 * first + 1]), ++first;
        if (end & 1) --end, take(level[2 * end], level[2 * end + 1]);
        first >>= 1;
        end >>= 1;
    }
    *lo = mn;
    *hi = mx;
}

const CSpectralColumnCache::Column* CSpectralColumnCache::Find(Kind kind, int audioChannel, int start) const {
    auto it = index_.find(Key(kind, audioChannel, start));
    return it == index_.end() ? nullptr : &columns_[it->second];
}

CSpectralColumnCache::Column* CSpectralColumnCache::Insert(Kind kind, int audioChannel, int start) {
    if (index_.size() >= kMaxColumns) Clear();
    const uint64_t key = Key(kind, audioChannel, start);
    auto [it, added] = index_.emplace(key, static_cast<uint32_t>(columns_.size()));
    if (added) columns_.emplace_back();
    return &columns_[it->second];
}

void CSpectralColumnCache::Clear() {
    index_.clear();
    columns_.clear();
}

void CSignalSummaries::Attach(IMemoryPCMStream* stream) {
    const void* data = stream ? stream->GetData() : nullptr;
    const int frames = stream ? stream->GetFrameCount() : 0;
    if (stream == stream_ && data == data_ && frames == frames_) return;
    stream_ = stream;
    data_ = data;
    frames_ = frames;
    Invalidate();
}

void CSignalSummaries::Invalidate() {
    waveform_.reset();
    columns_.Clear();
}

const CWaveformSummary& CSignalSummaries::Waveform() {
    if (!waveform_) {
        waveform_ = std::make_unique<CWaveformSummary>();
        waveform_->Build(stream_);
    }
    return *waveform_;
}

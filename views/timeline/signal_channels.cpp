// The signal channels of the timeline.
#include "views/timeline/signal_channels.h"

#include <algorithm>
#include <cstring>

#include "engine/analysis/lpc_analyzer.h"
#include "engine/analysis/spectral_data_source.h"
#include "engine/analysis/spectral_helpers.h"
#include "engine/audio/memory_pcm_stream.h"
#include "views/offscreen/offscreen_dib.h"
#include "views/timeline/signal_summaries.h"

namespace {

// Direct pixel access to the back buffer, clipped to a rectangle that lies inside the bitmap.
class PixelWriter {
public:
    PixelWriter(COffscreenDib& dib, const BandRect& clip)
        : bits_(dib.GetBits()), stride_(dib.GetStride()), bytes_(dib.GetBitsPerPixel() / 8),
          clip_(Intersect(clip, {0, 0, dib.GetWidth(), dib.GetHeight()})) {
        if (bits_ == nullptr || bytes_ < 3) clip_ = {};
    }
    bool Inside(int x, int y) const {
        return x >= clip_.left && x < clip_.right && y >= clip_.top && y < clip_.bottom;
    }
    void Set(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        if (!Inside(x, y)) return;
        uint8_t* p = bits_ + size_t(y) * stride_ + size_t(x) * bytes_;
        if (bytes_ == 3) {
            p[0] = r, p[1] = g, p[2] = b;
        } else {
            p[0] = b, p[1] = g, p[2] = r, p[3] = 0xFF;
        }
    }
    void Grey(int x, int y, uint8_t v) { Set(x, y, v, v, v); }
    void Black(int x, int y) { Set(x, y, 0, 0, 0); }
    // A line from (x0, y0) towards (x1, y1), its last point left out, as the line calls of the
    // back buffer draw it.
    void Line(int x0, int y0, int x1, int y1) {
        const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        while (x0 != x1 || y0 != y1) {
            Black(x0, y0);
            const int e2 = 2 * err;
            if (e2 >= dy) err += dy, x0 += sx;
            if (e2 <= dx) err += dx, y0 += sy;
        }
    }
    const BandRect& Clip() const { return clip_; }

private:
    uint8_t* bits_;
    int stride_;
    int bytes_;
    BandRect clip_;
};

// The rectangle a channel may write: rc, kept inside the band.
BandRect DrawClip(const BandRect& band, const BandRect& rc) { return Intersect(band, rc); }

void MiddleLine(PixelWriter& out, const BandRect& rc, int mid) { out.Line(rc.left, mid, rc.right, mid); }

// One waveform column from its min and max, already scaled to rows. Rows far outside the band
// are brought to its edge first: they are clipped anyway, and a line to them would be long.
void MinMaxColumn(PixelWriter& out, int x, int64_t y1l, int64_t y2l, bool greenDot) {
    const int64_t top = out.Clip().top - 1, bottom = out.Clip().bottom + 1;
    const int y1 = static_cast<int>(std::clamp(y1l, top, bottom));
    const int y2 = static_cast<int>(std::clamp(y2l, top, bottom));
    if (y1 == y2) {
        if (greenDot) {
            out.Set(x, y1, 0, 128, 0);
        } else {
            out.Black(x, y1);
        }
    } else {
        out.Line(x, y1, x, y2);
    }
}

}  // namespace

bool PlaceColumnWindow(const TimelineState& view, int x, int w, int streamLength, int* start) {
    return PlaceWindow(view.map.XToSample(x), view.map.samplesPerPixel, w, streamLength, start);
}

bool PlaceWindow(int64_t s, int samplesPerPixel, int w, int streamLength, int* start) {
    if (s + samplesPerPixel < streamLength) s += samplesPerPixel / 2;
    int64_t first = s - w / 2;
    if (first < 0) first = 0;
    if (first >= streamLength) return false;
    *start = static_cast<int>(first);
    return true;
}

std::vector<short> BuildRowMap(int height, int windowSize) {
    const int bins = windowSize / 2;
    std::vector<short> map(size_t(std::max(height, 0)) + 1);
    for (int i = 0; i <= height && height > 0; ++i) {
        map[i] = static_cast<short>(std::min<int64_t>(int64_t{i} * bins / height, bins - 1));
    }
    return map;
}

void CMXChannelWaveform::Draw(COffscreenDib& dib, const BandRect& rc) {
    if (stream == nullptr || stream->GetData() == nullptr) return;
    PixelWriter out(dib, DrawClip(band, rc));
    const int h = band.Height();
    const int mid = (band.top + band.bottom) / 2;
    MiddleLine(out, rc, mid);

    const bool eightBit = stream->GetBits() == 8;
    const int spp = std::max(view->map.samplesPerPixel, 1);
    const CWaveformSummary* summary = nullptr;
    CWaveformSummary direct;
    if (view->summaries) {
        view->summaries->Attach(stream);
        summary = &view->summaries->Waveform();
    } else {
        direct.Build(stream);  // no levels are kept for a one-off paint: queries scan
        summary = &direct;
    }
    const int frames = summary->FrameCount();
    int64_t s = view->map.XToSample(rc.left);
    for (int x = rc.left; x <= rc.right; ++x, s += spp) {
        if (s >= frames || s < 0) break;
        const int end = static_cast<int>(std::min<int64_t>(s + spp, frames));
        int lo, hi;
        summary->Query(static_cast<int>(s), end, &lo, &hi);
        int y1, y2;
        if (eightBit) {
            y1 = band.bottom - lo * h / 256;
            y2 = band.bottom - hi * h / 256;
        } else {
            y1 = mid - lo * h / 65536;
            y2 = mid - hi * h / 65536;
        }
        MinMaxColumn(out, x, y1, y2, !eightBit);
    }
}

void CMXChannelEnergy::Draw(COffscreenDib& dib, const BandRect& rc) {
    if (stream == nullptr) return;
    PixelWriter out(dib, DrawClip(band, rc));
    const int w = std::max(stream->MsToFrames(10), 1);
    const int length = stream->GetFrameCount();
    std::vector<float> block(size_t(w), 0.0f);
    float previousSample = 0.0f;
    float p = 0.0f;
    for (int x = rc.left - 1; x <= rc.right - 1; ++x) {
        const int s = view->map.XToSample(x) / w * w;
        int start;
        if (!PlaceWindow(s, view->map.samplesPerPixel, w, length, &start)) break;
        std::fill(block.begin(), block.end(), 0.0f);
        int count = w;
        stream->ReadFramesFloat(block.data(), start, &count, audioChannel + 1);
        const float e = ComputeEnergyDb(block.data(), &previousSample, std::max(count, 1));
        out.Line(x - 1, band.bottom - static_cast<int>(p), x, band.bottom - static_cast<int>(e));
        p = e;
    }
}

void CSpectralChannel::UpdateRowMap() {
    if (static_cast<int>(rowMap.size()) != band.Height() + 1) rowMap = BuildRowMap(band.Height(), windowSize);
}

int CSpectralChannel::DrawColumn(COffscreenDib& dib, const BandRect& rc, int x, const uint8_t* values, int p) {
    PixelWriter out(dib, DrawClip(band, rc));
    const int h = band.Height();
    int pitchY = -1;
    const int yFirst = std::min(band.bottom, out.Clip().bottom - 1);
    const int yLast = std::max(band.top + 1, out.Clip().top);
    for (int y = yFirst; y >= yLast; --y) {
        const int i = band.bottom - y;
        if (i < 0 || i >= h) continue;
        const int lo = rowMap[i], hi = rowMap[i + 1];
        int v;
        if (hi > lo + 1) {
            int sum = 0;
            for (int k = lo; k < hi; ++k) sum += values[k];
            v = sum / (hi - lo);
        } else {
            v = values[lo];
        }
        out.Grey(x, y, static_cast<uint8_t>(v & 0xFF));
        if (p >= 0 && ((lo <= p && p < hi) || (hi <= lo + 1 && p == lo))) pitchY = y;
    }
    return pitchY;
}

void CMXChannelSono::Draw(COffscreenDib& dib, const BandRect& rc) {
    if (stream == nullptr || source == nullptr) return;
    UpdateRowMap();
    const BandRect clip = DrawClip(band, rc);
    const bool pitch = (view->displayMask & kShowPitch) != 0;
    const int length = stream->GetFrameCount();
    const int n = windowSize;
    CSpectralColumnCache* cache = nullptr;
    if (view->summaries && n == 512) {
        view->summaries->Attach(stream);
        cache = &view->summaries->Columns();
    }
    const auto kind = pitch ? CSpectralColumnCache::kSpectrumWithPitch : CSpectralColumnCache::kSpectrum;
    short buffer[2048];
    CSpectralColumnCache::Column local;
    for (int x = clip.left; x < clip.right; ++x) {
        int start;
        if (!PlaceColumnWindow(*view, x, n, length, &start)) break;
        const CSpectralColumnCache::Column* column = cache ? cache->Find(kind, audioChannel, start) : nullptr;
        if (column == nullptr) {
            CSpectralColumnCache::Column* fill = cache ? cache->Insert(kind, audioChannel, start) : &local;
            std::memset(buffer, 0, sizeof buffer);
            int count = std::min(n, 2048);
            stream->ReadFrames16(buffer, start, &count, audioChannel + 1);
            fill->pitch = -1;
            source->ComputeDbColumn(buffer, n, pitch, &fill->pitch);
            const int bins = std::min(n / 2 + 1, CSpectralColumnCache::kBins);
            for (int k = 0; k < bins; ++k) fill->value[k] = static_cast<uint8_t>(buffer[k]);
            column = fill;
        }
        const int p = column->pitch != -1 ? static_cast<int>(band.Height() / 512.0 * column->pitch) : -1;
        const int pitchY = DrawColumn(dib, clip, x, column->value, p);
        if (pitchY >= 0) PixelWriter(dib, clip).Set(x, pitchY, 0, 255, 0);
    }
}

void CMXChannelLPC::Draw(COffscreenDib& dib, const BandRect& rc) {
    if (stream == nullptr || source == nullptr) return;
    UpdateRowMap();
    const BandRect clip = DrawClip(band, rc);
    const int length = stream->GetFrameCount();
    const int n = windowSize;
    constexpr int kOrder = 16;
    CSpectralColumnCache* cache = nullptr;
    if (view->summaries && n == 512) {
        view->summaries->Attach(stream);
        cache = &view->summaries->Columns();
    }
    float samples[2048];
    float coefficients[2048];
    float predictor[kOrder + 1];
    CLpcAnalyzer lpc;
    CSpectralColumnCache::Column local;
    for (int x = clip.left; x < clip.right; ++x) {
        int start;
        if (!PlaceColumnWindow(*view, x, n, length, &start)) break;
        const CSpectralColumnCache::Column* column =
            cache ? cache->Find(CSpectralColumnCache::kLpcEnvelope, audioChannel, start) : nullptr;
        if (column == nullptr) {
            CSpectralColumnCache::Column* fill =
                cache ? cache->Insert(CSpectralColumnCache::kLpcEnvelope, audioChannel, start) : &local;
            std::fill(std::begin(samples), std::end(samples), 0.0f);
            std::fill(std::begin(coefficients), std::end(coefficients), 0.0f);
            int count = std::min(n, 2048);
            stream->ReadFramesFloat(samples, start, &count, audioChannel + 1);
            std::fill(std::begin(predictor), std::end(predictor), 0.0f);
            lpc.Analyze(samples, std::min(n, 2048), kOrder, nullptr, predictor, nullptr, nullptr);
            coefficients[0] = 1.0f;
            for (int i = 1; i <= kOrder; ++i) coefficients[i] = -predictor[i];
            source->ComputeLpcEnvelope(coefficients, n);
            const int bins = std::min(n / 2 + 1, CSpectralColumnCache::kBins);
            for (int k = 0; k < bins; ++k) fill->value[k] = static_cast<uint8_t>(std::clamp(coefficients[k], 0.0f, 255.0f));
            fill->pitch = -1;
            column = fill;
        }
        DrawColumn(dib, clip, x, column->value, -1);
    }
}

void CMXChannelLPCError::Draw(COffscreenDib& dib, const BandRect& rc) {
    if (stream == nullptr || windowSize <= 0) return;
    PixelWriter out(dib, DrawClip(band, rc));
    const int h = band.Height();
    const int mid = (band.top + band.bottom) / 2;
    MiddleLine(out, rc, mid);
    constexpr int kOrder = 16;
    const int n = std::min(windowSize, 2048);
    const int spp = std::max(view->map.samplesPerPixel, 1);
    std::vector<float> block(static_cast<size_t>(n)), residual(static_cast<size_t>(n));
    CLpcAnalyzer lpc;
    int64_t s = view->map.XToSample(rc.left);
    int x = rc.left;
    int inColumn = 0;
    int64_t lo = 0, hi = 0;
    while (x < rc.right && s < INT32_MAX) {
        int count = n;
        stream->ReadFramesFloat(block.data(), static_cast<int>(s), &count, audioChannel + 1);
        if (count <= 0) break;
        lpc.Analyze(block.data(), count, kOrder, residual.data(), nullptr, nullptr, nullptr);
        s += count;
        for (int i = 0; i < count && x < rc.right; ++i) {
            const int64_t v = static_cast<int64_t>(residual[i] * 3.5f);
            if (inColumn == 0) lo = hi = v;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            if (++inColumn == spp) {
                MinMaxColumn(out, x, mid - lo * h / 65536, mid - hi * h / 65536, false);
                inColumn = 0;
                ++x;
            }
        }
    }
}

// The time ruler: tick step for the zoom, tick labels and drawing.
#include "views/timeline/time_ruler.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <cmath>
#include <cstdio>

#include "engine/audio/memory_pcm_stream.h"

namespace {

// Stream rate in frames per second (16.16 in the stream).
double RateOf(IMemoryPCMStream* stream) { return stream ? stream->GetRate() / 65536.0 : 0.0; }

// ms of a frame count that may not fit an int (100 pixels of a long recording zoomed out).
int64_t FramesToMsWide(IMemoryPCMStream* stream, int64_t frames) {
    const double rate = RateOf(stream);
    return rate > 0 ? static_cast<int64_t>(static_cast<double>(frames) / rate * 1000.0) : 0;
}

}  // namespace

uint32_t CWinRulerView::NiceTickStep(uint32_t x) {
    if (x == 0) return 1;
    uint32_t p = 1;
    while (x / p >= 10) p *= 10;
    const uint32_t q = x / p;
    if (q == 3) return 4 * p;
    if (q == 6 || q == 7) return 5 * p;
    if (q >= 8) return 10 * p;
    return q * p;
}

void CWinRulerView::SetMode(uint32_t mode, uint32_t value) {
    mode_ = mode;
    modeValue_ = value;
    Recalc();
}

void CWinRulerView::SetMusicMode(uint32_t beatsPerMinute, uint32_t beatsPerBar) {
    beatsPerMinute_ = beatsPerMinute;
    beatsPerBar_ = beatsPerBar;
    mode_ = kBars;
    Recalc();
}

void CWinRulerView::SetSamplesPerPixel(uint32_t n) {
    if (n == samplesPerPixel_) return;
    samplesPerPixel_ = n;
    Recalc();
}

void CWinRulerView::Recalc() {
    switch (mode_) {
        case kSamples: RecalcSamples(); break;
        case kTime: RecalcTime(); break;
        case kFrames: RecalcFrames(); break;
        case kBars: RecalcBars(); break;
        default: break;
    }
}

void CWinRulerView::RecalcSamples() {
    if (samplesPerPixel_ == 0) {
        pixelsPerTick_ = 0;
        return;
    }
    const uint64_t span = uint64_t{samplesPerPixel_} * 100;
    tickStep_ = NiceTickStep(static_cast<uint32_t>(std::min<uint64_t>(span, UINT32_MAX)));
    pixelsPerTick_ = tickStep_ / samplesPerPixel_;
}

void CWinRulerView::RecalcTime() {
    if (samplesPerPixel_ == 0 || stream_ == nullptr) {
        pixelsPerTick_ = 0;
        return;
    }
    const int64_t d = FramesToMsWide(stream_, int64_t{samplesPerPixel_} * 100);
    uint64_t step;
    if (d >= 60000) {
        step = uint64_t{NiceTickStep(static_cast<uint32_t>(d / 60000))} * 60000;
    } else if (d >= 2000) {
        step = uint64_t{NiceTickStep(static_cast<uint32_t>(d / 1000))} * 1000;
    } else {
        step = NiceTickStep(static_cast<uint32_t>(d));
    }
    tickStepMs_ = static_cast<uint32_t>(std::min<uint64_t>(step, UINT32_MAX));
    pixelsPerTick_ = static_cast<double>(stream_->MsToFrames(static_cast<int>(std::min<uint64_t>(step, INT32_MAX)))) /
                     samplesPerPixel_;
}

void CWinRulerView::RecalcFrames() {
    if (samplesPerPixel_ == 0 || modeValue_ == 0) {
        pixelsPerTick_ = 0;
        return;
    }
    const float framesPerPixel = static_cast<float>(samplesPerPixel_) / static_cast<float>(modeValue_);
    const double span = std::min<double>(framesPerPixel * 100.0f, UINT32_MAX);
    tickStep_ = NiceTickStep(static_cast<uint32_t>(span));
    pixelsPerTick_ = framesPerPixel > 0 ? tickStep_ / framesPerPixel : 0.0;
}

void CWinRulerView::RecalcBars() {
    if (beatsPerMinute_ == 0) {
        pixelsPerTick_ = 0;
        return;
    }
    modeValue_ = static_cast<uint32_t>(60.0 / beatsPerMinute_ * RateOf(stream_));
    RecalcFrames();
}

std::string CWinRulerView::FormatLabel(uint32_t sample) const {
    char text[64];
    if (mode_ == kTime) {
        if (stream_ == nullptr) return {};
        const int64_t t = static_cast<int64_t>(stream_->FramesToMs(static_cast<int>(std::min<uint32_t>(sample, INT32_MAX))));
        std::snprintf(text, sizeof text, "%lld:%02lld:%03lld", static_cast<long long>(t / 60000),
                      static_cast<long long>(t % 60000 / 1000), static_cast<long long>(t % 1000));
        return text;
    }
    if (mode_ == kSamples) {
        std::snprintf(text, sizeof text, "%u", sample);
        return text;
    }
    return {};
}

std::string CWinRulerView::TickLabel(int64_t k) const {
    char text[64];
    if (mode_ == kTime) {
        const long long step = tickStepMs_;
        const long long t = step * k;
        if (step >= 60000 && step % 60000 == 0) {
            std::snprintf(text, sizeof text, "%lld", t / 60000);
        } else if (step >= 1000 && step % 1000 == 0) {
            std::snprintf(text, sizeof text, "%lld:%02lld", t / 60000, t % 60000 / 1000);
        } else {
            std::snprintf(text, sizeof text, "%lld:%02lld:%03lld", t / 60000, t % 60000 / 1000, t % 1000);
        }
        return text;
    }
    const long long units = static_cast<long long>(static_cast<double>(k) * tickStep_);
    if (mode_ == kBars) {
        const long long perBar = beatsPerBar_ > 0 ? beatsPerBar_ : 1;
        std::snprintf(text, sizeof text, "%lld:%lld", units / perBar + 1, units % perBar + 1);
        return text;
    }
    std::snprintf(text, sizeof text, "%lld", units);
    return text;
}

int32_t CWinRulerView::ScrollOffset() const {
    return samplesPerPixel_ > 0 ? static_cast<int32_t>(firstSample_ / samplesPerPixel_) : 0;
}

BandRect CWinRulerView::RulerToClient(const BandRect& r) const {
    const int dx = rect_.left - ScrollOffset();
    return {r.left + dx, r.top, r.right + dx, r.bottom};
}

BandRect CWinRulerView::ClientToRuler(const BandRect& r) const {
    const int dx = ScrollOffset() - rect_.left;
    return {r.left + dx, r.top, r.right + dx, r.bottom};
}

void CWinRulerView::Draw(QPainter& painter, const BandRect* r) const {
    if (pixelsPerTick_ <= 0.0 || !std::isfinite(pixelsPerTick_)) return;
    const BandRect area = ClientToRuler(r ? *r : rect_);
    const double inv = 1.0 / pixelsPerTick_;
    const int64_t k0 = static_cast<int64_t>(area.left * inv);
    const int64_t k1 = static_cast<int64_t>(area.right * inv);
    if (k1 - k0 > 100000) return;  // a step far too fine for the width: nothing readable to draw
    painter.save();
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const int ascent = QFontMetrics(font).ascent();
    for (int64_t k = k0; k <= k1; ++k) {
        const BandRect tick = RulerToClient({static_cast<int>(k * pixelsPerTick_), 2,
                                             static_cast<int>((k + 1) * pixelsPerTick_), 14});
        painter.drawLine(tick.left, 2, tick.left, 13);
        painter.drawText(tick.left + 3, ascent, QString::fromStdString(TickLabel(k)));
        painter.fillRect(tick.left, 14, tick.right - tick.left, 1, Qt::black);
    }
    painter.restore();
}

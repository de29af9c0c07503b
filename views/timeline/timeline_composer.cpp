// Composition of the timeline's back buffer.
#include "views/timeline/timeline_composer.h"

#include <QPainter>
#include <QPolygon>

#include "views/offscreen/offscreen_dib.h"
#include "views/timeline/signal_channels.h"
#include "views/timeline/time_ruler.h"

std::unique_ptr<CPhonarcChannelView> CreateSignalChannel(const ChannelBand& band, const TimelineState* view,
                                                         ISpectralDataSource* source) {
    std::unique_ptr<CPhonarcChannelView> channel;
    switch (band.bit) {
        case kShowBox: channel = std::make_unique<CPhonarcChannelView>(view); break;
        case kShowWaveform: channel = std::make_unique<CMXChannelWaveform>(view); break;
        case kShowEnergy: channel = std::make_unique<CMXChannelEnergy>(view); break;
        case kShowSpectrogram:
            if (source) channel = std::make_unique<CMXChannelSono>(view, source);
            break;
        case kShowLpc:
            if (source) channel = std::make_unique<CMXChannelLPC>(view, source);
            break;
        case kShowLpcError:
            if (source) channel = std::make_unique<CMXChannelLPCError>(view, source);
            break;
        default: break;
    }
    if (channel) {
        channel->displayBit = band.bit;
        channel->audioChannel = static_cast<uint16_t>(band.audioChannel);
        channel->band = band.band;
    }
    return channel;
}

namespace {
QRect ToQRect(const BandRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }
}  // namespace

void ComposeTimeline(COffscreenDib& dib, const BandRect& clip, const CWinRulerView& ruler,
                     const ChannelList& channels, const BandRect& area, const QColor& marginColour) {
    if (!dib.IsValid()) return;
    {
        QPainter painter(&dib.Image());
        painter.fillRect(ToQRect(clip), Qt::white);
        const BandRect r = ruler.GetRect();
        painter.fillRect(r.left, r.bottom, r.Width(), 4, Qt::black);
        painter.setClipRect(ToQRect(r));
        ruler.Draw(painter, nullptr);
        painter.setClipping(false);
        painter.setPen(Qt::black);
        // Bands scrolled up under the ruler show nothing there.
        for (const auto& channel : channels) {
            const BandRect& b = channel->band;
            if (b.top > area.top) painter.drawLine(b.left, b.top, b.right - 1, b.top);
            if (b.bottom != area.bottom && b.bottom > area.top) painter.drawLine(b.left, b.bottom, b.right - 1, b.bottom);
        }
    }
    const BandRect below_ruler{clip.left, std::max(clip.top, area.top), clip.right, clip.bottom};
    for (const auto& channel : channels) {
        const BandRect part = Intersect(channel->band, below_ruler);
        if (!part.IsEmpty()) channel->Draw(dib, part);
    }
    if (clip.left < kMarginWidth) {
        QPainter painter(&dib.Image());
        DrawTimelineMargin(painter, channels, dib.GetHeight(), marginColour);
    }
}

void DrawTimelineMargin(QPainter& painter, const ChannelList& channels, int clientHeight,
                        const QColor& marginColour) {
    painter.save();
    painter.fillRect(0, 0, kMarginWidth, clientHeight, marginColour);
    painter.setPen(Qt::black);
    painter.drawLine(kMarginWidth - 1, 0, kMarginWidth - 1, clientHeight - 1);
    for (int pass = 0; pass < 2; ++pass) {
        painter.setPen(pass == 0 ? Qt::black : Qt::white);
        for (size_t i = 0; i < channels.size(); ++i) {
            const BandRect& b = channels[i]->band;
            if (b.top < kRulerHeight) continue;  // scrolled out of view
            painter.drawLine(0, b.top + pass, kMarginWidth - 2, b.top + pass);
            if (i + 1 == channels.size()) painter.drawLine(0, b.bottom + pass, kMarginWidth - 2, b.bottom + pass);
        }
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const auto& channel : channels)
        if (channel->band.top >= kRulerHeight) painter.drawRect(2, channel->band.top + 3, 5, 5);
    painter.drawPolygon(QPolygon({QPoint(1, 1), QPoint(11, 1), QPoint(6, 11)}));
    painter.restore();
}

void InvertRect(COffscreenDib& dib, const BandRect& r) {
    const BandRect c = Intersect(r, {0, 0, dib.GetWidth(), dib.GetHeight()});
    if (c.IsEmpty() || dib.GetBits() == nullptr) return;
    const int bytes = dib.GetBitsPerPixel() / 8;
    for (int y = c.top; y < c.bottom; ++y) {
        uint8_t* row = dib.GetBits() + size_t(y) * dib.GetStride();
        for (int i = c.left * bytes; i < c.right * bytes; ++i) {
            if (bytes == 4 && i % 4 == 3) continue;  // the unused alpha byte stays opaque
            row[i] = static_cast<uint8_t>(~row[i]);
        }
    }
}

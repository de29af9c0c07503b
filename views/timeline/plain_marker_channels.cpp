// Plain drawing of the marker bands.
#include "views/timeline/plain_marker_channels.h"

#include <QColor>
#include <QFontDatabase>
#include <QPainter>

#include "engine/audio/memory_pcm_stream.h"
#include "model/app_sync_results.h"
#include "views/offscreen/offscreen_dib.h"
#include "views/timeline/timeline_host.h"

QColor MarkerSpanColour() { return QColor(0xC4, 0xC4, 0xC4); }

namespace {

// Millisecond bounds of a redraw rectangle.
void VisibleMs(const TimelineState& view, const BandRect& rc, int* msL, int* msR) {
    *msL = view.map.XToMs(view.stream, rc.left);
    *msR = view.map.XToMs(view.stream, rc.right);
}

// Markers from the first whose end reaches msL up to and including the first (from there) whose
// end reaches msR.
template <class List, class F>
void ForVisible(const List& list, int msL, int msR, F&& f) {
    size_t i = 0;
    while (i < list.size() && list[i].end < msL) ++i;
    for (; i < list.size(); ++i) {
        f(list[i]);
        if (list[i].end >= msR) break;
    }
}

class CPlainSpanChannel : public CPhonarcChannelView {
public:
    CPlainSpanChannel(const TimelineState* view, int track) : CPhonarcChannelView(view), track_(track) {}

    void Draw(COffscreenDib& dib, const BandRect& rc) override {
        if (!view || !view->host || !view->stream) return;
        const app_sync_results& t = view->host->Track(track_);
        QPainter painter(&dib.Image());
        painter.setClipRect(rc.left, rc.top, rc.Width(), rc.Height());
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPixelSize(11);
        painter.setFont(font);
        int msL = 0, msR = 0;
        VisibleMs(*view, rc, &msL, &msR);
        auto span = [&](const marker_base& m) {
            const int x1 = view->map.MsToX(view->stream, m.start), x2 = view->map.MsToX(view->stream, m.end);
            painter.fillRect(x1, band.top + 1, x2 - x1, band.bottom - band.top - 1, MarkerSpanColour());
            painter.setPen(Qt::black);
            painter.drawLine(x1, band.top + 1, x1, band.bottom - 1);
            painter.drawLine(x2, band.top + 1, x2, band.bottom - 1);
            painter.drawText(QRect(x1 + 1, band.top + 2, std::max(x2 - x1 - 1, 1), band.Height() - 2),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, QString::fromStdString(m.label));
        };
        switch (displayBit) {
            case kShowWords: ForVisible(t.words, msL, msR, span); break;
            case kShowEvents: ForVisible(t.xml_events, msL, msR, span); break;
            case kShowGestures: ForVisible(t.gestures, msL, msR, span); break;
            default: ForVisible(t.phonemes, msL, msR, span); break;
        }
    }

private:
    int track_;
};

// Energies 0 .. 100 stand 0 .. 50 pixels above a baseline 8 pixels over the band's bottom.
class CPlainEnergyChannel : public CPhonarcChannelView {
public:
    CPlainEnergyChannel(const TimelineState* view, int track) : CPhonarcChannelView(view), track_(track) {}

    void Draw(COffscreenDib& dib, const BandRect& rc) override {
        if (!view || !view->host || !view->stream) return;
        const app_sync_results& t = view->host->Track(track_);
        QPainter painter(&dib.Image());
        painter.setClipRect(rc.left, rc.top, rc.Width(), rc.Height());
        const int y0 = band.bottom - 8;
        painter.setPen(QColor(0x80, 0x80, 0x80));
        painter.drawLine(rc.left, y0, rc.right - 1, y0);
        painter.setPen(Qt::black);
        painter.setBrush(Qt::red);
        int msL = 0, msR = 0;
        VisibleMs(*view, rc, &msL, &msR);
        auto bar = [&](const marker_base& m) {
            const int x1 = view->map.MsToX(view->stream, m.start), x2 = view->map.MsToX(view->stream, m.end);
            const int y = y0 - static_cast<int>(m.value) / 2;
            painter.drawRect(x1, y - 1, std::max(x2 - x1 - 1, 0), 2);
        };
        ForVisible(t.phonemes, msL, msR, [&](const phn_marker& p) {
            if (p.energy.empty())
                bar(p);
            else
                for (const marker_base& e : p.energy) bar(e);
        });
    }

private:
    int track_;
};

}  // namespace

std::unique_ptr<CPhonarcChannelView> CreatePlainMarkerChannel(const ChannelBand& band, const TimelineState* view) {
    std::unique_ptr<CPhonarcChannelView> channel;
    switch (band.bit) {
        case kShowPhonemesTrack0:
        case kShowPhonemes:
        case kShowPhonemesTrack2:
        case kShowWords:
        case kShowEvents:
        case kShowGestures: channel = std::make_unique<CPlainSpanChannel>(view, band.track); break;
        case kShowPhonemeEnergy: channel = std::make_unique<CPlainEnergyChannel>(view, band.track); break;
        case kShowFlashGestures: channel = std::make_unique<CPhonarcChannelView>(view); break;
        default: return nullptr;
    }
    channel->displayBit = band.bit;
    channel->audioChannel = static_cast<uint16_t>(band.audioChannel);
    channel->band = band.band;
    return channel;
}

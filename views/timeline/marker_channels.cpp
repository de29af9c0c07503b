// The marker channels: drawing, hit tests and mouse drags.
#include "views/timeline/marker_channels.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QWidget>
#include <QPainter>
#include <algorithm>

#include "engine/audio/memory_pcm_stream.h"
#include "views/offscreen/offscreen_dib.h"

namespace {

QRect ToQRect(const BandRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// The grey of marker spans.
const QColor kMarkerSpanColour(0xC4, 0xC4, 0xC4);

QFont MarkerFont(const QFont& base) {
    QFont font = base;
    font.setPixelSize(11);
    return font;
}

// Index range [first, last) of the markers that reach into [msL, msR]: from the first ending at or
// after msL through the first (from there) ending at or after msR.
template <class M>
void VisibleMarkers(const std::vector<M>& list, int msL, int msR, size_t* first, size_t* last) {
    size_t i = 0;
    while (i < list.size() && list[i].end < msL) ++i;
    size_t j = i;
    while (j < list.size() && list[j].end < msR) ++j;
    *first = i;
    *last = std::min(j + 1, list.size());
}

// Labelled grey spans with a line at each edge, clipped to rc.
template <class M>
void DrawSpans(COffscreenDib& dib, const BandRect& rc, const BandRect& band, const TimeMap& map,
               IMemoryPCMStream* stream, const std::vector<M>& list) {
    if (!stream || !dib.IsValid()) return;
    const int msL = map.XToMs(stream, rc.left);
    const int msR = map.XToMs(stream, rc.right);
    size_t first, last;
    VisibleMarkers(list, msL, msR, &first, &last);
    QPainter painter(&dib.Image());
    painter.setClipRect(ToQRect(rc));
    painter.setFont(MarkerFont(painter.font()));
    const int ascent = QFontMetrics(painter.font()).ascent();
    const int top = band.top + 1;
    for (size_t i = first; i < last; ++i) {
        const M& m = list[i];
        const int x1 = map.MsToX(stream, m.start);
        const int x2 = map.MsToX(stream, m.end);
        painter.fillRect(x1, top, x2 - x1, band.bottom - top, kMarkerSpanColour);
        painter.setPen(Qt::black);
        painter.drawLine(x1, top, x1, band.bottom - 1);
        painter.drawLine(x2, top, x2, band.bottom - 1);
        painter.drawText(x1 + 1, band.top + 2 + ascent, QString::fromStdString(m.label));
    }
}

// The last marker containing ms; -1 when none.
template <class M>
int LastContaining(const std::vector<M>& list, int ms) {
    for (size_t i = list.size(); i-- > 0;)
        if (list[i].start <= ms && ms <= list[i].end) return static_cast<int>(i);
    return -1;
}

}  // namespace

// ---- shared ----

const app_sync_results& CMXMarkerChannel::Shown() const {
    static const app_sync_results kNothing;
    if (host) return host->Track(track);
    return view && view->tracks ? view->tracks[track] : kNothing;
}

int CMXMarkerChannel::XToMs(int x) const { return view->map.XToMs(stream, x); }
int CMXMarkerChannel::MsToX(int ms) const { return view->map.MsToX(stream, ms); }
int CMXMarkerChannel::XToMsRange(int x, int* from, int* to) const { return view->map.XToMsRange(stream, x, from, to); }

void CMXMarkerChannel::Commit(const char* name, int start, int end) {
    host->CommitTrackEdit(name, track, start, end);
}

// ---- phonemes ----

void CMXChannelPhns::Draw(COffscreenDib& dib, const BandRect& rc) {
    DrawSpans(dib, rc, band, view->map, stream, Shown().phonemes);
}

int CMXChannelPhns::HitTest(int x, int, bool control, int* marker) {
    *marker = -1;
    if (!stream || !host) return kNone;
    int from, to;
    const int ms = XToMsRange(x, &from, &to);
    const phn_marker_list& phonemes = Track().phonemes;
    const int i = LastContaining(phonemes, ms);
    if (i < 0) return kNone;
    *marker = i;
    const phn_marker& p = phonemes[i];
    if (p.start >= from && p.start <= to) return kStartEdge;
    if (p.end >= from && p.end <= to) return kEndEdge;
    return control ? kWhole : kNone;
}

bool CMXChannelPhns::OnSetCursor(int x, int y) {
    if (!host) return false;
    int marker;
    const int kind = HitTest(x, y, host->IsControlDown(), &marker);
    if (kind == kNone) return false;
    host->SetChannelCursor(kind == kWhole ? Qt::SizeAllCursor : Qt::SizeHorCursor);
    return true;
}

bool CMXChannelPhns::OnLButtonDown(int x, int y, uint32_t flags) {
    int index;
    dragKind = HitTest(x, y, (flags & kMouseFlagControl) != 0, &index);
    lastX = lastY = kNoPoint;
    changed = false;
    if (index < 0 || dragKind == kNone) {
        dragKind = kNone;
        return false;
    }
    const phn_marker_list& phonemes = Track().phonemes;
    const phn_marker& p = phonemes[index];
    leftId = rightId = kNoId;
    if (dragKind == kStartEdge) {
        if (index > 0 && phonemes[index - 1].end >= p.start) leftId = phonemes[index - 1].id;
        rightId = p.id;
    } else if (dragKind == kEndEdge) {
        leftId = p.id;
        if (index + 1 < static_cast<int>(phonemes.size()) && phonemes[index + 1].start <= p.end)
            rightId = phonemes[index + 1].id;
    } else {
        leftId = p.id;
    }
    host->SetCapturingChannel(this);
    snapshot = phonemes;
    grabMs = XToMs(x);
    return true;
}

void CMXChannelPhns::OnMouseMove(int x, int y, uint32_t) {
    if (dragKind == kNone || (x == lastX && y == lastY)) return;
    const int ms = XToMs(x);
    phn_marker_list& phonemes = Track().phonemes;
    // Every step applies the whole displacement from the grab to the list as it was at the press.
    phonemes = snapshot;
    phn_marker* left = leftId == kNoId ? nullptr : phonemes.find_id(leftId);
    if (dragKind == kWhole) {
        if (left) phonemes.move(left, ms - grabMs);
    } else {
        phn_marker* right = rightId == kNoId ? nullptr : phonemes.find_id(rightId);
        if (right && ms < grabMs)
            phonemes.move_start(right, ms);
        else if (left && ms > grabMs)
            phonemes.move_end(left, ms);
        else if (dragKind == kStartEdge && right)
            phonemes.move_start(right, ms);
        else if (dragKind == kEndEdge && left)
            phonemes.move_end(left, ms);
    }
    changed = ms != grabMs;
    host->RedrawChannels(false);
    lastX = x;
    lastY = y;
}

void CMXChannelPhns::OnLButtonUp(int, int, uint32_t) {
    host->SetCapturingChannel(nullptr);
    if (dragKind == kNone) return;
    if (changed) {
        const int ms = XToMs(lastX);
        changed = false;
        dragKind = kNone;
        Commit(kUndoMovePhoneme, std::min(grabMs, ms), std::max(grabMs, ms));
    } else {
        // Back at the grab point: the edge may still sit a pixel off, which nothing committed.
        Track().phonemes = snapshot;
        dragKind = kNone;
        host->RedrawChannels(false);
    }
    snapshot.clear();
}

// ---- phoneme energy ----

void CMXChannelPhnEnergy::Draw(COffscreenDib& dib, const BandRect& rc) {
    if (!stream || !dib.IsValid()) return;
    const int y0 = band.bottom - kEnergyBaselineOffset;
    QPainter painter(&dib.Image());
    painter.setClipRect(ToQRect(rc));
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawLine(rc.left, y0, rc.right - 1, y0);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::red);
    const phn_marker_list& phonemes = Shown().phonemes;
    size_t first, last;
    VisibleMarkers(phonemes, XToMs(rc.left), XToMs(rc.right), &first, &last);
    auto bar = [&](const marker_base& m) {
        const int x1 = MsToX(m.start);
        const int x2 = MsToX(m.end);
        const int y = y0 - static_cast<int>(m.value) / 2;
        // The outline takes the rectangle's right and bottom pixels, as a filled outline does.
        painter.drawRect(x1, y - 1, x2 - x1 - 1, 2);
    };
    for (size_t i = first; i < last; ++i) {
        if (phonemes[i].energy.empty())
            bar(phonemes[i]);
        else
            for (const marker_base& e : phonemes[i].energy) bar(e);
    }
}

bool CMXChannelPhnEnergy::OnLButtonDown(int x, int y, uint32_t flags) {
    if (!stream || !host || (flags & kMouseFlagControl) == 0) return false;
    if (y < band.top || y > band.bottom) return false;
    const int e = std::max((band.bottom - y - kEnergyBaselineOffset) * 100 / 50, 0);
    const int ms = XToMs(x);
    phn_marker_list& phonemes = Track().phonemes;
    const int i = LastContaining(phonemes, ms);
    if (i < 0) return false;
    phn_marker& p = phonemes[i];
    const int sub = LastContaining(p.energy, ms);
    if (sub >= 0)
        p.energy[sub].value = static_cast<float>(e);
    else
        p.value = static_cast<float>(e);
    Commit(kUndoEnergy, ms, ms);
    return true;
}

// ---- words, events, gestures ----

int CMXSpanChannel::MarkerAt(int ms) {
    for (int i = Count(); i-- > 0;)
        if (At(i).start <= ms && ms <= At(i).end) return i;
    return -1;
}

void CMXSpanChannel::Draw(COffscreenDib& dib, const BandRect& rc) {
    if (!stream || !dib.IsValid()) return;
    // The lists differ in type: the visible markers' common fields are copied out and drawn.
    std::vector<marker_base> spans;
    const int msL = XToMs(rc.left), msR = XToMs(rc.right);
    int i = 0;
    const int n = Count();
    while (i < n && At(i).end < msL) ++i;
    for (; i < n; ++i) {
        spans.push_back(At(i));
        if (At(i).end >= msR) break;
    }
    DrawSpans(dib, rc, band, view->map, stream, spans);
}

int CMXSpanChannel::HitTest(int x, int, bool control) {
    if (!stream || !host) return kNone;
    int from, to;
    const int ms = XToMsRange(x, &from, &to);
    const int i = MarkerAt(ms);
    if (i < 0) return kNone;
    const marker_base& m = At(i);
    if (m.start >= from && m.start <= to) return kStartEdge;
    if (m.end >= from && m.end <= to) return kEndEdge;
    return control ? kWhole : kNone;
}

bool CMXSpanChannel::OnSetCursor(int x, int y) {
    if (!host) return false;
    const int kind = HitTest(x, y, host->IsControlDown());
    if (kind == kNone) return false;
    host->SetChannelCursor(kind == kWhole ? Qt::SizeAllCursor : Qt::SizeHorCursor);
    return true;
}

bool CMXSpanChannel::OnLButtonDown(int x, int y, uint32_t flags) {
    dragKind = HitTest(x, y, (flags & kMouseFlagControl) != 0);
    changed = false;
    if (dragKind == kNone) return false;
    const int ms = XToMs(x);
    const int i = MarkerAt(ms);
    if (i < 0) {
        dragKind = kNone;
        return false;
    }
    lastX = lastY = kNoPoint;
    grabMs = ms;
    grabbedId = At(i).id;
    host->SetCapturingChannel(this);
    TakeSnapshot();
    return true;
}

void CMXSpanChannel::OnMouseMove(int x, int y, uint32_t) {
    if (dragKind == kNone || (x == lastX && y == lastY)) return;
    RestoreSnapshot();
    const int ms = XToMs(x);
    if (!Exists(grabbedId)) return;
    bool erased = false;
    if (dragKind == kWhole) {
        if (y >= band.top - kDragOutMargin && y <= band.bottom + kDragOutMargin) {
            MoveWhole(grabbedId, ms - grabMs);
        } else {
            Erase(grabbedId);
            erased = true;
        }
    } else if (dragKind == kStartEdge) {
        MoveStart(grabbedId, ms);
    } else {
        MoveEnd(grabbedId, ms);
    }
    lastX = x;
    lastY = y;
    // A marker dragged straight out of the band is gone although the time did not change.
    changed = ms != grabMs || erased;
    host->RedrawChannels(false);
}

void CMXSpanChannel::OnLButtonUp(int, int, uint32_t) {
    host->SetCapturingChannel(nullptr);
    if (dragKind == kNone) return;
    const bool commit = changed;
    changed = false;
    dragKind = kNone;
    if (commit) {
        Commit(UndoName(), -1, -1);
    } else {
        RestoreSnapshot();  // nothing committed: show what the document holds
        host->RedrawChannels(false);
    }
}

// The lists of words, events and gestures. Events move whole by shifting and end without
// pushing a neighbour, as their list has no neighbour rule.
template <class List>
int CMXMarkerListChannel<List>::Count() {
    return static_cast<int>(ShownMarkers().size());
}
template <class List>
const marker_base& CMXMarkerListChannel<List>::At(int i) {
    return ShownMarkers()[i];
}
template <class List>
void CMXMarkerListChannel<List>::TakeSnapshot() {
    snapshot = Markers();
}
template <class List>
void CMXMarkerListChannel<List>::RestoreSnapshot() {
    Markers() = snapshot;
}
template <class List>
bool CMXMarkerListChannel<List>::Exists(uint32_t id) {
    return Markers().find_id(id) != nullptr;
}
template <class List>
void CMXMarkerListChannel<List>::MoveWhole(uint32_t id, int delta) {
    Markers().move(Markers().find_id(id), delta);
}
template <class List>
void CMXMarkerListChannel<List>::MoveStart(uint32_t id, int ms) {
    Markers().move_start(Markers().find_id(id), ms);
}
template <class List>
void CMXMarkerListChannel<List>::MoveEnd(uint32_t id, int ms) {
    Markers().move_end(Markers().find_id(id), ms);
}
template <class List>
void CMXMarkerListChannel<List>::Erase(uint32_t id) {
    List& markers = Markers();
    const int i = markers.index_of_id(id);
    if (i >= 0) markers.erase(markers.begin() + i);
}

template <>
void CMXMarkerListChannel<event_marker_list>::MoveWhole(uint32_t id, int delta) {
    Markers().shift(Markers().find_id(id), delta);
}
template <>
void CMXMarkerListChannel<event_marker_list>::MoveEnd(uint32_t id, int ms) {
    if (og_marker* m = Markers().find_id(id)) clamp_set_end(*m, ms);
}

template class CMXMarkerListChannel<og_marker_list>;
template class CMXMarkerListChannel<event_marker_list>;
template class CMXMarkerListChannel<gesture_marker_list>;

// ---- creation ----

std::unique_ptr<CPhonarcChannelView> CreateMarkerChannel(const ChannelBand& band, const TimelineState* view,
                                                         ITimelineHost* host) {
    std::unique_ptr<CPhonarcChannelView> channel;
    const int track = std::clamp(band.track, 0, 2);
    switch (band.bit) {
        case kShowPhonemesTrack0:
        case kShowPhonemes:
        case kShowPhonemesTrack2: channel = std::make_unique<CMXChannelPhns>(view, host, track); break;
        case kShowPhonemeEnergy: channel = std::make_unique<CMXChannelPhnEnergy>(view, host, track); break;
        case kShowWords: channel = std::make_unique<CMXChannelWords>(view, host, track); break;
        case kShowEvents: channel = std::make_unique<CMXChannelEvents>(view, host, track); break;
        case kShowGestures: channel = std::make_unique<CMXChannelGestures>(view, host, track); break;
        default: break;
    }
    if (channel) {
        channel->displayBit = band.bit;
        channel->audioChannel = static_cast<uint16_t>(band.audioChannel);
        channel->band = band.band;
    }
    return channel;
}

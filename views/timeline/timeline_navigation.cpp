// Working the timeline view: scrolling and zoom, the selection and the cursor, double-click
// selection of markers, the margin's buttons and menu, context menus, keys, the phoneme edit box
// and the status texts.
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>

#include "app/core/phonarc_doc.h"

#include "app/core/command_ids.h"
#include "engine/audio/memory_pcm_stream.h"
#include "views/playback/viseme_handler.h"
#include "views/timeline/display_menu.h"
#include "views/timeline/phonarc_view.h"

namespace {

// Monotonic milliseconds for the double-click window.
int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool Holds(const BandRect& r, int x, int y) { return r.left <= x && x < r.right && r.top <= y && y < r.bottom; }

// The last marker of a list with start <= ms <= end; null when none.
template <class List>
const typename List::value_type* LastAt(const List& list, int ms) {
    const typename List::value_type* found = nullptr;
    for (const auto& m : list)
        if (m.start <= ms && ms <= m.end) found = &m;
    return found;
}

constexpr int kZoomOutLimit = 1 << 30;  // doubling past this would overflow the maps

}  // namespace

// ---- scrolling and zoom ----

void CPhonarcView::OnHScroll(ScrollCode code, int trackPosition) {
    SettleZoom();
    const int spp = std::max(state_.map.samplesPerPixel, 1);
    int64_t pos = state_.map.firstSample / spp;
    const int w = area_.Width();
    switch (code) {
        case kLineLeft: pos -= 10; break;
        case kLineRight: pos += 10; break;
        case kPageLeft: pos -= w / 2; break;
        case kPageRight: pos += w / 2; break;
        case kThumbPosition:
        case kThumbTrack: pos = trackPosition; break;
        case kLeftEnd: pos = 0; break;
        case kRightEnd: pos = StreamLength() / spp; break;
        case kEndScroll: return;
    }
    if (pos < 0) pos = 0;
    state_.map.firstSample = static_cast<int>(std::min<int64_t>(pos * spp, INT32_MAX));
    {
        const QSignalBlocker block(scrollBar_);
        scrollBar_->setValue(static_cast<int>(pos));
    }
    ruler_.SetFirstSample(static_cast<uint32_t>(state_.map.firstSample));
    update();
}

void CPhonarcView::ScrollToSample(int s) {
    SettleZoom();
    const int spp = std::max(state_.map.samplesPerPixel, 1);
    const int64_t first = state_.map.firstSample;
    if (s < first || s > first + int64_t{width()} * spp) OnHScroll(kThumbPosition, s / spp);
}

void CPhonarcView::ZoomIn() {
    SettleZoom();
    setFocus();
    if (state_.map.samplesPerPixel > 1) {
        state_.map.samplesPerPixel >>= 1;
        Rezoom(true);
    }
}

void CPhonarcView::ZoomOut() {
    SettleZoom();
    setFocus();
    if (state_.map.samplesPerPixel >= kZoomOutLimit) return;
    state_.map.samplesPerPixel <<= 1;
    Rezoom(false);
}

void CPhonarcView::Rezoom(bool keepCursor) {
    ruler_.SetSamplesPerPixel(static_cast<uint32_t>(state_.map.samplesPerPixel));
    const int64_t span = int64_t{XToSample(area_.right)} - XToSample(area_.left);
    if (keepCursor && state_.map.firstSample < selStart_ && state_.map.firstSample + span < selStart_) {
        state_.map.firstSample = static_cast<int>(selStart_ - span / 3);
        ruler_.SetFirstSample(static_cast<uint32_t>(state_.map.firstSample));
    }
    UpdateScrollBar();
    recompose_ = true;
    update();
}

// ---- selection ----

void CPhonarcView::SetSelection(int start, int end, bool scroll) {
    selStart_ = start;
    selEnd_ = end;
    if (scroll)
        ScrollToSample(start);
    else if (GetVisemeHandler() && stream_)
        ShowVisemeAt(static_cast<int>(stream_->FramesToMs(start)) + 1);
    update();
    UpdateStatusText(scroll);
    // A cursor that follows playback changes nothing the commands look at.
    if (!scroll && hooks_.stateChanged) hooks_.stateChanged();
}

void CPhonarcView::SelectAll() {
    selStart_ = 0;
    selEnd_ = StreamLength();
    update();
    if (hooks_.stateChanged) hooks_.stateChanged();
}

void CPhonarcView::Unselect() {
    selStart_ = selEnd_ = 0;
    update();
    if (hooks_.stateChanged) hooks_.stateChanged();
}

void CPhonarcView::UpdateStatusText(bool tracking) {
    status_[0] = QString::fromStdString(ruler_.FormatLabel(static_cast<uint32_t>(std::max(selStart_, 0))));
    status_[1] = QString::fromStdString(ruler_.FormatLabel(static_cast<uint32_t>(std::max(selEnd_, 0))));
    status_[2].clear();
    if (!tracking && stream_) {
        const int ms = static_cast<int>(stream_->FramesToMs(selStart_)) + 1;
        if (const phn_marker* p = LastAt(tracks_[1].phonemes, ms)) status_[2] = QString::fromStdString(p->label);
    }
    if (hooks_.statusPanes) hooks_.statusPanes(status_[0], status_[1], status_[2]);
}

void CPhonarcView::ShowVisemeAt(int ms) {
    IVisemeHandler* handler = GetVisemeHandler();
    if (!handler) return;
    if (const art_marker* a = LastAt(tracks_[1].articulation, ms)) {
        handler->SetVisemeMix(&a->key);
    } else if (const phn_marker* p = LastAt(tracks_[1].phonemes, ms)) {
        // Each call moves the mouth only part of the way to the shape.
        for (int i = 0; i < 3; ++i) handler->SetViseme(p->get_label(), static_cast<int32_t>(p->value));
    } else {
        handler->SetViseme("x", 0);
    }
}

void CPhonarcView::SelectMarkerAtPoint(int x, int y) {
    if (!stream_) return;
    const uint32_t c = ChannelAt(x, y);
    const int ms = static_cast<int>(stream_->FramesToMs(XToSample(x)));
    const og_marker* word = c == kShowWords ? LastAt(tracks_[1].words, ms) : nullptr;
    if (word) {
        SetSelection(stream_->MsToFrames(word->start), stream_->MsToFrames(word->end), false);
        currentTrack_ = 1;
    } else {
        const phn_marker_list* list = nullptr;
        if (c == kShowPhonemesTrack0) {
            list = &tracks_[0].phonemes;
        } else if (c == kShowPhonemes) {
            list = &tracks_[1].phonemes;
            currentTrack_ = 1;
        } else if (c == kShowPhonemesTrack2) {
            list = &tracks_[2].phonemes;
            currentTrack_ = 2;
        }
        if (!list || list->empty()) {
            list = &tracks_[0].phonemes;
            const phn_marker_list* order[] = {currentTrack_ == 2 ? &tracks_[2].phonemes : nullptr,
                                              &tracks_[1].phonemes, &tracks_[2].phonemes, &tracks_[0].phonemes};
            for (const phn_marker_list* l : order) {
                if (l && !l->empty()) {
                    list = l;
                    break;
                }
            }
        }
        const phn_marker* p = LastAt(*list, ms);
        if (p) {
            const int a = stream_->MsToFrames(p->start);
            int b = stream_->MsToFrames(p->end);
            if (a == selStart_) {
                // The phoneme already starts the selection: extend it by the phoneme after its end.
                const int endMs = static_cast<int>(stream_->FramesToMs(selEnd_));
                for (size_t i = static_cast<size_t>(p - list->data()); i < list->size(); ++i) {
                    if ((*list)[i].end == endMs) {
                        if (i + 1 < list->size()) b = stream_->MsToFrames((*list)[i + 1].end);
                        break;
                    }
                }
            }
            SetSelection(a, b, false);
        }
    }
    lastDoubleClickMs_ = NowMs();
}

// ---- mouse ----

uint32_t CPhonarcView::MouseFlags(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) const {
    uint32_t flags = 0;
    if (buttons & Qt::LeftButton) flags |= kMouseLeftButton;
    if (modifiers & Qt::ShiftModifier) flags |= kMouseShift;
    if (modifiers & Qt::ControlModifier) flags |= kMouseControl;
    return flags;
}

void CPhonarcView::OnMarginClick(int x, int y, const QPoint& global) {
    if (y < kMarginWidth) {
        QMenu* menu = MakeDisplayMenu(this, state_.displayMask, [this](uint32_t bit) { ToggleChannel(bit); });
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(global);
        return;
    }
    std::vector<uint32_t> hidden;
    for (const auto& channel : channels_) {
        if (channel->band.top < area_.top) continue;  // scrolled out of view
        const BandRect button{1, channel->band.top + 2, 8, channel->band.top + 9};
        if (Holds(button, x, y)) hidden.push_back(channel->displayBit);
    }
    for (uint32_t bit : hidden) ToggleChannel(bit);
}

void CPhonarcView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    setFocus();
    const int x = event->position().toPoint().x(), y = event->position().toPoint().y();
    if (x < kMarginWidth) {
        // The press that makes a double-click is followed by the double-click itself, which
        // selects; toggling here too would hide the channel that moved up under the pointer.
        if (!(event->flags() & Qt::MouseEventCreatedDoubleClick)) OnMarginClick(x, y, event->globalPosition().toPoint());
        return;
    }
    if (NowMs() < lastDoubleClickMs_ + kDoubleClickMs) {
        SelectMarkerAtPoint(x, y);
        return;
    }
    int from = 0, to = 0;
    const int s = state_.map.XToSampleRange(x, &from, &to);
    const uint32_t flags = MouseFlags(event->modifiers(), event->buttons());
    for (const auto& channel : channels_) {
        // A band scrolled up under the ruler takes no clicks there.
        if (y >= area_.top && Holds(channel->band, x, y) && channel->OnLButtonDown(x, y, flags)) return;
    }
    int start = selStart_, end = selEnd_;
    if (from <= start && start <= to) {
        dragMode_ = 2;
    } else if (from <= end && end <= to) {
        dragMode_ = 1;
    } else {
        start = end = s;
        dragMode_ = 1;
    }
    SetSelection(start, end, false);
}

void CPhonarcView::mouseMoveEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x(), y = event->position().toPoint().y();
    if (capturing_) {
        capturing_->OnMouseMove(x, y, MouseFlags(event->modifiers(), event->buttons()));
        return;
    }
    if (dragMode_ == 1 || dragMode_ == 2) {
        const int s = std::max(XToSample(x), 0);
        (dragMode_ == 1 ? selEnd_ : selStart_) = s;
        update();
        UpdateStatusText(false);
        return;
    }
    SetCursorShape(x, y);
}

void CPhonarcView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int x = event->position().toPoint().x(), y = event->position().toPoint().y();
    if (capturing_) capturing_->OnLButtonUp(x, y, MouseFlags(event->modifiers(), event->buttons()));
    dragMode_ = 0;
    if (selEnd_ < selStart_) {
        std::swap(selStart_, selEnd_);
        update();
        UpdateStatusText(false);
    }
}

void CPhonarcView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // In the margin too: the first click already toggled a button.
    const QPoint p = event->position().toPoint();
    SelectMarkerAtPoint(p.x(), p.y());
}

void CPhonarcView::SetCursorShape(int x, int y) {
    if (x < kMarginWidth) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    CPhonarcChannelView* channel = nullptr;
    ChannelAt(x, y, &channel);
    if (channel && channel->OnSetCursor(x, y)) return;
    const int s = XToSample(x), spp = state_.map.samplesPerPixel;
    const int lo = std::max(s - spp, 0), hi = s + spp;
    const bool onEdge = (lo <= selStart_ && selStart_ <= hi) || (lo <= selEnd_ && selEnd_ <= hi);
    setCursor(onEdge ? Qt::SizeHorCursor : Qt::ArrowCursor);
}

void CPhonarcView::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint p = event->pos(), global = event->globalPos();
    for (const auto& channel : channels_)
        if (Holds(channel->band, p.x(), p.y()) && channel->OnContextMenu(global.x(), global.y())) return;
    // The menu's marker commands act on the selection. A right-click outside it moves the cursor
    // to the pointer as a left click does, so they act on the marker that was clicked, not on a
    // selection that may be off-screen.
    if (p.x() >= kMarginWidth && stream_) {
        int from = 0, to = 0;
        const int s = state_.map.XToSampleRange(p.x(), &from, &to);
        const int lo = std::min(selStart_, selEnd_), hi = std::max(selStart_, selEnd_);
        if (to < lo || from > hi) SetSelection(s, s, false);
    }
    if (hooks_.contextMenu) hooks_.contextMenu(global);
}

void CPhonarcView::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const int d = delta.y() != 0 ? delta.y() : delta.x();
    if (d == 0) return;
    if (event->modifiers() & Qt::ControlModifier) {
        d > 0 ? ZoomIn() : ZoomOut();
    } else {
        OnHScroll(d > 0 ? kLineLeft : kLineRight);
    }
    event->accept();
}

// ---- keys and the phoneme edit box ----

void CPhonarcView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_F5:
            // Holding the key down must not toggle again and again.
            if (!event->isAutoRepeat()) OnPlay();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter: SetPhonemeAtCursor(); return;
        case Qt::Key_Delete:
            if (hooks_.runCommand) hooks_.runCommand(cmd::DeleteMarkers);
            return;
        case Qt::Key_Home:
            SetSelection(0, 0, false);
            OnHScroll(kLeftEnd);
            return;
        case Qt::Key_End:
            SetSelection(StreamLength(), StreamLength(), true);
            return;
        default: break;
    }
    // A letter held with Alt, Ctrl or Meta is a menu mnemonic or a shortcut that reached the view
    // (before the window is active, say), never a phoneme: typed, Return would set it.
    const bool commandKey = event->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier);
    const QString text = event->text();
    if (!commandKey && text.size() == 1 && text[0].isLetter()) {
        typed_ = text.toStdString();
        phonemeEdit_->setText(text);
        return;
    }
    QWidget::keyPressEvent(event);
}

bool CPhonarcView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == phonemeEdit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            SetPhonemeAtCursor();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CPhonarcView::SetPhonemeAtCursor() {
    typed_ = phonemeEdit_->text().trimmed().toStdString();
    int s = 0, e = 0;
    if (!typed_.empty() && doc_.GetSelectionMs(&s, &e) && hooks_.setPhoneme) hooks_.setPhoneme(typed_);
    phonemeEdit_->clear();
    typed_.clear();
}

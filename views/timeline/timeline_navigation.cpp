// Working the timeline view: scrolling and zoom, the selection and the cursor, double-click
// selection of markers, the margin's buttons and menu, context menus, keys, the phoneme edit box,
// the status texts and the playback commands.
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

}  // namespace

// ---- scrolling and zoom ----

void CPhonarcView::OnHScroll(ScrollCode code, int trackPosition) {
    SettleZoom();
    if (code == kEndScroll) return;
    const int pos = selection_.Scroll(code, trackPosition, area_.Width(), StreamLength());
    {
        const QSignalBlocker block(scrollBar_);
        scrollBar_->setValue(pos);
    }
    ruler_.SetFirstSample(static_cast<uint32_t>(state_.map.firstSample));
    update();
}

void CPhonarcView::ScrollToSample(int s) {
    SettleZoom();
    if (selection_.Hides(s, width())) OnHScroll(kThumbPosition, s / std::max(state_.map.samplesPerPixel, 1));
}

void CPhonarcView::ZoomIn() {
    SettleZoom();
    setFocus();
    if (selection_.ZoomIn()) Rezoom(true);
}

void CPhonarcView::ZoomOut() {
    SettleZoom();
    setFocus();
    if (selection_.ZoomOut()) Rezoom(false);
}

void CPhonarcView::Rezoom(bool keepCursor) {
    ruler_.SetSamplesPerPixel(static_cast<uint32_t>(state_.map.samplesPerPixel));
    const int64_t span = int64_t{XToSample(area_.right)} - XToSample(area_.left);
    if (keepCursor && selection_.KeepStartInView(span)) ruler_.SetFirstSample(static_cast<uint32_t>(state_.map.firstSample));
    UpdateScrollBar();
    recompose_ = true;
    update();
}

// ---- selection ----

void CPhonarcView::SetSelection(int start, int end, bool scroll) {
    selection_.Select(start, end);
    if (scroll)
        ScrollToSample(start);
    else if (GetVisemeHandler() && stream_)
        ShowVisemeAt(static_cast<int>(stream_->FramesToMs(start)) + 1);
    update();
    UpdateStatusText(scroll);
    // A cursor that follows playback changes nothing the commands look at.
    if (!scroll) NotifyStateChanged();
}

void CPhonarcView::SelectAll() {
    selection_.Select(0, StreamLength());
    update();
    NotifyStateChanged();
}

void CPhonarcView::Unselect() {
    selection_.Select(0, 0);
    update();
    NotifyStateChanged();
}

void CPhonarcView::UpdateStatusText(bool tracking) {
    status_[0] = QString::fromStdString(ruler_.FormatLabel(static_cast<uint32_t>(std::max(selection_.Start(), 0))));
    status_[1] = QString::fromStdString(ruler_.FormatLabel(static_cast<uint32_t>(std::max(selection_.End(), 0))));
    status_[2].clear();
    if (!tracking && stream_) {
        const int ms = static_cast<int>(stream_->FramesToMs(selection_.Start())) + 1;
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

void CPhonarcView::ShowVisemeAtCursor() {
    IVisemeHandler* handler = GetVisemeHandler();
    if (!handler || IsPlaying()) return;
    if (stream_)
        ShowVisemeAt(static_cast<int>(stream_->FramesToMs(std::max(selection_.Start(), 0))) + 1);
    else
        handler->SetViseme("x", 0);
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
            if (a == selection_.Start()) {
                // The phoneme already starts the selection: extend it by the phoneme after its end.
                const int endMs = static_cast<int>(stream_->FramesToMs(selection_.End()));
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
    dragEdge_ = selection_.EdgeWithin(from, to);
    if (dragEdge_ == timeline_selection_map::kNoEdge) {
        // Far from both ends a press starts a new cursor, whose end the drag moves.
        dragEdge_ = timeline_selection_map::kEndEdge;
        SetSelection(s, s, false);
    } else {
        SetSelection(selection_.Start(), selection_.End(), false);
    }
}

void CPhonarcView::mouseMoveEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x(), y = event->position().toPoint().y();
    if (capturing_) {
        capturing_->OnMouseMove(x, y, MouseFlags(event->modifiers(), event->buttons()));
        return;
    }
    if (dragEdge_ != timeline_selection_map::kNoEdge) {
        selection_.DragEdge(dragEdge_, XToSample(x));
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
    dragEdge_ = timeline_selection_map::kNoEdge;
    if (selection_.OrderEnds()) {
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
    setCursor(selection_.EndNear(XToSample(x)) ? Qt::SizeHorCursor : Qt::ArrowCursor);
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
        if (selection_.Outside(from, to)) SetSelection(s, s, false);
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

// ---- playback ----

void CPhonarcView::OnPlay() { playback_->PlayOrStop(); }

bool CPhonarcView::IsPlaying() const { return playback_->IsPlaying(); }

void CPhonarcView::StopPlayback() { playback_->StopPlayback(); }

void CPhonarcView::OnRewind() {
    playback_->Stop();
    SetSelection(0, 0, false);
}

// The Flash gesture channel; see flash_gesture_channel.h.
#include "views/flash_channel/flash_gesture_channel.h"

#include "app/core/command_ids.h"

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QMenu>
#include <QPainter>

#include <algorithm>

#include "app/core/command_router.h"
#include "app/core/command_table.h"
#include "app/core/flash_gesture_commands.h"
#include "app/core/phonarc_doc_flash.h"
#include "views/offscreen/offscreen_dib.h"

namespace {

constexpr const char* kTextMove = "Move";

// The pop-up's items from the command tree, with the states and texts the rows give.
void AddFromTree(std::span<const MenuItem> items, const CCommandRouter& router, channel_menu* out) {
    const auto command = [&router](int id, const std::string& own) {
        const CommandState state = router.Update(id);
        return channel_menu_item{id, state.text ? *state.text : own, state.enabled, {}};
    };
    for (const MenuItem& item : items) {
        switch (item.kind) {
        case MenuKind::Separator: out->push_back({}); break;
        case MenuKind::Command: out->push_back(command(item.id, MenuItemText(item))); break;
        case MenuKind::SubMenu: {
            // Offered even when empty, greyed, so the user sees where gestures come from.
            channel_menu_item sub{0, item.text, true, {}};
            AddFromTree(item.items, router, &sub.submenu);
            sub.enabled = !sub.submenu.empty();
            out->push_back(sub);
            break;
        }
        case MenuKind::List:
            for (int id = item.id; router.Has(id); ++id) out->push_back(command(id, ""));
            break;
        }
    }
}

void AddItems(QMenu& menu, const channel_menu& items) {
    for (const channel_menu_item& item : items) {
        if (!item.submenu.empty() || (item.id == 0 && !item.text.empty())) {
            QMenu* sub = menu.addMenu(QString::fromStdString(item.text));
            sub->setEnabled(item.enabled);
            AddItems(*sub, item.submenu);
        } else if (item.id == 0) {
            menu.addSeparator();
        } else {
            QAction* a = menu.addAction(QString::fromStdString(item.text));
            a->setData(item.id);
            a->setEnabled(item.enabled);
        }
    }
}

}  // namespace

int PopupChannelMenu(const channel_menu& items, int screenX, int screenY) {
    QMenu menu;
    AddItems(menu, items);
    QAction* chosen = menu.exec(QPoint(screenX, screenY));
    return chosen ? chosen->data().toInt() : 0;
}

CMXChannelSWFGestures::CMXChannelSWFGestures(const TimelineState* v, CPhonarcDocFlash* document, ITimelineHost* host)
    : CPhonarcChannelView(v), document_(document), host_(host), font_(QFontDatabase::systemFont(QFontDatabase::GeneralFont)) {
    displayBit = kShowFlashGestures;
    font_.setPixelSize(11);
}

const FZuvoAnim* CMXChannelSWFGestures::Shown() const {
    if (dragKind_ != kNone) return &working_;
    return document_ ? document_->GetAnim() : nullptr;
}

const FGesture* CMXChannelSWFGestures::GestureAt(int x, int* fromMs, int* toMs) const {
    int from = 0, to = 0;
    const int ms = view->map.XToMsRange(view->stream, x, &from, &to);
    if (fromMs) *fromMs = from;
    if (toMs) *toMs = to;
    const FZuvoAnim* anim = document_ ? document_->GetAnim() : nullptr;
    if (!anim) return nullptr;
    const gesture_marker_list& list = *anim->get_gestures();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (it->start <= ms && ms <= it->end) return &*it;
    // A gesture shorter than a pixel (a point gesture has no length at all) may not hold the time
    // of the pixel's left edge; it is still drawn in this pixel, and picked there.
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (view->map.MsToX(view->stream, it->start) <= x && x <= view->map.MsToX(view->stream, it->end)) return &*it;
    return nullptr;
}

int CMXChannelSWFGestures::HitTest(int x, int, uint32_t flags) {
    if (dragKind_ != kNone) return dragKind_;
    int from = 0, to = 0;
    const FGesture* g = GestureAt(x, &from, &to);
    if (!g) return kNone;
    if (from <= g->start && g->start <= to) return kStartEdge;
    if (from <= g->end && g->end <= to) return kEndEdge;
    return (flags & kMouseControl) ? kWhole : kNone;
}

void CMXChannelSWFGestures::Draw(COffscreenDib& backBuffer, const BandRect& rc) {
    const FZuvoAnim* anim = Shown();
    if (!anim || !backBuffer.IsValid()) return;
    const int fromMs = view->map.XToMs(view->stream, rc.left);
    const int toMs = view->map.XToMs(view->stream, rc.right);
    QPainter p(&backBuffer.Image());
    p.setClipRect(QRect(rc.left, rc.top, rc.Width(), rc.Height()));
    p.setFont(font_);
    const int top = band.top + 3;
    const int bottom = band.bottom - 2;
    for (const FGesture& g : *anim->get_gestures()) {
        if (g.end < fromMs || g.start > toMs) continue;
        const int x1 = view->map.MsToX(view->stream, g.start);
        const int x2 = view->map.MsToX(view->stream, g.end);
        p.fillRect(QRect(x1, top, x2 - x1, bottom - top), grey);
        p.setPen(Qt::black);
        p.drawLine(x1, top, x1, bottom - 1);
        p.drawLine(x2, top, x2, bottom - 1);
        p.drawText(QRect(x1 + 1, band.top + 4, std::max(0, x2 - x1 - 1), 12), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromStdString(g.pose_name));
        p.drawText(QRect(x1 + 1, band.top + 15, std::max(0, x2 - x1 - 1), 12), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromStdString(g.gesture_name));
    }
}

bool CMXChannelSWFGestures::OnSetCursor(int x, int y) {
    const bool control =
        host_ ? host_->IsControlDown() : (QApplication::keyboardModifiers() & Qt::ControlModifier) != 0;
    const int kind = HitTest(x, y, control ? static_cast<int>(kMouseControl) : 0);
    if (kind == kNone) return false;
    if (host_) host_->SetChannelCursor(kind == kWhole ? Qt::SizeAllCursor : Qt::SizeHorCursor);
    return true;
}

bool CMXChannelSWFGestures::OnLButtonDown(int x, int y, uint32_t flags) {
    const int kind = HitTest(x, y, flags);
    changed_ = false;
    const int ms = view->map.XToMs(view->stream, x);
    const FGesture* g = kind == kNone ? nullptr : GestureAt(x);
    if (!g) return false;
    lastX_ = lastY_ = 32767;
    grabbedId_ = g->id;
    grabStart_ = g->start;
    grabEnd_ = g->end;
    working_ = *document_->GetAnim();
    dragKind_ = kind;
    grabMs_ = ms;
    if (host_) host_->SetCapturingChannel(this);
    return true;
}

void CMXChannelSWFGestures::OnMouseMove(int x, int y, uint32_t) {
    if (dragKind_ == kNone || (x == lastX_ && y == lastY_)) return;
    const int ms = view->map.XToMs(view->stream, x);
    if (!working_.get_gestures()->find_id(grabbedId_)) return;
    // As an added gesture is cut, a dragged one ends with the recording at the latest.
    const int length = FlashRecordingLengthMs(*document_);
    if (dragKind_ == kStartEdge) {
        working_.move_gesture_start(grabbedId_, ms);
    } else if (dragKind_ == kEndEdge) {
        working_.move_gesture_end(grabbedId_, length > 0 ? std::min(ms, length) : ms);
    } else {
        // The whole gesture follows the pointer from where it was grabbed; the edge that leads
        // moves first so the gesture never turns inside out. Its end stops at the recording's.
        working_ = *document_->GetAnim();
        int d = ms - grabMs_;
        if (length > 0 && d > 0) d = std::min(d, std::max(0, length - grabEnd_));
        if (d > 0) {
            working_.move_gesture_end(grabbedId_, grabEnd_ + d);
            working_.move_gesture_start(grabbedId_, grabStart_ + d);
        } else if (d < 0) {
            working_.move_gesture_start(grabbedId_, grabStart_ + d);
            working_.move_gesture_end(grabbedId_, grabEnd_ + d);
        }
    }
    lastX_ = x;
    lastY_ = y;
    // A drag the rules held back (at the recording's end, say) commits no step.
    const gesture_marker_list& moved = *working_.get_gestures();
    const int at = moved.index_of_id(grabbedId_);
    changed_ = at >= 0 && (moved[at].start != grabStart_ || moved[at].end != grabEnd_);
    if (host_) host_->RedrawChannels(false);
}

void CMXChannelSWFGestures::OnLButtonUp(int, int, uint32_t) {
    if (host_) host_->SetCapturingChannel(nullptr);
    if (dragKind_ != kNone && changed_) document_->CommitAnim(kTextMove, working_);
    dragKind_ = kNone;
}

channel_menu CMXChannelSWFGestures::BuildMenu(const FGesture* under) const {
    channel_menu menu;
    if (!document_) return menu;
    flash_gesture_target target{document_, under != nullptr, under ? under->id : 0};
    CCommandRouter router;
    InstallCommandRows(router, FlashGestureCommandRows(*document_), target);
    AddFromTree(FindMenuTree(menu_id::FlashGestureChannel)->items, router, &menu);
    return menu;
}

bool CMXChannelSWFGestures::OnContextMenu(int screenX, int screenY) {
    if (!document_) return true;
    int x = screenX, y = screenY;
    if (host_) host_->MapFromScreen(screenX, screenY, &x, &y);
    // The gesture is taken now: while the menu is open playback may scroll the view, and the
    // command is for the gesture the user clicked.
    const FGesture* clicked = GestureAt(x);
    const channel_menu menu = BuildMenu(clicked);
    const uint32_t clickedId = clicked ? clicked->id : 0;
    const bool hadGesture = clicked != nullptr;
    const int id = popup ? popup(menu, screenX, screenY) : PopupChannelMenu(menu, screenX, screenY);
    if (id != 0) RunMenuCommandOn(id, hadGesture, clickedId);
    return true;
}

void CMXChannelSWFGestures::RunMenuCommand(int id, int x) {
    const FGesture* under = GestureAt(x);
    RunMenuCommandOn(id, under != nullptr, under ? under->id : 0);
}

void CMXChannelSWFGestures::RunMenuCommandOn(int id, bool hasGesture, uint32_t gestureId) {
    if (!document_) return;
    // The rows of the document as it is now: the gesture may have gone while the menu was open.
    flash_gesture_target target{document_, hasGesture, gestureId};
    CCommandRouter router;
    InstallCommandRows(router, FlashGestureCommandRows(*document_), target);
    router.Execute(id);
}

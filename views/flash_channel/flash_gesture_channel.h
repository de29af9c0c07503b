// The Flash gesture channel of the timeline: the gestures of the Flash document's animation as
// grey spans with their pose and gesture names. Their edges are dragged with the mouse (Ctrl drags
// the whole gesture); the context menu, the command tree's pop-up with the commands of
// app/core/flash_gesture_commands.h on the channel's own document, adds template gestures,
// deletes one or changes it to the clip selected in the gestures bar. Every change is one undoable
// step of the document.
#pragma once

#include "app/core/command_ids.h"
#include "app/core/display_channels.h"

#include <QColor>
#include <QFont>
#include <Qt>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "flash/zuvo_anim.h"
#include "views/timeline/channel_view.h"
#include "views/timeline/timeline_host.h"

class CPhonarcDocFlash;

// A context menu, described so that it can be shown by Qt or chosen from by a test.
struct channel_menu_item {
    int id = 0;  // 0 without text: a separator; 0 with text: a sub-menu titled text
    std::string text;
    bool enabled = true;
    std::vector<channel_menu_item> submenu;  // the sub-menu's items (it may have none)
};
using channel_menu = std::vector<channel_menu_item>;

// Shows the menu with a QMenu at the screen point; the chosen id, 0 for none.
int PopupChannelMenu(const channel_menu& menu, int screenX, int screenY);

// GUI thread only.
class CMXChannelSWFGestures : public CPhonarcChannelView {
public:
    static constexpr int kHeight = 80;

    // Drag kinds and hit-test results.
    enum { kNone = 0, kWhole = 1, kStartEdge = 2, kEndEdge = 4 };

    // The view reaches the channel's capture, redraws, cursor and screen points; without one those
    // do nothing and Ctrl is the application's.
    CMXChannelSWFGestures(const TimelineState* view, CPhonarcDocFlash* document, ITimelineHost* host = nullptr);

    void Draw(COffscreenDib& backBuffer, const BandRect& rc) override;
    bool OnSetCursor(int x, int y) override;
    bool OnLButtonDown(int x, int y, uint32_t flags) override;
    void OnMouseMove(int x, int y, uint32_t flags) override;
    void OnLButtonUp(int x, int y, uint32_t flags) override;
    bool OnContextMenu(int screenX, int screenY) override;
    virtual int HitTest(int x, int y, uint32_t flags);

    // The menu the context menu shows for the gesture under x (none: delete and change greyed).
    channel_menu BuildMenu(const FGesture* under) const;
    // Runs a menu command for the gesture under x.
    void RunMenuCommand(int id, int x);
    // Runs a menu command for the gesture of that serial id (hasGesture false: none was under
    // the pointer).
    void RunMenuCommandOn(int id, bool hasGesture, uint32_t gestureId);
    // The last gesture of the animation shown whose span holds the time of x, else the last one
    // drawn in x's pixel (one too short to hold the time its left edge maps to); null when none.
    const FGesture* GestureAt(int x, int* fromMs = nullptr, int* toMs = nullptr) const;
    bool Dragging() const { return dragKind_ != kNone; }
    const FZuvoAnim& WorkingCopy() const { return working_; }

    // Unset: PopupChannelMenu.
    std::function<int(const channel_menu&, int screenX, int screenY)> popup;
    QColor grey = QColor(0xC4, 0xC4, 0xC4);  // the timeline's grey brush

private:
    const FZuvoAnim* Shown() const;

    CPhonarcDocFlash* document_;
    ITimelineHost* host_;
    FZuvoAnim working_;
    int dragKind_ = kNone;
    int lastX_ = 32767;
    int lastY_ = 32767;
    int grabMs_ = 0;
    bool changed_ = false;
    uint32_t grabbedId_ = 0;
    int grabStart_ = 0;
    int grabEnd_ = 0;
    QFont font_;
};

// The marker channels of the timeline: phonemes (tracks 0, 1 and 2), phoneme energy, words, user
// events and gestures, drawn as labelled spans and edited with the mouse. A drag edits the view's
// copy of the track so the change shows at once; the release hands the copy to the document as
// one undoable step. A channel without a host only draws. GUI thread only.
#pragma once

#include <Qt>
#include <cstdint>
#include <memory>
#include <string>

#include "model/app_sync_results.h"
#include "views/timeline/channel_view.h"
#include "views/timeline/timeline_host.h"

// Mouse flags as the view passes them to the channels.
constexpr uint32_t kMouseFlagLeft = kMouseLeftButton;
constexpr uint32_t kMouseFlagShift = kMouseShift;
constexpr uint32_t kMouseFlagControl = kMouseControl;

// Undo names of the drags.
inline constexpr const char* kUndoMovePhoneme = "Move Phoneme";
inline constexpr const char* kUndoEnergy = "Energy";
inline constexpr const char* kUndoMoveWords = "Move Words";
inline constexpr const char* kUndoMoveEvent = "Move Event";
inline constexpr const char* kUndoMoveGestures = "Move Gestures";

// A dragged word, event or gesture is deleted once the pointer is this far above or below the band.
constexpr int kDragOutMargin = 12;
// Energies 0 .. 100 stand 0 .. 50 pixels above a baseline 8 pixels over the band's bottom.
constexpr int kEnergyBaselineOffset = 8;

// Fields every marker channel shares: its track and the view.
class CMXMarkerChannel : public CPhonarcChannelView {
public:
    CMXMarkerChannel(const TimelineState* view, ITimelineHost* host, int track)
        : CPhonarcChannelView(view), host(host), track(track) {}

    ITimelineHost* host;  // the view, which owns the channel; null: the channel only draws
    int track;

protected:
    // The track drawn: the host's copy, or without a host the view state's (none: empty).
    const app_sync_results& Shown() const;
    // The track a drag edits; only with a host.
    app_sync_results& Track() { return host->Track(track); }
    int XToMs(int x) const;
    int MsToX(int ms) const;
    int XToMsRange(int x, int* from, int* to) const;
    void Commit(const char* name, int start, int end);
};

// Phonemes of one track. Drag kinds: 1 start edge, 2 end edge, 4 whole phoneme (Ctrl).
class CMXChannelPhns : public CMXMarkerChannel {
public:
    static constexpr int kNoPoint = 524287;
    static constexpr uint32_t kNoId = 0xFFFFFFFFu;
    enum Kind { kNone = 0, kStartEdge = 1, kEndEdge = 2, kWhole = 4 };

    using CMXMarkerChannel::CMXMarkerChannel;
    void Draw(COffscreenDib& backBuffer, const BandRect& rc) override;
    bool OnSetCursor(int x, int y) override;
    bool OnLButtonDown(int x, int y, uint32_t flags) override;
    void OnMouseMove(int x, int y, uint32_t flags) override;
    void OnLButtonUp(int x, int y, uint32_t flags) override;
    // The kind of drag a press at x would start; marker gets the phoneme's index (-1 when none).
    int HitTest(int x, int y, bool control, int* marker);

    bool changed = false;
    uint32_t leftId = kNoId;
    uint32_t rightId = kNoId;
    int grabMs = 0;
    phn_marker_list snapshot;
    int lastX = kNoPoint;
    int lastY = kNoPoint;
    int dragKind = kNone;
};

// Energies of track 1's phonemes as bars over a baseline; Ctrl-click sets one. No drag.
class CMXChannelPhnEnergy : public CMXMarkerChannel {
public:
    using CMXMarkerChannel::CMXMarkerChannel;
    void Draw(COffscreenDib& backBuffer, const BandRect& rc) override;
    bool OnLButtonDown(int x, int y, uint32_t flags) override;
};

// The words, events and gestures channels share their drag: kinds 1 whole marker (Ctrl; dragged
// out of the band it is deleted), 2 start edge, 4 end edge. The grabbed marker is found again by
// its id after every list operation, which may reorder the list.
class CMXSpanChannel : public CMXMarkerChannel {
public:
    static constexpr int kNoPoint = 32767;
    enum Kind { kNone = 0, kWhole = 1, kStartEdge = 2, kEndEdge = 4 };

    using CMXMarkerChannel::CMXMarkerChannel;
    void Draw(COffscreenDib& backBuffer, const BandRect& rc) override;
    bool OnSetCursor(int x, int y) override;
    bool OnLButtonDown(int x, int y, uint32_t flags) override;
    void OnMouseMove(int x, int y, uint32_t flags) override;
    void OnLButtonUp(int x, int y, uint32_t flags) override;
    int HitTest(int x, int y, bool control);

    int dragKind = kNone;
    int lastX = kNoPoint;
    int lastY = kNoPoint;
    int grabMs = 0;
    bool changed = false;
    uint32_t grabbedId = 0;

protected:
    // The channel's list, read through the common marker fields.
    virtual int Count() = 0;
    virtual const marker_base& At(int i) = 0;
    virtual void TakeSnapshot() = 0;
    virtual void RestoreSnapshot() = 0;
    virtual bool Exists(uint32_t id) = 0;
    virtual void MoveWhole(uint32_t id, int delta) = 0;
    virtual void MoveStart(uint32_t id, int ms) = 0;
    virtual void MoveEnd(uint32_t id, int ms) = 0;
    virtual void Erase(uint32_t id) = 0;
    virtual const char* UndoName() const = 0;

private:
    int MarkerAt(int ms);
};

// A span channel over one list of the track copy: words, events or gestures (the only lists it is
// built for).
template <class List>
class CMXMarkerListChannel : public CMXSpanChannel {
public:
    CMXMarkerListChannel(const TimelineState* view, ITimelineHost* host, int track, List app_sync_results::*list,
                         const char* undoName)
        : CMXSpanChannel(view, host, track), list_(list), undoName_(undoName) {}
    List snapshot;

protected:
    List& Markers() { return Track().*list_; }
    const List& ShownMarkers() const { return Shown().*list_; }
    int Count() override;
    const marker_base& At(int i) override;
    void TakeSnapshot() override;
    void RestoreSnapshot() override;
    bool Exists(uint32_t id) override;
    void MoveWhole(uint32_t id, int delta) override;
    void MoveStart(uint32_t id, int ms) override;
    void MoveEnd(uint32_t id, int ms) override;
    void Erase(uint32_t id) override;
    const char* UndoName() const override { return undoName_; }

private:
    List app_sync_results::*list_;
    const char* undoName_;
};

class CMXChannelWords : public CMXMarkerListChannel<og_marker_list> {
public:
    CMXChannelWords(const TimelineState* view, ITimelineHost* host, int track)
        : CMXMarkerListChannel(view, host, track, &app_sync_results::words, kUndoMoveWords) {}
};

// The track's XML events.
class CMXChannelEvents : public CMXMarkerListChannel<event_marker_list> {
public:
    CMXChannelEvents(const TimelineState* view, ITimelineHost* host, int track)
        : CMXMarkerListChannel(view, host, track, &app_sync_results::xml_events, kUndoMoveEvent) {}
};

class CMXChannelGestures : public CMXMarkerListChannel<gesture_marker_list> {
public:
    CMXChannelGestures(const TimelineState* view, ITimelineHost* host, int track)
        : CMXMarkerListChannel(view, host, track, &app_sync_results::gestures, kUndoMoveGestures) {}
};

// The channel object for a marker bit of the channel table (phonemes of tracks 0 .. 2, phoneme
// energy, words, events, gestures), with its bit, audio channel and band set; null for any other bit.
// Without a host it draws view->tracks and takes no mouse event.
std::unique_ptr<CPhonarcChannelView> CreateMarkerChannel(const ChannelBand& band, const TimelineState* view,
                                                         ITimelineHost* host);

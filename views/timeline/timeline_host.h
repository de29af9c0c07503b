// What a channel may ask of the view that owns it beyond the state it draws from: the view's copies
// of the result tracks, the mouse capture of a drag, redraws, the cursor, and handing an edited
// track to the document. The marker channels edit through it; GUI thread only.
#pragma once

#include <Qt>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class app_sync_results;
class CPhonarcChannelView;
struct ChannelBand;
struct TimelineState;

// Mouse flags handed to the channels with every button and move event.
enum : uint32_t {
    kMouseLeftButton = 0x1,
    kMouseShift = 0x4,
    kMouseControl = 0x8,
};

class ITimelineHost {
public:
    virtual ~ITimelineHost() = default;
    // The view's copy of track 0, 1 or 2; a drag edits it in place so the change shows at once.
    virtual app_sync_results& Track(int index) = 0;
    // While a channel holds the capture, every move and the button-up go to it alone; it clears
    // the capture on its button-up.
    virtual void SetCapturingChannel(CPhonarcChannelView* channel) = 0;
    virtual CPhonarcChannelView* CapturingChannel() const = 0;
    // all: the whole view; otherwise only the marker channels' bands.
    virtual void RedrawChannels(bool all) = 0;
    // Hands the view's copy of the track to the document as one undoable step; the articulation is
    // redone around [startMs, endMs] unless either is -1.
    virtual void CommitTrackEdit(const std::string& name, int track, int startMs, int endMs) = 0;
    // Whether Ctrl is held now: the cursor hit test has no mouse flags.
    virtual bool IsControlDown() const = 0;
    virtual void SetChannelCursor(Qt::CursorShape shape) = 0;
    // The view's client point of a screen point, for a context menu.
    virtual void MapFromScreen(int screenX, int screenY, int* x, int* y) const = 0;
};

// Makes the channel of a band the view's own channels leave (the Flash gestures) with its bit,
// audio channel and band set; null when it makes none for that band.
using MarkerChannelFactory =
    std::function<std::unique_ptr<CPhonarcChannelView>(const ChannelBand& band, const TimelineState* view)>;

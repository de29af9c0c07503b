// The channels of the timeline: the base class every band derives from, and what the channels
// read from the view that owns them. GUI thread only.
#pragma once

#include <cstdint>

#include "views/timeline/timeline_layout.h"

class app_sync_results;
class COffscreenDib;
class CSignalSummaries;
class ITimelineHost;
class ISpectralDataSource;
class IMemoryPCMStream;

// The view's state that the channels read while they draw.
struct TimelineState {
    TimeMap map;
    uint32_t displayMask = 0;
    IMemoryPCMStream* stream = nullptr;
    int spectralWindow = kSpectralWindow;
    // Per-recording summaries; null makes every channel compute from the samples at each paint.
    CSignalSummaries* summaries = nullptr;
    // The view itself, for the channels that edit; null when the channels only draw.
    ITimelineHost* host = nullptr;
    // The view's copies of the three tracks, which the marker channels draw; null: no markers.
    const app_sync_results* tracks = nullptr;
};

// A band of the timeline. The base class is the empty box channel; it draws nothing and handles
// no mouse event.
class CPhonarcChannelView {
public:
    explicit CPhonarcChannelView(const TimelineState* view);
    virtual ~CPhonarcChannelView() = default;

    // Redraws the columns of rc (inside the band) into the back buffer.
    virtual void Draw(COffscreenDib& backBuffer, const BandRect& rc);
    // True when the channel handled the event.
    virtual bool OnSetCursor(int x, int y);
    virtual bool OnLButtonDown(int x, int y, uint32_t flags);
    virtual void OnMouseMove(int x, int y, uint32_t flags);
    virtual void OnLButtonUp(int x, int y, uint32_t flags);
    virtual bool OnContextMenu(int screenX, int screenY);

    uint32_t displayBit = 0;
    uint16_t audioChannel = 0;
    BandRect band;
    const TimelineState* view;
    int windowSize;
    IMemoryPCMStream* stream;
};

// Test and benchmark support for the marker channels: a view stand-in that keeps the track copies
// the document sends, records captures and redraws, and has the channels of a mask laid out.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "app/core/document_host.h"
#include "app/core/phonarc_doc.h"
#include "views/timeline/marker_channels.h"
#include "views/timeline/timeline_composer.h"

namespace timeline_test {

class MarkerHost : public ITimelineHost, public document_view {
public:
    explicit MarkerHost(CPhonarcDoc* doc) : doc_(doc) {
        if (doc_) {
            doc_->AddView(this);
            for (int i = 0; i < 3; ++i) tracks[i] = doc_->track(i);
        }
    }
    ~MarkerHost() override {
        if (doc_) doc_->RemoveView(this);
    }

    // document_view
    void SetTracks(const app_sync_results* t) override {
        for (int i = 0; i < 3; ++i) tracks[i] = t[i];
    }
    void RedrawChannels(bool all) override {
        ++redraws;
        if (onRedraw) onRedraw(all);
    }

    // ITimelineHost
    app_sync_results& Track(int index) override { return tracks[index]; }
    void SetCapturingChannel(CPhonarcChannelView* channel) override { capture = channel; }
    CPhonarcChannelView* CapturingChannel() const override { return capture; }
    void CommitTrackEdit(const std::string& name, int track, int startMs, int endMs) override {
        if (!doc_) return;
        const app_sync_results edited = tracks[track];  // the document sends the tracks back here
        doc_->CommitTrackEdit(name, edited, track, startMs, endMs);
    }
    bool IsControlDown() const override { return control; }
    void SetChannelCursor(Qt::CursorShape shape) override { cursor = shape; }
    void MapFromScreen(int screenX, int screenY, int* x, int* y) const override {
        *x = screenX;
        *y = screenY;
    }

    // The marker channels of the mask laid out over area, the way the view makes them.
    ChannelList MakeChannels(const TimelineState* view, const BandRect& area) {
        ChannelList channels;
        for (const ChannelBand& band : LayoutChannels(view->displayMask, 1, area)) {
            if (auto channel = CreateMarkerChannel(band, view, this)) channels.push_back(std::move(channel));
        }
        return channels;
    }

    app_sync_results tracks[3];
    CPhonarcChannelView* capture = nullptr;
    bool control = false;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    int redraws = 0;
    std::function<void(bool)> onRedraw;

private:
    CPhonarcDoc* doc_;
};

}  // namespace timeline_test

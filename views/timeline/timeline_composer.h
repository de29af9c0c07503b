// Composition of the timeline into its back buffer: the full redraw of ruler, channel bands and
// left margin, and the selection inverted over it. The timeline view calls these from its paint.
#pragma once

#include <QColor>
#include <memory>
#include <vector>

#include "views/timeline/channel_view.h"

class COffscreenDib;
class CWinRulerView;
class ISpectralDataSource;
class QPainter;

using ChannelList = std::vector<std::unique_ptr<CPhonarcChannelView>>;

// The channel object for a signal or box bit, with its bit, audio channel and band set; null for
// the marker channels (they are made with the tracks they show) and for a spectral channel without
// a source.
std::unique_ptr<CPhonarcChannelView> CreateSignalChannel(const ChannelBand& band, const TimelineState* view,
                                                         ISpectralDataSource* source);

// The full composition inside clip: white, the ruler and its underline, the separators and the
// channels, then the left margin (when clip starts in it). marginColour is the 3-D face colour.
void ComposeTimeline(COffscreenDib& backBuffer, const BandRect& clip, const CWinRulerView& ruler,
                     const ChannelList& channels, const BandRect& area, const QColor& marginColour);

// The left margin: hide buttons per channel and the Display menu's triangle.
void DrawTimelineMargin(QPainter& painter, const ChannelList& channels, int clientHeight,
                        const QColor& marginColour);

// Inverts the colours of r (clipped to the bitmap); twice gives the bitmap back.
void InvertRect(COffscreenDib& backBuffer, const BandRect& r);

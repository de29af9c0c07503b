// The timeline's drawing of marker bands when no marker channel factory is set: each marker of the
// band's list as a grey span between two lines with its label, and phoneme energies as bars above
// a baseline. They draw only; the mouse passes through to the view's selection.
#pragma once

#include <memory>

#include "views/timeline/channel_view.h"

class QColor;

// The grey of marker spans (0xC4C4C4).
QColor MarkerSpanColour();

// A plain channel for a marker bit, with its bit, audio channel and band set; an empty box for a
// bit it cannot draw (the Flash gestures, which live in the Flash document); null for a signal bit.
std::unique_ptr<CPhonarcChannelView> CreatePlainMarkerChannel(const ChannelBand& band, const TimelineState* view);

// The channels that draw the recording itself: waveform, energy contour, spectrogram (with the raw
// pitch mark), LPC spectrum and LPC prediction error. None reacts to the mouse. They write into
// the view's back buffer and only inside the rectangle they are given.
#pragma once

#include <vector>

#include "views/timeline/channel_view.h"

// Where a column's analysis window of length w lies: the middle of the column (unless the column
// reaches the end), less half the window, not below 0. False when it starts at or past the end.
bool PlaceColumnWindow(const TimelineState& view, int x, int w, int streamLength, int* start);
// The same for a window around sample s.
bool PlaceWindow(int64_t s, int samplesPerPixel, int w, int streamLength, int* start);

// Row map of a band h pixels high over bins/2 bins: h + 1 entries, entry i = i * (bins/2) / h,
// at most bins/2 - 1.
std::vector<short> BuildRowMap(int height, int windowSize);

// Min/max lines per column of channel 0, green dots for flat columns of 16-bit audio.
class CMXChannelWaveform : public CPhonarcChannelView {
public:
    using CPhonarcChannelView::CPhonarcChannelView;
    void Draw(COffscreenDib& backBuffer, const BandRect& rc) override;
};

// 10 ms energy in dB per column, one pixel per dB from the band's bottom.
class CMXChannelEnergy : public CPhonarcChannelView {
public:
    using CPhonarcChannelView::CPhonarcChannelView;
    void Draw(COffscreenDib& backBuffer, const BandRect& rc) override;
};

// The spectral channels share the source and the row map.
class CSpectralChannel : public CPhonarcChannelView {
public:
    CSpectralChannel(const TimelineState* view, ISpectralDataSource* source)
        : CPhonarcChannelView(view), source(source) {}

    ISpectralDataSource* source;  // not owned
    std::vector<short> rowMap;

protected:
    void UpdateRowMap();
    // Writes one column through the row map; values[bin] are intensities 0 .. 255. Returns the y
    // of the row holding bin p (-1 when none inside rc), for the pitch mark.
    int DrawColumn(COffscreenDib& backBuffer, const BandRect& rc, int x, const uint8_t* values, int p);
};

// Grey-level spectrogram, low frequencies at the bottom; the raw pitch estimate as a green pixel
// when the view shows the pitch.
class CMXChannelSono : public CSpectralChannel {
public:
    using CSpectralChannel::CSpectralChannel;
    void Draw(COffscreenDib& backBuffer, const BandRect& rc) override;
};

// Order-16 LPC envelope per column, drawn as the spectrogram.
class CMXChannelLPC : public CSpectralChannel {
public:
    using CSpectralChannel::CSpectralChannel;
    void Draw(COffscreenDib& backBuffer, const BandRect& rc) override;
};

// Order-16 LPC prediction error over consecutive windows, drawn as a waveform.
class CMXChannelLPCError : public CSpectralChannel {
public:
    using CSpectralChannel::CSpectralChannel;
    void Draw(COffscreenDib& backBuffer, const BandRect& rc) override;
};

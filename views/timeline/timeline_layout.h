// How the timeline's bands tile the channel area, and the maps between samples,
// milliseconds and pixel columns. Pure functions: the timeline view calls them at every layout and
// mouse event.
#pragma once

#include <cstdint>
#include <vector>

#include "app/core/display_channels.h"

class IMemoryPCMStream;

// A rectangle as the view keeps it: right and bottom are one past the last pixel.
struct BandRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const BandRect&) const = default;
};

BandRect Intersect(const BandRect& a, const BandRect& b);

// The marker channels, redrawn alone when only the tracks changed.
constexpr uint32_t kMarkerChannelBits = 0x77040;

constexpr int kMarginWidth = 15;       // columns 0 .. 14 left of the first visible sample
constexpr int kRulerHeight = 30;       // the channel area starts below the ruler
constexpr int kBoxChannelWidth = 130;
constexpr int kSpectralWindow = 512;


// "display" section of the profile.
constexpr const char* kDisplaySection = "display";
constexpr const char* kDisplayModeKey = "ulmode";
constexpr const char* kGainKey = "Gain";
constexpr uint32_t kDefaultDisplayMode = 0x10044;
constexpr int kDefaultGain = 1;
// The LPC channels are slow diagnostics: a stored mask never brings them back at start.
inline uint32_t DisplayMaskFromProfile(uint32_t stored) { return stored & ~(kShowLpcError | kShowLpc); }

// (client left + 15, 30, client right, client bottom - scroll bar height).
BandRect ComputeChannelArea(const BandRect& client, int scrollBarHeight);

// The height given to each flexible channel (spectrogram, LPC error, LPC) for this mask, clamped to
// 10 .. 512; 0 when the mask makes no channel at all.
int ComputeFlexibleHeight(uint32_t mask, int audioChannels, const BandRect& area);

struct ChannelBand {
    uint32_t bit;
    int audioChannel;
    int track;  // -1 for the signal channels
    BandRect band;
};

// The bands of the channels the mask makes, in creation order, tiling the area from its top.
// Without a spectral source the spectrogram and LPC channels are left out of the layout.
std::vector<ChannelBand> LayoutChannels(uint32_t mask, int audioChannels, const BandRect& area,
                                        bool haveSpectralSource = true);

// The same bands with every flexible channel exactly flexible pixels high.
std::vector<ChannelBand> LayoutChannelsWithFlexibleHeight(uint32_t mask, int audioChannels, const BandRect& area,
                                                          int flexible, bool haveSpectralSource = true);
// In the view a flexible channel (the spectrogram above all) is never squeezed below this: when
// the channels do not fit at it, the view scrolls them vertically instead.
constexpr int kMinFlexibleHeight = 64;
// The height of the bands of this mask when every flexible channel is flexible pixels high.
int ChannelStackHeight(uint32_t mask, int audioChannels, int flexible, bool haveSpectralSource = true);
// The display bit of the first band holding y (top <= y <= bottom), 0 when none; index gets its
// position in bands (-1 when none).
uint32_t ChannelAt(const std::vector<ChannelBand>& bands, int y, int* index = nullptr);

// 25 seconds across the view, or the whole recording when shorter; at least 1.
int InitialSamplesPerPixel(int streamLength, int sampleRate, int clientWidth);

// Sample <-> pixel column. Column 15 shows the first visible sample.
struct TimeMap {
    int firstSample = 0;
    int samplesPerPixel = 1;

    // 0 left of the margin's edge.
    int XToSample(int x) const;
    // Truncates toward zero, so samples before the first visible one land below column 15.
    int SampleToX(int sample) const;
    // +-2 pixels around x, never below 0; returns XToSample(x).
    int XToSampleRange(int x, int* from, int* to) const;
    // Milliseconds through the stream; the stream counts 16-bit frames at its own rate.
    int MsToX(IMemoryPCMStream* stream, int ms) const;
    int XToMs(IMemoryPCMStream* stream, int x) const;
    // +-1 pixel around x in ms (from is the ms of 0 near the start); returns XToMs(x).
    int XToMsRange(IMemoryPCMStream* stream, int x, int* fromMs, int* toMs) const;
};

// The rectangle inverted to show the selection across the channel area, or an empty one when it
// lies wholly left of the margin's edge. A plain cursor is one pixel wide.
BandRect SelectionRect(const TimeMap& map, int selStart, int selEnd, const BandRect& area);
